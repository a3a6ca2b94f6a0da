# The backgrounds drawn behind the window images (core: no Qt, no X11).
add_library(zv_backgrounds STATIC
  ${CMAKE_CURRENT_LIST_DIR}/unitEffectSub.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unitEffectSub_None.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unitEffectSub_Background.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unitEffectSub_Wave.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unitEffectSub_Raindrops.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unitEffectSub_Tunnel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BackgroundFactory.cpp)
target_include_directories(zv_backgrounds PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_backgrounds PUBLIC zv_textures zv_core zv_gl)
# The default pictures are the backgrounds' data: every program built on them finds them in Images/.
add_dependencies(zv_backgrounds zv_images)
