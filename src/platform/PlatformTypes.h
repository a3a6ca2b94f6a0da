// PlatformTypes: the few window-system values and narrow interfaces that core code needs.
// The full platform interface (Platform.h) extends these; tests supply their own small fakes.
// No window-system header may be included here.
#pragma once

#include "image/CaptureImage.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zorvane {

// A top-level application window, as the backend names it (never a window manager's frame).
using WindowHandle = std::uint64_t;

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
    bool empty() const { return width() <= 0 || height() <= 0; }
};

// The smallest rectangle holding both; an empty one adds nothing.
inline Rect Unite(const Rect& a, const Rect& b) {
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    return Rect{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

// A point on the desktop, in device pixels from the root window's corner.
struct ScreenPoint {
    int x = 0;
    int y = 0;
};

// One monitor of the desktop: its name as the window system gives it, its place on the desktop in
// device pixels, and whether the desktop calls it the primary one.
struct Monitor {
    std::string name;
    Rect rect;
    bool primary = false;
};

// What placing a window picture on the screen needs: the screen's size, a window's rectangle on
// the screen (decorations included) and its region's bounding box. The platform's screen is the
// primary monitor with window places on the whole desktop; TMonitorScreen narrows it to one monitor.
class ScreenGeometry {
public:
    virtual ~ScreenGeometry() = default;
    virtual int screenWidth() const = 0;
    virtual int screenHeight() const = 0;
    // False when the window is gone.
    virtual bool windowRect(WindowHandle window, Rect& rect) const = 0;
    // The bounding box of the window's shape region, relative to the window's top-left corner;
    // false when the window has no region.
    virtual bool windowRegionBox(WindowHandle window, Rect& box) const = 0;
};

// Wallpaper layout styles, as the desktop reports them.
enum WallpaperStyle : int { wsCentre = 0, wsTile = 1, wsStretch = 2 };

// Where the desktop picture comes from.
struct WallpaperInfo {
    // The cache key: a wallpaper file, or a name that identifies a ready picture (a backend's own
    // name for the desktop's background picture). May be empty.
    std::string fileName;
    int style = wsCentre;
    // A ready picture of the desktop background from the screen's top-left corner (the platform's
    // covers the whole desktop); when present it is used as is.
    std::shared_ptr<const CaptureImage> picture;
    // The plain desktop colour, 0xRRGGBB, drawn where no wallpaper covers the screen.
    std::uint32_t desktopColor = 0x000000;
};

class WallpaperSource {
public:
    virtual ~WallpaperSource() = default;
    virtual WallpaperInfo wallpaperInfo() const = 0;
};

} // namespace zorvane
