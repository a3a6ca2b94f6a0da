// SettingsLocation: which settings file the program uses when none is named, and why (core: no Qt,
// no X11).
#pragma once

#include <string>

namespace zorvane {

struct TSettingsLocation {
    std::string Path;
    // Why that file, in words for --diagnostics.
    std::string Reason;
};

// "Zorvane.xml" beside the executable when one is there already (a portable folder, or a file kept
// from an earlier version) or when the program runs from its build tree (the folder above it holds
// CMakeCache.txt). Everywhere else, an installed program (one with ../share/zorvane beside its bin
// folder) included: xdgConfigHome/zorvane/Zorvane.xml, or home/.config/zorvane/Zorvane.xml when
// xdgConfigHome is unset, empty or not absolute (the XDG rule). Either variable may be null.
TSettingsLocation LocateSettings(const std::string& executableDirectory, const char* xdgConfigHome,
                                 const char* home);

// LocateSettings with this process's XDG_CONFIG_HOME and HOME.
TSettingsLocation DefaultSettingsLocation(const std::string& executableDirectory);
std::string DefaultSettingsPath(const std::string& executableDirectory);

// The folder of the running executable (from /proc/self/exe), without a trailing slash.
std::string ExecutableDirectory();

} // namespace zorvane
