// StatusNotifierHosts: whether a StatusNotifierItem tray host listens on the D-Bus session bus, the
// other way (besides XEmbed) that a tray icon can show. Plain libdbus; no X11.
#pragma once

#include <string>

namespace zorvane {

// "yes" when org.kde.StatusNotifierWatcher is on the session bus and reports a host; otherwise "no",
// with the reason in brackets when there is more to say. Never starts a bus: with
// DBUS_SESSION_BUS_ADDRESS unset only $XDG_RUNTIME_DIR/bus is tried.
std::string StatusNotifierHostState();

} // namespace zorvane
