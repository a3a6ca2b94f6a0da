// MonitorScreen: which monitor the view opens on, and the desktop as seen from that monitor: its
// size is the screen's size, window places are relative to its corner (so a window on another
// monitor lies beyond that edge), and the desktop picture is its part of the whole desktop's.
#pragma once

#include "platform/PlatformTypes.h"

#include <optional>
#include <vector>

namespace zorvane {

// The stored value `Monitor`: where the view opens.
enum TMonitorChoice : int {
    mcPointer = 0, // the monitor that holds the mouse pointer (the default)
    mcPrimary = 1, // the primary monitor
};

// mcPrimary: the primary monitor, else the first. Any other choice: the monitor holding the
// pointer (the primary among several that overlap there, else the first; the nearest when the
// pointer is on none), else the primary. An empty list gives a monitor with an empty rectangle.
Monitor ChooseMonitor(const std::vector<Monitor>& monitors, std::optional<ScreenPoint> pointer, int choice);

class TMonitorScreen final : public ScreenGeometry, public WallpaperSource {
public:
    // Both references must outlive this object.
    TMonitorScreen(const ScreenGeometry& desktop, const WallpaperSource& wallpaper, const Rect& monitor);

    int screenWidth() const override { return monitor_.width(); }
    int screenHeight() const override { return monitor_.height(); }
    bool windowRect(WindowHandle window, Rect& rect) const override;
    bool windowRegionBox(WindowHandle window, Rect& box) const override;
    WallpaperInfo wallpaperInfo() const override;

private:
    const ScreenGeometry& desktop_;
    const WallpaperSource& wallpaper_;
    Rect monitor_;
};

} // namespace zorvane
