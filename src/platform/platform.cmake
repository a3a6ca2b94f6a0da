# The window-system interface: headers, and the key symbols both backends name keys by.
add_library(zv_platform STATIC ${CMAKE_CURRENT_LIST_DIR}/KeySyms.cpp)
target_include_directories(zv_platform PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_platform PUBLIC zv_image)
