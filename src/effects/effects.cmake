# The switcher effects (core: no Qt, no X11): the shared framework, Flip, and the factory.
add_library(zv_effects STATIC
  ${CMAKE_CURRENT_LIST_DIR}/unitEffect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unitEffect_Flip.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TitleOverlay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EffectFactory.cpp)
target_include_directories(zv_effects PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_effects PUBLIC zv_windows zv_core zv_backgrounds zv_gl)
target_sources(zv_effects PRIVATE ${CMAKE_CURRENT_LIST_DIR}/unitEffect_Grid.cpp ${CMAKE_CURRENT_LIST_DIR}/unitEffect_WaveFlip.cpp)
