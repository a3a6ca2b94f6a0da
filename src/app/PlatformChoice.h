// PlatformChoice: which backend runs Zorvane. In a Wayland session (WAYLAND_DISPLAY set) whose
// compositor lists windows: Wayland; otherwise X11; `--platform x11|wayland` decides instead.
// A Wayland session whose compositor lists no windows (GNOME, KDE, weston) is refused with one
// sentence rather than run half-blind on Xwayland.
#pragma once

#include "platform/Platform.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zorvane {

enum class PlatformKind { pkAuto, pkX11, pkWayland };

// "x11", "wayland" (any letter case); nothing for another word.
std::optional<PlatformKind> ParsePlatformKind(std::string_view text);
// The value of `--platform NAME` or `--platform=NAME` in argv; pkAuto without one. Nothing (and
// one line in `error`) for an unknown name or a missing one.
std::optional<PlatformKind> PlatformKindFromArguments(int argc, char** argv, std::string& error);

struct ChosenPlatform {
    std::unique_ptr<Platform> platform; // null when none could be opened (`error` says why)
    bool wayland = false;
    std::string reason; // why this backend, for --diagnostics
    std::string error;
};

// Opens the backend `kind` asks for; x11Display: the X display to use (null: $DISPLAY).
ChosenPlatform OpenPlatform(PlatformKind kind, const char* x11Display);

// True when this build holds the Wayland backend.
bool WaylandBackendBuilt();

} // namespace zorvane
