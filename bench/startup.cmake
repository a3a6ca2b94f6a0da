# startup_bench: Super+Tab to the first frame with 10 windows, and the memory held while the view
# shows 20 windows; the real zorvane program on a private Xvfb desktop.
if(TARGET zv_xharness AND TARGET zorvane)
  add_executable(startup_bench ${CMAKE_CURRENT_LIST_DIR}/startup_bench.cpp
                               ${CMAKE_SOURCE_DIR}/tests/shell/ZorvaneRun.cpp)
  target_include_directories(startup_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/x11 ${CMAKE_SOURCE_DIR}/tests/shell)
  target_link_libraries(startup_bench PRIVATE zv_xharness X11::X11 X11::Xtst)
  target_compile_definitions(startup_bench PRIVATE ZV_BIN_DIR="${ZORVANE_BIN_DIR}")
  add_dependencies(startup_bench zorvane zv-testclient)
endif()
