# The settings store and where its file lives (core: no Qt, no X11).
add_library(zv_settings STATIC
  ${CMAKE_CURRENT_LIST_DIR}/unitSettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SettingsLocation.cpp)
target_include_directories(zv_settings PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_settings PUBLIC zv_core pugixml::pugixml)
