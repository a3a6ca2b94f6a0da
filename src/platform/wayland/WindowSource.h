// WindowSource: where the Wayland backend learns the windows, and how it acts on them. Two kinds:
// sway's IPC (geometry, workspaces, focus order, key bindings, wallpaper) and the foreign-toplevel
// protocol that any wlroots compositor offers (titles and states only).
#pragma once

#include "platform/PlatformTypes.h"

#include <optional>
#include <string>
#include <vector>

namespace zorvane::wayland {

struct WindowRecord {
    WindowHandle handle = 0;
    std::string appId;
    std::string title;
    Rect rect;             // device pixels on the desktop; empty when the source knows none
    std::string output;    // the output holding it, empty when unknown
    bool onScreen = false; // shown on its output now: its picture can be cut out of the output's copy
    int showCmd = 1;       // 1 normal, 2 minimised, 3 maximised
    long desktop = -1;     // its workspace, counted from 0; -1 when the source has none
    bool own = false;      // one of this process's windows
};

// The outcome of binding a key combination in the compositor.
struct KeyBindResult {
    bool bound = false;
    std::string takenBy; // when not bound: the compositor's own words, or the user's line that binds it
};

class WindowSource {
public:
    virtual ~WindowSource() = default;
    // "sway IPC", "wlr foreign-toplevel": for --diagnostics.
    virtual std::string name() const = 0;
    // Every window, most recently focused first.
    virtual std::vector<WindowRecord> windows() = 0;
    virtual WindowHandle activeWindow() = 0;
    // Focuses the window, taking the user to its workspace; true once it has the focus.
    virtual bool activate(WindowHandle window) = 0;
    virtual bool close(WindowHandle window) = 0;
    virtual bool minimize(WindowHandle window) = 0;
    virtual bool restore(WindowHandle window) = 0;
    virtual int desktopCount() { return 0; }
    virtual long currentDesktop() { return -1; }
    // The output the user works on now; empty when the source cannot tell.
    virtual std::string focusedOutput() { return {}; }

    // The source's own event stream (-1 for none) and its reading: what changed. A focus or
    // workspace change is when the backend refreshes the pictures of what shows; windows that
    // came or went make it read the window list again.
    enum Change : int { kNothing = 0, kFocus = 1, kWindows = 2 };
    virtual int eventFd() const { return -1; }
    virtual int processEvents() { return kNothing; }

    // Key bindings in the compositor, for sources that can make them (nothing otherwise).
    // `combo` is in the compositor's own syntax ("Mod4+Shift+Tab").
    virtual std::optional<KeyBindResult> bindKey(const std::string& combo, const std::string& command) {
        (void)combo;
        (void)command;
        return std::nullopt;
    }
    virtual void unbindKey(const std::string& combo) { (void)combo; }
    // The commands of this program's bindings that the compositor ran since the last call, as it
    // reports them on its own (sway's binding events): sooner than the commands' own messages.
    virtual std::vector<std::string> takeRunBindings() { return {}; }
    // Lines telling where the bindings stand, for --diagnostics.
    virtual std::string bindingReport() { return {}; }

    // The wallpaper the compositor's configuration names: file and style; nothing when unknown.
    virtual std::optional<WallpaperInfo> wallpaper() { return std::nullopt; }
    // The compositor's name and version, for messages.
    virtual std::string compositorName() { return {}; }
};

} // namespace zorvane::wayland
