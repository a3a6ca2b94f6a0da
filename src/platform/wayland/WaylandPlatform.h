// WaylandPlatform: creates the Wayland backend of the platform interface (sway and the wlroots
// compositors), and tells whether a Wayland session can run it. Nothing from libwayland shows here.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zorvane {

// What a look at the Wayland session found, before choosing a backend.
struct WaylandSessionProbe {
    bool connected = false;     // a compositor answered on $WAYLAND_DISPLAY
    bool hasWindowList = false; // it offers zwlr_foreign_toplevel_manager_v1
    bool hasScreenCopy = false; // it offers zwlr_screencopy_manager_v1
    std::string error;          // why no compositor answered
};
WaylandSessionProbe ProbeWaylandSession();

// The app_id this program's own windows carry (the view's, the dialogs').
inline constexpr const char* kOwnAppId = "org.zorvane.Zorvane";

// Connects to the compositor of $WAYLAND_DISPLAY. Uses sway's IPC when $SWAYSOCK answers, else the
// foreign-toplevel list alone. Null with one line in `error` when the compositor offers no window list.
std::unique_ptr<Platform> createWaylandPlatform(std::string& error);

// A custom hot key's 16-bit code in the compositor's binding syntax ("Control+Mod1+grave");
// empty for a key without a name.
std::string WaylandShortcutCombo(std::uint16_t shortcut);
// The configuration lines that bind Zorvane's keys to the commands that reach it, for a compositor
// whose configuration the user edits (sway and others read `bindsym`).
std::string WaylandBindingLines(const std::string& executable, std::uint16_t shortcut);

} // namespace zorvane
