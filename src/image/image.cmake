# Window pictures and window icons: plain data types that every layer and every backend shares.
add_library(zv_image STATIC ${CMAKE_CURRENT_LIST_DIR}/CaptureImage.cpp ${CMAKE_CURRENT_LIST_DIR}/PixelMemory.cpp
            ${CMAKE_CURRENT_LIST_DIR}/NetWmIcon.cpp)
target_include_directories(zv_image PUBLIC ${CMAKE_SOURCE_DIR}/src)
