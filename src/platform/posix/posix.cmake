# Session services every backend shares: the single-instance lock, autostart, paths, the locale.
add_library(zv_posix STATIC ${CMAKE_CURRENT_LIST_DIR}/PosixSession.cpp)
target_link_libraries(zv_posix PUBLIC zv_platform)
