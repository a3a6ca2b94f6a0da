# What the Wayland pieces need to build: the client library, key names, wayland-scanner, the
# standard protocol definitions (wayland-protocols) and the wlr ones (taken by scripts/setup from
# Debian's wlroots source package). ZORVANE_WAYLAND_MISSING lists what was not found; when it is
# empty, zorvane_wayland_protocol() generates a protocol's client code into a target.
pkg_check_modules(WAYLAND_CLIENT IMPORTED_TARGET GLOBAL wayland-client)
pkg_check_modules(XKBCOMMON IMPORTED_TARGET GLOBAL xkbcommon)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
find_program(WAYLAND_SCANNER wayland-scanner)
find_package(nlohmann_json QUIET)
set(ZORVANE_WLR_PROTOCOLS_DIR ${CMAKE_SOURCE_DIR}/.deps/wlr-protocols
    CACHE PATH "Folder holding the wlr protocol definitions (scripts/setup fills it)")

set(ZORVANE_WAYLAND_MISSING "")
if(NOT WAYLAND_CLIENT_FOUND)
  list(APPEND ZORVANE_WAYLAND_MISSING "wayland-client (libwayland-dev)")
endif()
if(NOT XKBCOMMON_FOUND)
  list(APPEND ZORVANE_WAYLAND_MISSING "xkbcommon (libxkbcommon-dev)")
endif()
if(NOT WAYLAND_SCANNER)
  list(APPEND ZORVANE_WAYLAND_MISSING "wayland-scanner (libwayland-bin)")
endif()
if(NOT WAYLAND_PROTOCOLS_DIR)
  list(APPEND ZORVANE_WAYLAND_MISSING "wayland-protocols")
endif()
if(NOT nlohmann_json_FOUND)
  list(APPEND ZORVANE_WAYLAND_MISSING "nlohmann-json (nlohmann-json3-dev)")
endif()
foreach(xml wlr-foreign-toplevel-management-unstable-v1.xml wlr-screencopy-unstable-v1.xml
            virtual-keyboard-unstable-v1.xml)
  if(NOT EXISTS ${ZORVANE_WLR_PROTOCOLS_DIR}/${xml})
    list(APPEND ZORVANE_WAYLAND_MISSING "${xml} (scripts/setup)")
  endif()
endforeach()

if(ZORVANE_WAYLAND_MISSING)
  string(REPLACE ";" ", " missing "${ZORVANE_WAYLAND_MISSING}")
  message(WARNING "Zorvane is built for X11 only: the Wayland backend needs ${missing}")
endif()

# Generates the client header and glue code of the protocol definition `xml` into the target's
# own build folder and adds them to it.
function(zorvane_wayland_protocol target xml)
  get_filename_component(name ${xml} NAME_WE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}-protocols)
  file(MAKE_DIRECTORY ${out})
  add_custom_command(
    OUTPUT ${out}/${name}-client-protocol.h ${out}/${name}-protocol.c
    COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${out}/${name}-client-protocol.h
    COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${out}/${name}-protocol.c
    DEPENDS ${xml}
    VERBATIM)
  target_sources(${target} PRIVATE ${out}/${name}-client-protocol.h ${out}/${name}-protocol.c)
  target_include_directories(${target} PUBLIC ${out})
endfunction()
