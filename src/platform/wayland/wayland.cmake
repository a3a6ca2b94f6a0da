# The Wayland backend of the platform interface (sway and the wlroots compositors): the only code
# that includes or links libwayland. Built when protocols.cmake found everything it needs.
if(NOT ZORVANE_WAYLAND_MISSING)
  include(${CMAKE_CURRENT_LIST_DIR}/sway.cmake)
  add_library(zv_wayland STATIC
    ${CMAKE_CURRENT_LIST_DIR}/WaylandDisplay.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ScreenCopy.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Toplevels.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ToplevelSource.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SwaySource.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DesktopEntries.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WaylandPlatform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WaylandPictures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WaylandKeys.cpp)
  target_include_directories(zv_wayland PUBLIC ${CMAKE_SOURCE_DIR}/src)
  zorvane_wayland_protocol(zv_wayland ${ZORVANE_WLR_PROTOCOLS_DIR}/wlr-foreign-toplevel-management-unstable-v1.xml)
  zorvane_wayland_protocol(zv_wayland ${ZORVANE_WLR_PROTOCOLS_DIR}/wlr-screencopy-unstable-v1.xml)
  zorvane_wayland_protocol(zv_wayland ${WAYLAND_PROTOCOLS_DIR}/unstable/xdg-output/xdg-output-unstable-v1.xml)
  target_link_libraries(zv_wayland PUBLIC zv_platform zv_posix PRIVATE zv_sway nlohmann_json::nlohmann_json PkgConfig::WAYLAND_CLIENT
                        PkgConfig::XKBCOMMON)
  target_compile_definitions(zv_wayland PUBLIC ZORVANE_WAYLAND=1)
endif()
