# peers_bench: Zorvane, alttab and compiz 0.8's Shift switcher on one desktop, key press to the
# first changed pixel and memory, measured from outside the same way for all three.
if(TARGET zv_xharness AND TARGET zorvane)
  add_executable(peers_bench ${CMAKE_CURRENT_LIST_DIR}/peers_bench.cpp ${CMAKE_SOURCE_DIR}/tests/shell/ZorvaneRun.cpp)
  target_include_directories(peers_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/x11 ${CMAKE_SOURCE_DIR}/tests/shell)
  target_link_libraries(peers_bench PRIVATE zv_xharness X11::X11 X11::Xtst X11::Xdamage)
  target_compile_definitions(peers_bench PRIVATE ZV_BIN_DIR="${ZORVANE_BIN_DIR}")
  add_dependencies(peers_bench zorvane zv-testclient)
endif()
