// WaylandPlatform: creates the Wayland backend of the platform interface (sway and the wlroots
// compositors), and tells whether a Wayland session can run it. Nothing from libwayland shows here.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zorvane {

// The app_id this program's own windows carry (the view's, the dialogs').
inline constexpr const char* kOwnAppId = "org.zorvane.Zorvane";

// Connects to the compositor of $WAYLAND_DISPLAY. Uses sway's IPC when $SWAYSOCK answers, else the
// foreign-toplevel list alone. Null with one line in `error` when no compositor answers (`connected`
// false) or it offers no window list (`connected` true).
std::unique_ptr<Platform> createWaylandPlatform(std::string& error, bool* connected = nullptr);

// A custom hot key's 16-bit code in the compositor's binding syntax ("Control+Mod1+grave");
// empty for a key without a name.
std::string WaylandShortcutCombo(std::uint16_t shortcut);
// The configuration lines that bind Zorvane's keys to the commands that reach it, for a compositor
// whose configuration the user edits (sway and others read `bindsym`).
std::string WaylandBindingLines(const std::string& executable, std::uint16_t shortcut);

} // namespace zorvane
