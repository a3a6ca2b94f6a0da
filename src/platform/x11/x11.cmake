# The Xlib backend of the platform interface: the only code that includes or links Xlib.
add_library(zv_x11 STATIC
  ${CMAKE_CURRENT_LIST_DIR}/XErrorTrap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TextUtf8.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11Platform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11Windows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11Batch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11WindowIcons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11Capture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11Damage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11Stacking.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11Activate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11Workspaces.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11ViewWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11Keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11Desktop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11Monitors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11Diagnostics.cpp)
target_include_directories(zv_x11 PUBLIC ${CMAKE_SOURCE_DIR}/src)
# Xlib's connection seen through XCB, to send many queries before waiting for their replies.
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET GLOBAL x11-xcb xcb xcb-shape)
target_link_libraries(zv_x11
  PUBLIC zv_platform zv_posix
  PRIVATE X11::X11 X11::Xcomposite X11::Xext X11::Xfixes X11::Xrandr X11::Xinerama X11::Xtst X11::Xdamage OpenGL::GLX
          OpenGL::OpenGL PkgConfig::XCB)
