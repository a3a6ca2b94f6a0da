# The texture loader and the desktop texture (core: OpenGL, GLU, libjpeg, stb_image; no Qt, no X11).
add_library(zv_textures STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Textures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TexturesJPEG.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TexturesMipmaps.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TexturesDDS.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TexturesDesktop.cpp)
target_include_directories(zv_textures PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_textures PUBLIC zv_gl zv_image zv_resources PRIVATE JPEG::JPEG PkgConfig::STB)
