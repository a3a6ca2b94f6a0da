// DisplayName: the one spelling of a display's name (X11 or Wayland) that names a session's lock
// and its command socket, so that every way of writing the same display reaches the same running
// instance.
#pragma once

#include <cstdlib>
#include <string>
#include <string_view>

namespace zorvane {

// Drops the screen number (":0.0" and ":0" are one display, whichever screen a program starts on)
// and writes the local socket form "unix:0" as ":0". Other host names are kept: a display reached
// over the network may be another machine's.
inline std::string CanonicalDisplayName(std::string_view display) {
    const auto colon = display.rfind(':');
    if (colon == std::string_view::npos) {
        return std::string(display);
    }
    std::string_view host = display.substr(0, colon);
    std::string_view number = display.substr(colon + 1);
    if (const auto dot = number.find('.'); dot != std::string_view::npos) {
        number = number.substr(0, dot);
    }
    if (host == "unix") {
        host = {};
    }
    return std::string(host) + ":" + std::string(number);
}

// The Wayland session's name for the lock and the command socket: the compositor's socket as an
// absolute path ($WAYLAND_DISPLAY, inside $XDG_RUNTIME_DIR unless it is a path itself), so that
// "wayland-1" and its full path reach the same running instance. Empty outside a Wayland session.
inline std::string WaylandDisplayKey() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (display == nullptr || *display == '\0')
        return {};
    if (*display == '/')
        return display;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return std::string(runtime ? runtime : "") + "/" + display;
}

} // namespace zorvane
