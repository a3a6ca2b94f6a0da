# Built-in resources: the 32 water caustics frames ("DATA" "WAVE_01" .. "WAVE_32"), drawn by
# zv_gen_pictures and compiled into a table by zv_embed_resources (both in tools/pictures.cmake).
set(zv_generated ${CMAKE_BINARY_DIR}/generated/resources)
set(zv_wave_files)
set(zv_embed_args)
foreach(i RANGE 1 32)
  if(i LESS 10)
    set(i "0${i}")
  endif()
  list(APPEND zv_wave_files ${zv_generated}/WAVE_${i}.bmp)
  list(APPEND zv_embed_args DATA WAVE_${i} ${zv_generated}/WAVE_${i}.bmp)
endforeach()

add_custom_command(OUTPUT ${zv_wave_files}
  COMMAND zv_gen_pictures waves ${zv_generated}
  DEPENDS zv_gen_pictures
  COMMENT "Drawing the water caustics frames"
  VERBATIM)
add_custom_command(OUTPUT ${zv_generated}/ResourceTable.cpp
  COMMAND zv_embed_resources ${zv_generated}/ResourceTable.cpp ${zv_embed_args}
  DEPENDS zv_embed_resources ${zv_wave_files}
  COMMENT "Building the resource table"
  VERBATIM)

add_library(zv_resources STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Resources.cpp
  ${zv_generated}/ResourceTable.cpp)
target_include_directories(zv_resources PUBLIC ${CMAKE_SOURCE_DIR}/src)
