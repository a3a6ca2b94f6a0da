# The command-line checking tools (--list-windows, --capture, --diagnostics) and their own
# small program; the zorvane binary links zv_cli and dispatches to it.
add_library(zv_cli STATIC ${CMAKE_CURRENT_LIST_DIR}/CommandLineTools.cpp ${CMAKE_CURRENT_LIST_DIR}/HotKeyStatus.cpp
            ${CMAKE_CURRENT_LIST_DIR}/PlatformChoice.cpp)
target_include_directories(zv_cli PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_cli PUBLIC zv_x11 zv_windows zv_settings)
if(TARGET zv_wayland)
  target_link_libraries(zv_cli PUBLIC zv_wayland)
endif()

add_executable(zorvane-windows ${CMAKE_CURRENT_LIST_DIR}/WindowsToolMain.cpp)
target_link_libraries(zorvane-windows PRIVATE zv_cli)
