# `cmake --build <build> --target bench-render`: frame times of every effect over every background
# (and over none at all) at 1920 x 1080 with ten 1280 x 720 windows, 100 frames each after the
# warm-up. Each line prints the median and 95th percentile frame time, the frames per second and
# the processor time a frame took over all threads (which says how much work a frame is when other
# programs share the machine).
set(bench_render_commands)
foreach(effect flip grid waveflip)
  foreach(background off none background wave raindrops tunnel)
    list(APPEND bench_render_commands
      COMMAND ${CMAKE_COMMAND} -E echo_append "${effect} over ${background}: "
      COMMAND $<TARGET_FILE:zorvane-render> --bench 100 --effect ${effect} --background ${background}
              --count 10 --window-size 1280x720 --size 1920x1080)
  endforeach()
endforeach()
add_custom_target(bench-render
  ${bench_render_commands}
  DEPENDS zorvane-render
  USES_TERMINAL)
