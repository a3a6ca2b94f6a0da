# The Qt shell (main form, tray, single instance, remote commands) and the zorvane executable.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network DBus)
set(zv_shell_deps zv_view zv_ui zv_settings zv_windows zv_x11 zv_cli)
set(zv_shell_ready ON)
foreach(dep ${zv_shell_deps})
  if(NOT TARGET ${dep})
    message(STATUS "zorvane: ${dep} not defined yet; the shell is not built")
    set(zv_shell_ready OFF)
  endif()
endforeach()

if(zv_shell_ready)
  add_library(zv_shell STATIC
    ${CMAKE_CURRENT_LIST_DIR}/frmMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/frmMainActions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MenuPictures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PrevInstance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemoteCommandClient.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SignalExit.cpp)
  set_target_properties(zv_shell PROPERTIES AUTOMOC ON)
  target_include_directories(zv_shell PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(zv_shell PUBLIC ${zv_shell_deps} Qt6::Widgets Qt6::Network Qt6::DBus)
  if(TARGET zv_handleinfos)
    target_link_libraries(zv_shell PUBLIC zv_handleinfos)
  endif()

  add_executable(zorvane ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  target_compile_definitions(zorvane PRIVATE ZORVANE_VERSION="${PROJECT_VERSION}")
  target_link_libraries(zorvane PRIVATE zv_shell)
  install(TARGETS zorvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Zorvane runs from the build folder as installed: its pictures and language files beside it.
if(TARGET zorvane)
  foreach(data zv_images zv_language_files)
    if(TARGET ${data})
      add_dependencies(zorvane ${data})
    endif()
  endforeach()
endif()
