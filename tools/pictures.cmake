# Build-time pictures: the water caustics frames that are built into the program (see
# src/resources/resources.cmake) and the default background pictures in the Images folder.
add_executable(zv_gen_pictures ${CMAKE_CURRENT_LIST_DIR}/gen_pictures.cpp)
target_link_libraries(zv_gen_pictures PRIVATE zv_image)
set_target_properties(zv_gen_pictures PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

add_executable(zv_embed_resources ${CMAKE_CURRENT_LIST_DIR}/embed_resources.cpp)
set_target_properties(zv_embed_resources PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(ZORVANE_DEFAULT_PICTURES back01.bmp wave.bmp rain.bmp tunnel.bmp)
list(TRANSFORM ZORVANE_DEFAULT_PICTURES PREPEND ${ZORVANE_BIN_DIR}/Images/ OUTPUT_VARIABLE zv_picture_files)
add_custom_command(OUTPUT ${zv_picture_files}
  COMMAND zv_gen_pictures images ${ZORVANE_BIN_DIR}/Images
  DEPENDS zv_gen_pictures
  COMMENT "Drawing the default background pictures"
  VERBATIM)
add_custom_target(zv_images ALL DEPENDS ${zv_picture_files})

install(FILES ${zv_picture_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/zorvane/Images)
