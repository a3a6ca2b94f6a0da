// SwaySource: the window source of sway, through its IPC: every window with its rectangle,
// workspace and output (Xwayland ones too), most recently focused first; activation and closing by
// container id; key bindings made at run time; the wallpaper of sway's configuration.
#pragma once

#include "platform/wayland/SwayConfig.h"
#include "platform/wayland/SwayIpc.h"
#include "platform/wayland/SwayTree.h"
#include "platform/wayland/WindowSource.h"

#include <memory>

namespace zorvane::wayland {

class WaylandDisplay;

// Sway's window in desktop device pixels: its rectangle with the title bar sway draws above it,
// times its output's scale. `scale`: the output's (the focused one's for scratchpad windows).
Rect SwayWindowDeviceRect(const SwayWindow& window, int scale);

// Sway's wallpaper modes in the three layouts the desktop texture knows.
int SwayWallpaperStyle(const std::string& mode);

class SwaySource : public WindowSource {
public:
    // Null when $SWAYSOCK is not set or does not answer.
    static std::unique_ptr<SwaySource> Connect(WaylandDisplay& display);
    SwaySource(WaylandDisplay& display, std::unique_ptr<SwayIpc> ipc);

    std::string name() const override { return "sway IPC"; }
    std::vector<WindowRecord> windows() override;
    WindowHandle activeWindow() override;
    bool activate(WindowHandle window) override;
    bool close(WindowHandle window) override;
    bool minimize(WindowHandle window) override;
    bool restore(WindowHandle window) override;
    int desktopCount() override;
    long currentDesktop() override;
    std::string focusedOutput() override;
    int eventFd() const override;
    int processEvents() override;
    std::optional<KeyBindResult> bindKey(const std::string& combo, const std::string& command) override;
    void unbindKey(const std::string& combo) override;
    std::vector<std::string> takeRunBindings() override;
    std::string bindingReport() override;
    std::optional<WallpaperInfo> wallpaper() override;
    std::string compositorName() override;

private:
    // A fresh tree (and the workspace numbers learnt from it); false when sway did not answer.
    bool refreshTree();
    int scaleOf(const std::string& output) const;
    std::string focusedOutputName() const;

    WaylandDisplay& display_;
    std::unique_ptr<SwayIpc> ipc_;
    SwayTree tree_;
    FocusOrder focusOrder_;
    std::vector<std::string> workspaces_; // in sway's order: the numbers of windowDesktop
    std::vector<std::string> runBindings_;
};

} // namespace zorvane::wayland
