# Shared test support: the offscreen GL fixture and the gtest main.
add_library(zv_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/GLFixture.cpp)
target_include_directories(zv_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_test_support PUBLIC zv_offscreen GTest::gtest)

# zorvane_add_test(name SOURCES ... LIBS ...): one gtest executable, its cases registered with ctest.
function(zorvane_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} zv_test_support GTest::gtest_main)
  if(NOT T_LABELS)
    set(T_LABELS core)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}"
               ENVIRONMENT "ZORVANE_BIN_DIR=${ZORVANE_BIN_DIR};ZORVANE_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
