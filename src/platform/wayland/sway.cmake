# Sway's IPC client and the readers of its JSON and configuration text: no Qt, no X11.
find_package(nlohmann_json 3 REQUIRED)
add_library(zv_sway STATIC
  ${CMAKE_CURRENT_LIST_DIR}/SwayIpc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SwayTree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SwayConfig.cpp)
target_include_directories(zv_sway PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_sway PRIVATE nlohmann_json::nlohmann_json)
