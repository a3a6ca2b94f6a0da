# The window-system interface: headers only; backends implement it.
add_library(zv_platform INTERFACE)
target_include_directories(zv_platform INTERFACE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_platform INTERFACE zv_image)
