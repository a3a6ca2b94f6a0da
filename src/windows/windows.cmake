# Capture pictures: a plain data type shared by every layer.
add_library(zv_image STATIC ${CMAKE_CURRENT_LIST_DIR}/CaptureImage.cpp)
target_include_directories(zv_image PUBLIC ${CMAKE_SOURCE_DIR}/src)

# The window catalogue's core: the captured window list (no Qt, no X11).
add_library(zv_windows INTERFACE)
target_link_libraries(zv_windows INTERFACE zv_image zv_gl)
