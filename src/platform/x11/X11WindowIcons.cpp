// X11WindowIcons: a window's application icon (_NET_WM_ICON, else the WM_HINTS icon pixmap) and
// the polite close request (_NET_CLOSE_WINDOW, else WM_DELETE_WINDOW; never a kill).
#include "platform/x11/X11PlatformImpl.h"
#include "platform/x11/XErrorTrap.h"

#include <algorithm>

namespace zorvane::x11 {

namespace {

// Enough for a 512 x 512 picture plus the smaller sizes that usually come with it; a longer
// property is read cut short, and the parser drops the picture that the cut ends.
constexpr long kIconLongs = 512 * 512 + 4 * 128 * 128;
// An icon pixmap larger than this is not an icon.
constexpr unsigned kMaxPixmapSide = 512;

struct XImageDeleter {
    void operator()(XImage* image) const {
        if (image != nullptr)
            XDestroyImage(image);
    }
};
using XImagePtr = std::unique_ptr<XImage, XImageDeleter>;

struct WmHintsDeleter {
    void operator()(XWMHints* hints) const {
        if (hints != nullptr)
            XFree(hints);
    }
};

// One channel of a pixel by its visual mask, widened to 8 bits.
std::uint32_t channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0)
        return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0)
        ++shift;
    const unsigned long value = (pixel & mask) >> shift;
    const unsigned long top = mask >> shift;
    return static_cast<std::uint32_t>(value * 255 / top);
}

} // namespace

std::optional<TIconImage> X11Platform::windowIcon(WindowHandle window, int wanted) {
    const auto handle = static_cast<Window>(window);
    const Atom netWmIcon = XInternAtom(display_, "_NET_WM_ICON", False);
    if (auto value = getProperty(handle, netWmIcon, XA_CARDINAL, kIconLongs); value && value->format == 32) {
        // Xlib hands format-32 items over as longs, 64 bits wide here: the value is the low half.
        std::vector<std::uint32_t> items(value->longs.size());
        std::transform(value->longs.begin(), value->longs.end(), items.begin(),
                       [](unsigned long item) { return static_cast<std::uint32_t>(item); });
        if (auto icon = ParseNetWmIcon(items, wanted))
            return icon;
    }
    return hintsIcon(handle);
}

std::optional<TIconImage> X11Platform::hintsIcon(Window window) {
    XErrorTrap trap(display_);
    const std::unique_ptr<XWMHints, WmHintsDeleter> hints(XGetWMHints(display_, window));
    if (!hints || !(hints->flags & IconPixmapHint) || hints->icon_pixmap == None)
        return std::nullopt;
    const auto geometry = GetGeometry(display_, hints->icon_pixmap);
    if (!geometry || geometry->width == 0 || geometry->height == 0 || geometry->width > kMaxPixmapSide ||
        geometry->height > kMaxPixmapSide)
        return std::nullopt;
    const unsigned width = geometry->width;
    const unsigned height = geometry->height;
    XImagePtr picture(XGetImage(display_, hints->icon_pixmap, 0, 0, width, height, AllPlanes, ZPixmap));
    if (!picture || trap.failed())
        return std::nullopt;
    XImagePtr mask;
    if ((hints->flags & IconMaskHint) && hints->icon_mask != None) {
        const auto maskGeometry = GetGeometry(display_, hints->icon_mask);
        if (maskGeometry && maskGeometry->width >= width && maskGeometry->height >= height)
            mask.reset(XGetImage(display_, hints->icon_mask, 0, 0, width, height, 1, XYPixmap));
        if (trap.failed())
            mask.reset();
    }
    Visual* visual = DefaultVisual(display_, screen_);
    TIconImage icon;
    icon.Width = static_cast<int>(width);
    icon.Height = static_cast<int>(height);
    icon.Argb.resize(static_cast<std::size_t>(width) * height);
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(picture.get(), static_cast<int>(x), static_cast<int>(y));
            std::uint32_t rgb = 0;
            if (geometry->depth == 1) {
                // A bitmap icon: set bits are the foreground, drawn black on white.
                rgb = pixel ? 0x000000 : 0xFFFFFF;
            } else {
                rgb = channel(pixel, visual->red_mask) << 16 | channel(pixel, visual->green_mask) << 8 |
                      channel(pixel, visual->blue_mask);
            }
            const bool opaque = !mask || XGetPixel(mask.get(), static_cast<int>(x), static_cast<int>(y)) != 0;
            icon.Argb[static_cast<std::size_t>(y) * width + x] = (opaque ? 0xFF000000u : 0u) | rgb;
        }
    }
    return icon;
}

bool X11Platform::requestClose(WindowHandle window) {
    const auto handle = static_cast<Window>(window);
    if (handle == None || !exists(handle))
        return false;
    XErrorTrap trap(display_);
    const Atom netCloseWindow = XInternAtom(display_, "_NET_CLOSE_WINDOW", False);
    const Atom netSupported = XInternAtom(display_, "_NET_SUPPORTED", False);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = handle;
    event.xclient.format = 32;
    const auto supported = getCardinals(root_, netSupported, XA_ATOM, 4096);
    if (hasWindowManager() &&
        std::find(supported.begin(), supported.end(), netCloseWindow) != supported.end()) {
        // The window manager closes it as its own close button does (and may ask first).
        event.xclient.message_type = netCloseWindow;
        event.xclient.data.l[0] = static_cast<long>(serverTime());
        event.xclient.data.l[1] = 2; // source: a pager-like tool acting for the user
        XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        return !trap.failed();
    }
    Atom* protocols = nullptr;
    int count = 0;
    bool deletable = false;
    const Atom wmDeleteWindow = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    if (XGetWMProtocols(display_, handle, &protocols, &count) && protocols != nullptr) {
        deletable = std::find(protocols, protocols + count, wmDeleteWindow) != protocols + count;
        XFree(protocols);
    }
    if (!deletable)
        return false;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.data.l[0] = static_cast<long>(wmDeleteWindow);
    event.xclient.data.l[1] = static_cast<long>(serverTime());
    XSendEvent(display_, handle, False, NoEventMask, &event);
    return !trap.failed();
}

} // namespace zorvane::x11
