// MonitorScreen: the choice of the view's monitor and the desktop narrowed to it.
#include "windows/MonitorScreen.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zorvane {

namespace {

bool Holds(const Rect& rect, const ScreenPoint& point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

// Squared distance from the point to the nearest pixel of the rectangle.
long long DistanceSquared(const Rect& rect, const ScreenPoint& point) {
    const long long dx = point.x < rect.left     ? rect.left - point.x
                         : point.x >= rect.right ? point.x - rect.right + 1
                                                 : 0;
    const long long dy = point.y < rect.top       ? rect.top - point.y
                         : point.y >= rect.bottom ? point.y - rect.bottom + 1
                                                  : 0;
    return dx * dx + dy * dy;
}

const Monitor& Primary(const std::vector<Monitor>& monitors) {
    const auto primary =
        std::find_if(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; });
    return primary != monitors.end() ? *primary : monitors.front();
}

} // namespace

Monitor ChooseMonitor(const std::vector<Monitor>& monitors, std::optional<ScreenPoint> pointer, int choice) {
    if (monitors.empty())
        return {};
    if (choice == mcPrimary || !pointer)
        return Primary(monitors);
    const Monitor* best = nullptr;
    long long bestDistance = std::numeric_limits<long long>::max();
    for (const Monitor& monitor : monitors) {
        if (monitor.rect.empty())
            continue;
        if (Holds(monitor.rect, *pointer)) {
            // Mirrored monitors hold the same spot: the primary wins, else the first listed.
            if (best == nullptr || bestDistance > 0 || (monitor.primary && !best->primary))
                best = &monitor;
            bestDistance = 0;
            continue;
        }
        const long long distance = DistanceSquared(monitor.rect, *pointer);
        if (distance < bestDistance) {
            best = &monitor;
            bestDistance = distance;
        }
    }
    return best != nullptr ? *best : Primary(monitors);
}

TMonitorScreen::TMonitorScreen(const ScreenGeometry& desktop, const WallpaperSource& wallpaper,
                               const Rect& monitor)
    : desktop_(desktop), wallpaper_(wallpaper), monitor_(monitor) {}

bool TMonitorScreen::windowRect(WindowHandle window, Rect& rect) const {
    if (!desktop_.windowRect(window, rect))
        return false;
    rect = Rect{rect.left - monitor_.left, rect.top - monitor_.top, rect.right - monitor_.left,
                rect.bottom - monitor_.top};
    return true;
}

bool TMonitorScreen::windowRegionBox(WindowHandle window, Rect& box) const {
    return desktop_.windowRegionBox(window, box);
}

WallpaperInfo TMonitorScreen::wallpaperInfo() const {
    WallpaperInfo info = wallpaper_.wallpaperInfo();
    if (!info.picture || monitor_.empty() || (monitor_.left == 0 && monitor_.top == 0))
        return info; // a picture drawn from the corner already shows this monitor's part first
    const CaptureImage& whole = *info.picture;
    auto part = std::make_shared<CaptureImage>(monitor_.width(), monitor_.height());
    part->fill(info.desktopColor);
    const int x0 = std::max(monitor_.left, 0), x1 = std::min(monitor_.right, whole.width());
    const int y0 = std::max(monitor_.top, 0), y1 = std::min(monitor_.bottom, whole.height());
    for (int y = y0; x0 < x1 && y < y1; ++y)
        std::memcpy(part->row(y - monitor_.top) +
                        static_cast<std::size_t>(x0 - monitor_.left) * CaptureImage::kBytesPerPixel,
                    whole.row(y) + static_cast<std::size_t>(x0) * CaptureImage::kBytesPerPixel,
                    static_cast<std::size_t>(x1 - x0) * CaptureImage::kBytesPerPixel);
    info.picture = std::move(part);
    return info;
}

} // namespace zorvane
