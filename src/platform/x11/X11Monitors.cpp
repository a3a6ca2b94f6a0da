// X11Monitors: the desktop's monitors (RandR 1.5 monitors, else RandR outputs, else Xinerama
// screens, else the root window), the pointer's place, and the primary monitor's size.
#include "platform/x11/X11PlatformImpl.h"
#include "platform/x11/XErrorTrap.h"

#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>

namespace zorvane::x11 {

namespace {

Rect RectAt(int x, int y, int width, int height) {
    return Rect{x, y, x + width, y + height};
}

std::string AtomName(Display* display, Atom atom) {
    if (atom == None)
        return {};
    char* name = XGetAtomName(display, atom);
    std::string result = name != nullptr ? name : "";
    if (name != nullptr)
        XFree(name);
    return result;
}

bool RandrAtLeast(Display* display, int major, int minor) {
    int haveMajor = 0, haveMinor = 0;
    if (XRRQueryVersion(display, &haveMajor, &haveMinor) == 0)
        return false;
    return haveMajor > major || (haveMajor == major && haveMinor >= minor);
}

// RandR 1.5 monitors: what the desktop itself calls monitors, xrandr --setmonitor included.
std::vector<Monitor> RandrMonitors(Display* display, Window root) {
    std::vector<Monitor> result;
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, root, True, &count);
    if (monitors == nullptr)
        return result;
    for (int i = 0; i < count; ++i) {
        const XRRMonitorInfo& m = monitors[i];
        result.push_back({AtomName(display, m.name), RectAt(m.x, m.y, m.width, m.height), m.primary != 0});
    }
    XRRFreeMonitors(monitors);
    return result;
}

// RandR outputs that drive a CRTC, named by their output.
std::vector<Monitor> RandrOutputs(Display* display, Window root) {
    std::vector<Monitor> result;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (resources == nullptr)
        return result;
    const RROutput primary = XRRGetOutputPrimary(display, root);
    for (int i = 0; i < resources->noutput; ++i) {
        XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
        if (output == nullptr)
            continue;
        if (output->crtc != None && output->connection != RR_Disconnected) {
            if (XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, output->crtc)) {
                if (crtc->width > 0 && crtc->height > 0)
                    result.push_back({std::string(output->name, static_cast<std::size_t>(output->nameLen)),
                                      RectAt(crtc->x, crtc->y, static_cast<int>(crtc->width),
                                             static_cast<int>(crtc->height)),
                                      resources->outputs[i] == primary});
                XRRFreeCrtcInfo(crtc);
            }
        }
        XRRFreeOutputInfo(output);
    }
    XRRFreeScreenResources(resources);
    return result;
}

// Xinerama screens; the first is the primary one by convention.
std::vector<Monitor> XineramaScreens(Display* display) {
    std::vector<Monitor> result;
    int eventBase = 0, errorBase = 0;
    if (!XineramaQueryExtension(display, &eventBase, &errorBase) || !XineramaIsActive(display))
        return result;
    int count = 0;
    XineramaScreenInfo* screens = XineramaQueryScreens(display, &count);
    if (screens == nullptr)
        return result;
    for (int i = 0; i < count; ++i)
        result.push_back({"screen " + std::to_string(screens[i].screen_number),
                          RectAt(screens[i].x_org, screens[i].y_org, screens[i].width, screens[i].height),
                          i == 0});
    XFree(screens);
    return result;
}

} // namespace

std::vector<Monitor> X11Platform::monitors() const {
    std::vector<Monitor> result;
    {
        XErrorTrap trap(display_);
        if (hasRandr_ && RandrAtLeast(display_, 1, 5))
            result = RandrMonitors(display_, root_);
        if (result.empty() && hasRandr_)
            result = RandrOutputs(display_, root_);
        if (result.empty())
            result = XineramaScreens(display_);
        if (trap.failed())
            result.clear();
    }
    result.erase(
        std::remove_if(result.begin(), result.end(), [](const Monitor& m) { return m.rect.empty(); }),
        result.end());
    if (result.empty())
        result.push_back({"screen",
                          RectAt(0, 0, DisplayWidth(display_, screen_), DisplayHeight(display_, screen_)),
                          true});
    return result;
}

std::optional<ScreenPoint> X11Platform::pointerPosition() {
    Window rootReturn = None, child = None;
    int rootX = 0, rootY = 0, winX = 0, winY = 0;
    unsigned int mask = 0;
    XErrorTrap trap(display_);
    // False: the pointer is on another screen of this display.
    if (!XQueryPointer(display_, root_, &rootReturn, &child, &rootX, &rootY, &winX, &winY, &mask) ||
        trap.failed())
        return std::nullopt;
    return ScreenPoint{rootX, rootY};
}

Rect X11Platform::primaryMonitor() const {
    const std::vector<Monitor> all = monitors();
    const auto primary = std::find_if(all.begin(), all.end(), [](const Monitor& m) { return m.primary; });
    return (primary != all.end() ? *primary : all.front()).rect;
}

int X11Platform::screenWidth() const {
    return primaryMonitor().width();
}

int X11Platform::screenHeight() const {
    return primaryMonitor().height();
}

} // namespace zorvane::x11
