# soak_bench: 1000 showings among windows that come and go, with memory and X resource counts
# every 100 showings; the real zorvane program on a private Xvfb desktop.
if(TARGET zv_process_resources AND TARGET zorvane)
  add_executable(soak_bench ${CMAKE_CURRENT_LIST_DIR}/soak_bench.cpp ${CMAKE_SOURCE_DIR}/tests/shell/ZorvaneRun.cpp)
  target_include_directories(soak_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/x11 ${CMAKE_SOURCE_DIR}/tests/shell)
  target_link_libraries(soak_bench PRIVATE zv_process_resources X11::X11 X11::Xtst)
  target_compile_definitions(soak_bench PRIVATE ZV_BIN_DIR="${ZORVANE_BIN_DIR}")
  add_dependencies(soak_bench zorvane zv-testclient zv-hostileclient)
endif()
