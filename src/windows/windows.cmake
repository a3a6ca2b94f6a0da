# The window catalogue's core: capture pictures and the captured window list (no Qt, no X11).
add_library(zv_windows STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CaptureImage.cpp)
target_include_directories(zv_windows PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_windows PUBLIC zv_gl)
