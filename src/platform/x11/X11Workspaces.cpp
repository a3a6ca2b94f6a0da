// X11Workspaces: the window manager's workspaces (EWMH desktops), which window is on which, and
// what counts as minimised where a window on another workspace also reads as iconic.
#include "platform/x11/X11PlatformImpl.h"
#include "platform/x11/XErrorTrap.h"

#include <algorithm>

namespace zorvane::x11 {

namespace {

constexpr int kSwitchMs = 1000; // openbox switches within a few milliseconds; allow for load

// Format-32 items arrive as longs; a CARDINAL 0xFFFFFFFF must not become a negative or 64-bit value.
long Cardinal32(unsigned long value) {
    return static_cast<long>(value & 0xFFFFFFFFul);
}

} // namespace

int X11Platform::desktopCount() {
    if (!hasWindowManager())
        return 0;
    const auto count =
        getCardinals(root_, XInternAtom(display_, "_NET_NUMBER_OF_DESKTOPS", False), XA_CARDINAL, 1);
    return count.empty() ? 0 : static_cast<int>(std::min(Cardinal32(count[0]), 1L << 16));
}

long X11Platform::currentDesktop() {
    if (!hasWindowManager())
        return -1;
    const auto current =
        getCardinals(root_, XInternAtom(display_, "_NET_CURRENT_DESKTOP", False), XA_CARDINAL, 1);
    return current.empty() ? -1 : Cardinal32(current[0]);
}

long X11Platform::windowDesktop(WindowHandle window) {
    if (!hasWindowManager())
        return -1;
    const auto desktop = getCardinals(static_cast<Window>(window),
                                      XInternAtom(display_, "_NET_WM_DESKTOP", False), XA_CARDINAL, 1);
    return desktop.empty() ? -1 : Cardinal32(desktop[0]);
}

bool X11Platform::announcesHidden() const {
    if (!hasWindowManager())
        return false;
    const auto supported = getCardinals(root_, XInternAtom(display_, "_NET_SUPPORTED", False), XA_ATOM, 4096);
    return std::find(supported.begin(), supported.end(), atoms_.netWmStateHidden) != supported.end();
}

bool X11Platform::isMinimised(Window window, const std::vector<Atom>& states) const {
    if (std::find(states.begin(), states.end(), atoms_.netWmStateHidden) != states.end())
        return true;
    // Asked only of an iconic window without the state: the root's list costs a round trip.
    return wmState(window) == IconicState && !announcesHidden();
}

bool X11Platform::isAwayOnOtherDesktop(Window window) {
    const long desktop = windowDesktop(static_cast<WindowHandle>(window));
    if (desktop < 0 || desktop == kAllDesktops || desktop == currentDesktop())
        return false;
    return mapState(window) == IsUnviewable;
}

bool X11Platform::showDesktopOf(Window window) {
    const long desktop = windowDesktop(static_cast<WindowHandle>(window));
    const long current = currentDesktop();
    if (desktop < 0 || desktop == kAllDesktops || current < 0 || desktop == current)
        return true;
    // Activating a window on another workspace only flags it (openbox): the user goes there first.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = root_;
    event.xclient.message_type = XInternAtom(display_, "_NET_CURRENT_DESKTOP", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = desktop;
    event.xclient.data.l[1] = static_cast<long>(serverTime());
    {
        XErrorTrap trap(display_);
        XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    }
    return waitFor(kSwitchMs, [&] { return currentDesktop() == desktop; });
}

} // namespace zorvane::x11
