# The window catalogue's core: the captured window list, its capture folder and the monitor the
# view shows on (no Qt, no X11).
add_library(zv_windows STATIC
  ${CMAKE_CURRENT_LIST_DIR}/unitWindowInfos.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PictureWriter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CaptureFolder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WindowFilter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MonitorScreen.cpp)
target_include_directories(zv_windows PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_windows PUBLIC zv_core zv_image zv_gl)
target_sources(zv_windows PRIVATE ${CMAKE_CURRENT_LIST_DIR}/unitHandleInfos.cpp)
