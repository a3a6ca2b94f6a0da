# `cmake --build <build> --target bench-render`: frame times of every effect at 1920 x 1080 with ten
# 1280 x 720 windows, over no background and over the desktop picture (None).
add_custom_target(bench-render
  COMMAND ${CMAKE_COMMAND} -E echo "flip, no background"
  COMMAND $<TARGET_FILE:zorvane-render> --bench 100 --effect flip --count 10 --window-size 1280x720 --size 1920x1080 --background off
  COMMAND ${CMAKE_COMMAND} -E echo "flip, None"
  COMMAND $<TARGET_FILE:zorvane-render> --bench 100 --effect flip --count 10 --window-size 1280x720 --size 1920x1080
  COMMAND ${CMAKE_COMMAND} -E echo "grid, None"
  COMMAND $<TARGET_FILE:zorvane-render> --bench 100 --effect grid --count 10 --window-size 1280x720 --size 1920x1080
  COMMAND ${CMAKE_COMMAND} -E echo "waveflip, None"
  COMMAND $<TARGET_FILE:zorvane-render> --bench 100 --effect waveflip --count 10 --window-size 1280x720 --size 1920x1080
  DEPENDS zorvane-render
  USES_TERMINAL)
