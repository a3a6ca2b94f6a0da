# The Wayland test desktops: a headless sway or weston of each test's own, our Wayland test client
# (zv-wl-client) and the library that starts, drives and ends them (zv_swayharness).
# src/platform/wayland/protocols.cmake finds the Wayland pieces in src/'s scope, where its plain
# variables stay: what the harness needs is looked up again here (the imported wayland-client target
# and the scanner are global). ZV_WL_HARNESS_MISSING lists what was not found; then nothing is built.
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
find_package(nlohmann_json QUIET)
pkg_check_modules(WL_HARNESS_STB QUIET IMPORTED_TARGET stb)
set(ZV_WL_HARNESS_MISSING ${ZORVANE_WAYLAND_MISSING})
foreach(needed PkgConfig::WAYLAND_CLIENT nlohmann_json::nlohmann_json PkgConfig::WL_HARNESS_STB)
  if(NOT TARGET ${needed})
    list(APPEND ZV_WL_HARNESS_MISSING ${needed})
  endif()
endforeach()
if(NOT WAYLAND_SCANNER OR NOT WAYLAND_PROTOCOLS_DIR)
  list(APPEND ZV_WL_HARNESS_MISSING "wayland-scanner or wayland-protocols")
endif()

if(NOT ZV_WL_HARNESS_MISSING)
  add_executable(zv-wl-client ${CMAKE_CURRENT_LIST_DIR}/WlTestClient.cpp)
  zorvane_wayland_protocol(zv-wl-client ${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml)
  target_link_libraries(zv-wl-client PRIVATE PkgConfig::WAYLAND_CLIENT)

  # Screenshots are decoded with the system's stb_image library.
  add_library(zv_swayharness STATIC
    ${CMAKE_CURRENT_LIST_DIR}/harness/ChildProcess.cpp
    ${CMAKE_CURRENT_LIST_DIR}/harness/WaylandDesktop.cpp)
  target_include_directories(zv_swayharness PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(zv_swayharness
    PUBLIC nlohmann_json::nlohmann_json
    PRIVATE PkgConfig::WAYLAND_CLIENT PkgConfig::WL_HARNESS_STB)
  # Tests that start zv-wl-client need it built.
  add_dependencies(zv_swayharness zv-wl-client)
else()
  string(REPLACE ";" ", " missing "${ZV_WL_HARNESS_MISSING}")
  message(STATUS "No Wayland tests: they need ${missing}")
endif()
