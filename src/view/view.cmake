# The switcher view (Qt shell): its OpenGL window, input mapping and render worker.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets OpenGL)
# Qt keys to virtual-key codes, for the view's input and the options' hot key.
add_library(zv_keys STATIC ${CMAKE_CURRENT_LIST_DIR}/VirtualKeys.cpp)
target_include_directories(zv_keys PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_keys PUBLIC Qt6::Core)

add_library(zv_view STATIC
  ${CMAKE_CURRENT_LIST_DIR}/frmOpenGL.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmOpenGLInput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmOpenGLTitles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmOpenGLScreen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmOpenGLShowing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ViewScale.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TitlePlates.cpp)
set_target_properties(zv_view PROPERTIES AUTOMOC ON)
target_include_directories(zv_view PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(zv_view PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets Qt6::OpenGL zv_platform zv_gl zv_keys)
foreach(dep zv_effects zv_backgrounds zv_textures zv_windows)
  if(TARGET ${dep})
    target_link_libraries(zv_view PUBLIC ${dep})
  endif()
endforeach()
