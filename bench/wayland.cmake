# wayland_bench: Zorvane's opening on a headless sway and on Xvfb in one run, key press to the first
# changed pixel, measured from outside with a virtual keyboard and wlr screencopy (Wayland) and
# XTest and DAMAGE (X11). Built only where the Wayland test desktops and the X11 harness are.
# The wlr protocol definitions come from scripts/setup; the generator is found in src/'s scope but
# cached, so it is seen here.
set(wl_bench_keyboard_xml ${ZORVANE_WLR_PROTOCOLS_DIR}/virtual-keyboard-unstable-v1.xml)
set(wl_bench_screencopy_xml ${ZORVANE_WLR_PROTOCOLS_DIR}/wlr-screencopy-unstable-v1.xml)
if(TARGET zv_swayharness AND TARGET zv_xharness AND TARGET zorvane AND TARGET PkgConfig::XKBCOMMON
   AND WAYLAND_SCANNER AND EXISTS ${wl_bench_keyboard_xml} AND EXISTS ${wl_bench_screencopy_xml})
  add_executable(wayland_bench ${CMAKE_CURRENT_LIST_DIR}/wayland_bench.cpp
                               ${CMAKE_SOURCE_DIR}/tests/shell/ZorvaneRun.cpp)
  zorvane_wayland_protocol(wayland_bench ${wl_bench_keyboard_xml})
  zorvane_wayland_protocol(wayland_bench ${wl_bench_screencopy_xml})
  target_include_directories(wayland_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/x11 ${CMAKE_SOURCE_DIR}/tests/shell)
  target_link_libraries(wayland_bench PRIVATE zv_swayharness zv_xharness PkgConfig::WAYLAND_CLIENT
                                              PkgConfig::XKBCOMMON X11::X11 X11::Xtst X11::Xdamage)
  target_compile_definitions(wayland_bench PRIVATE ZV_BIN_DIR="${ZORVANE_BIN_DIR}")
  add_dependencies(wayland_bench zorvane zv-testclient zv-wl-client)
endif()
