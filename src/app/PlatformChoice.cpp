// PlatformChoice: the backend chosen from the session and the command line.
#include "app/PlatformChoice.h"

#include "platform/x11/X11Platform.h"
#ifdef ZORVANE_WAYLAND
#include "platform/wayland/WaylandPlatform.h"
#endif

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace zorvane {

std::optional<PlatformKind> ParsePlatformKind(std::string_view text) {
    std::string word(text);
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (word == "x11")
        return PlatformKind::pkX11;
    if (word == "wayland")
        return PlatformKind::pkWayland;
    return std::nullopt;
}

std::optional<PlatformKind> PlatformKindFromArguments(int argc, char** argv, std::string& error) {
    PlatformKind kind = PlatformKind::pkAuto;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        std::optional<std::string_view> value;
        if (arg == "--platform") {
            if (i + 1 >= argc) {
                error = "--platform needs a name: x11 or wayland";
                return std::nullopt;
            }
            value = argv[++i];
        } else if (arg.rfind("--platform=", 0) == 0) {
            value = arg.substr(11);
        }
        if (!value)
            continue;
        const std::optional<PlatformKind> parsed = ParsePlatformKind(*value);
        if (!parsed) {
            error = "unknown platform '" + std::string(*value) + "' (use x11 or wayland)";
            return std::nullopt;
        }
        kind = *parsed;
    }
    return kind;
}

bool WaylandBackendBuilt() {
#ifdef ZORVANE_WAYLAND
    return true;
#else
    return false;
#endif
}

namespace {

ChosenPlatform openX11(const char* display, std::string reason) {
    ChosenPlatform chosen;
    chosen.reason = std::move(reason);
    chosen.platform = createX11Platform(display, chosen.error);
    return chosen;
}

ChosenPlatform openWayland(std::string reason) {
    ChosenPlatform chosen;
    chosen.reason = std::move(reason);
    chosen.wayland = true;
#ifdef ZORVANE_WAYLAND
    chosen.platform = createWaylandPlatform(chosen.error);
#else
    chosen.error = "this Zorvane was built without its Wayland backend";
#endif
    return chosen;
}

} // namespace

ChosenPlatform OpenPlatform(PlatformKind kind, const char* x11Display) {
    if (kind == PlatformKind::pkX11)
        return openX11(x11Display, "asked for with --platform x11");
    if (kind == PlatformKind::pkWayland)
        return openWayland("asked for with --platform wayland");
    const char* waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    if (x11Display != nullptr || waylandDisplay == nullptr || *waylandDisplay == '\0')
        return openX11(x11Display, "no Wayland session (WAYLAND_DISPLAY is not set)");
#ifdef ZORVANE_WAYLAND
    // One connection both asks and, when the compositor lists windows, serves.
    ChosenPlatform chosen;
    bool connected = false;
    chosen.platform = createWaylandPlatform(chosen.error, &connected);
    if (!connected)
        return openX11(x11Display, "no Wayland compositor answers on WAYLAND_DISPLAY (" + chosen.error + ")");
    if (!chosen.platform) {
        chosen.error = "this Wayland compositor offers no window list (the wlr foreign-toplevel protocol, "
                       "which sway, labwc, wayfire and the other wlroots compositors have), so Zorvane "
                       "cannot switch windows here";
        return chosen;
    }
    chosen.wayland = true;
    chosen.reason = "a Wayland session whose compositor lists windows (wlr foreign-toplevel)";
    return chosen;
#else
    return openX11(x11Display, "a Wayland session, but this Zorvane was built without its Wayland backend");
#endif
}

} // namespace zorvane
