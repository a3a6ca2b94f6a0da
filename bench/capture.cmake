# capture_bench: per-window capture time over 10 real 1280 x 720 windows (MIT-SHM vs XGetImage).
if(TARGET zv_xharness)
  add_executable(capture_bench ${CMAKE_CURRENT_LIST_DIR}/capture_bench.cpp)
  target_link_libraries(capture_bench PRIVATE zv_xharness zv_x11 zv_windows X11::X11)
  target_compile_definitions(capture_bench PRIVATE ZV_BIN_DIR="${ZORVANE_BIN_DIR}")
  add_dependencies(capture_bench zv-testclient)
endif()
