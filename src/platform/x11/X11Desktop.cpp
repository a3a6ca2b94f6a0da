// X11Desktop: the desktop background picture.
#include "platform/x11/X11PlatformImpl.h"
#include "platform/x11/XErrorTrap.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace zorvane::x11 {

namespace {

// A bare X server shows the root's own plain background (xsetroot -solid) and names no picture for
// it: read that colour where no mapped window covers the root. Nothing when every spot is covered.
std::optional<std::uint32_t> uncoveredRootColour(Display* display, Window root, int screenW, int screenH) {
    struct Box {
        int left, top, right, bottom;
    };
    std::vector<Box> covered;
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) == 0)
        return std::nullopt;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) == 0 ||
            attributes.map_state != IsViewable || attributes.c_class != InputOutput)
            continue;
        const int border = 2 * attributes.border_width;
        covered.push_back({attributes.x, attributes.y, attributes.x + attributes.width + border,
                           attributes.y + attributes.height + border});
    }
    if (children != nullptr)
        XFree(children);

    // A coarse grid of spots, corners first: a desktop almost always shows somewhere near them.
    constexpr int kSteps = 16;
    std::vector<std::pair<int, int>> spots = {
        {0, 0}, {screenW - 1, 0}, {0, screenH - 1}, {screenW - 1, screenH - 1}};
    for (int gy = 0; gy <= kSteps; ++gy)
        for (int gx = 0; gx <= kSteps; ++gx)
            spots.emplace_back(std::min(screenW - 1, gx * screenW / kSteps),
                               std::min(screenH - 1, gy * screenH / kSteps));
    for (const auto& [x, y] : spots) {
        const bool hidden = std::any_of(covered.begin(), covered.end(), [x = x, y = y](const Box& box) {
            return x >= box.left && x < box.right && y >= box.top && y < box.bottom;
        });
        if (hidden)
            continue;
        XImage* spot = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
        if (spot == nullptr)
            return std::nullopt;
        const unsigned long pixel = XGetPixel(spot, 0, 0);
        XDestroyImage(spot);
        return static_cast<std::uint32_t>(pixel & 0xFFFFFF);
    }
    return std::nullopt;
}

} // namespace

WallpaperInfo X11Platform::wallpaperInfo() const {
    WallpaperInfo info;
    info.desktopColor = desktopColor_;
    const auto ids = getCardinals(root_, atoms_.xrootpmapId, XA_PIXMAP, 1);
    if (!ids.empty() && ids[0] != None) {
        const auto pixmap = static_cast<Pixmap>(ids[0]);
        // A stale id (its setter has exited) fails here and falls through to the settings.
        XErrorTrap trap(display_);
        // Read as the default TrueColor layout (8 bits a channel, red highest), which is what
        // every depth-24 root carries.
        const Visual* visual = DefaultVisual(display_, screen_);
        const bool layoutKnown =
            visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;
        const auto geometry = layoutKnown ? GetGeometry(display_, pixmap) : std::nullopt;
        const unsigned int width = geometry ? geometry->width : 0;
        const unsigned int height = geometry ? geometry->height : 0;
        const bool valid = width > 0 && height > 0 &&
                           geometry->depth == static_cast<unsigned int>(DefaultDepth(display_, screen_));
        if (valid) {
            // The whole desktop: each monitor shows its own part of it.
            const int screenW = DisplayWidth(display_, screen_);
            const int screenH = DisplayHeight(display_, screen_);
            const int readW = std::min(static_cast<int>(width), screenW);
            const int readH = std::min(static_cast<int>(height), screenH);
            XImage* read = XGetImage(display_, pixmap, 0, 0, static_cast<unsigned int>(readW),
                                     static_cast<unsigned int>(readH), AllPlanes, ZPixmap);
            if (read != nullptr && !trap.failed()) {
                auto picture = std::make_shared<CaptureImage>(screenW, screenH);
                // The root background tiles from the screen's corner, as the server draws it.
                for (int sy = 0; sy < screenH; ++sy) {
                    std::uint8_t* out = picture->row(sy);
                    const int ty = sy % readH;
                    for (int sx = 0; sx < screenW; ++sx) {
                        const unsigned long pixel = XGetPixel(read, sx % readW, ty);
                        out[4 * sx] = static_cast<std::uint8_t>(pixel);
                        out[4 * sx + 1] = static_cast<std::uint8_t>(pixel >> 8);
                        out[4 * sx + 2] = static_cast<std::uint8_t>(pixel >> 16);
                    }
                }
                XDestroyImage(read);
                char name[48];
                std::snprintf(name, sizeof name, "_XROOTPMAP_ID:0x%lx", static_cast<unsigned long>(pixmap));
                info.fileName = name;
                info.style = wsCentre;
                info.picture = std::move(picture);
                return info;
            }
            if (read != nullptr)
                XDestroyImage(read);
        }
    }
    info.fileName = wallpaperFile_;
    info.style = wallpaperStyle_;
    if (!desktopColorSet_ && wallpaperFile_.empty()) {
        const Visual* visual = DefaultVisual(display_, screen_);
        if (visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF) {
            XErrorTrap trap(display_);
            const auto colour = uncoveredRootColour(display_, root_, DisplayWidth(display_, screen_),
                                                    DisplayHeight(display_, screen_));
            if (colour && !trap.failed())
                info.desktopColor = *colour;
        }
    }
    return info;
}

} // namespace zorvane::x11
