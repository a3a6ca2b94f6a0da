# Session services every backend shares: the single-instance lock, autostart, paths, the locale,
# and whether a StatusNotifierItem tray host listens on the session bus.
pkg_check_modules(DBUS REQUIRED IMPORTED_TARGET GLOBAL dbus-1)
add_library(zv_posix STATIC ${CMAKE_CURRENT_LIST_DIR}/PosixSession.cpp ${CMAKE_CURRENT_LIST_DIR}/StatusNotifierHosts.cpp)
target_link_libraries(zv_posix PUBLIC zv_platform PRIVATE PkgConfig::DBUS)
