# Legacy OpenGL 1.1 + GLU for the core, and an offscreen Mesa context (EGL surfaceless + pbuffer)
# for tests and zorvane-render.
add_library(zv_gl INTERFACE)
target_link_libraries(zv_gl INTERFACE OpenGL::GL PkgConfig::GLU)
target_include_directories(zv_gl INTERFACE ${CMAKE_SOURCE_DIR}/src)

add_library(zv_offscreen STATIC ${CMAKE_CURRENT_LIST_DIR}/OffscreenGL.cpp)
pkg_check_modules(STB REQUIRED IMPORTED_TARGET stb)
target_link_libraries(zv_offscreen PUBLIC zv_gl OpenGL::EGL PkgConfig::STB)
