# zorvane-render: effects drawn offscreen over made-up windows, for checks, benchmarks and pictures.
add_library(zv_render STATIC
  ${CMAKE_CURRENT_LIST_DIR}/SyntheticWindows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RenderScene.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RenderOptions.cpp)
target_include_directories(zv_render PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_render PUBLIC zv_effects zv_windows zv_gl)

add_executable(zorvane-render ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(zorvane-render PRIVATE zv_render zv_backgrounds zv_textures zv_offscreen)
