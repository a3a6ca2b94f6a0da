# `cmake --build <build> --target bench-big-picture`: the peak resident memory of zorvane-render
# drawing the Background background over an 8000 x 8000 JPEG picture (made here with ImageMagick),
# as /usr/bin/time reports it. The texture of such a picture is 8192 x 8192 with its mipmaps.
set(bench_big_picture ${CMAKE_CURRENT_BINARY_DIR}/big-picture/big.jpg)
add_custom_command(OUTPUT ${bench_big_picture}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/big-picture
  COMMAND /usr/bin/convert -size 8000x8000 gradient:red-blue -quality 90 ${bench_big_picture}
  COMMENT "An 8000 x 8000 JPEG picture")
add_custom_target(bench-big-picture
  COMMAND /usr/bin/time -f "8000 x 8000 JPEG as the Background picture: peak resident %M kB, %e s"
          $<TARGET_FILE:zorvane-render> --background background
          --background-options "${bench_big_picture},0,20" --out ${CMAKE_CURRENT_BINARY_DIR}/big-picture/frames
  DEPENDS zorvane-render ${bench_big_picture}
  USES_TERMINAL)
