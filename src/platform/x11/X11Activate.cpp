// X11Activate: restoring, minimising and activating other programs' windows, with bounded waits.
#include "platform/x11/X11PlatformImpl.h"
#include "platform/x11/XErrorTrap.h"

#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace zorvane::x11 {

namespace {

constexpr int kStateChangeMs = 1000; // a window manager answers in about 25 ms; allow for load
constexpr int kActivationMs = 500;
constexpr int kFallbackMs = 250;
constexpr int kPaintMs = 300;
constexpr int kReleaseMs = 500;

struct PropertyOn {
    Window window;
    Atom atom;
};

Bool isPropertyNotifyOn(Display*, XEvent* event, XPointer arg) {
    const auto* wanted = reinterpret_cast<const PropertyOn*>(arg);
    return event->type == PropertyNotify && event->xproperty.window == wanted->window &&
           event->xproperty.atom == wanted->atom;
}

struct DamageOn {
    int eventType;
    Drawable drawable;
};

Bool isDamageOn(Display*, XEvent* event, XPointer arg) {
    const auto* wanted = reinterpret_cast<const DamageOn*>(arg);
    return event->type == wanted->eventType &&
           reinterpret_cast<XDamageNotifyEvent*>(event)->drawable == wanted->drawable;
}

// Reports damage on one window while it lives, so a restore can wait for the first paint.
class DamageWatch {
public:
    DamageWatch(Display* display, Window window) : display_(display), window_(window) {
        int errorBase = 0;
        if (!XDamageQueryExtension(display_, &eventBase_, &errorBase))
            return;
        XErrorTrap trap(display_);
        damage_ = XDamageCreate(display_, window_, XDamageReportNonEmpty);
        if (trap.failed())
            damage_ = None;
    }
    ~DamageWatch() {
        if (damage_ != None) {
            XErrorTrap trap(display_);
            XDamageDestroy(display_, damage_);
        }
        // Drop the notifications this watch caused; nothing else listens for them.
        XEvent event;
        DamageOn wanted{eventBase_ + XDamageNotify, window_};
        while (damage_ != None &&
               XCheckIfEvent(display_, &event, isDamageOn, reinterpret_cast<XPointer>(&wanted))) {
        }
    }
    DamageWatch(const DamageWatch&) = delete;
    DamageWatch& operator=(const DamageWatch&) = delete;

    bool active() const { return damage_ != None; }
    bool damaged() {
        XEvent event;
        DamageOn wanted{eventBase_ + XDamageNotify, window_};
        return XCheckIfEvent(display_, &event, isDamageOn, reinterpret_cast<XPointer>(&wanted)) == True;
    }

private:
    Display* display_;
    Window window_;
    int eventBase_ = 0;
    Damage damage_ = None;
};

} // namespace

bool X11Platform::exists(Window window) const {
    XWindowAttributes attributes;
    return window != None && XGetWindowAttributes(display_, window, &attributes) != 0;
}

bool X11Platform::waitFor(int timeoutMs, const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        XSync(display_, False);
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

Time X11Platform::serverTime() {
    // A zero-length append changes nothing but makes the server send a PropertyNotify that
    // carries its current time, which the window manager's focus rules want to see.
    XChangeProperty(display_, helper_, atoms_.zorvaneTimestamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event;
    PropertyOn wanted{helper_, atoms_.zorvaneTimestamp};
    XIfEvent(display_, &event, isPropertyNotifyOn, reinterpret_cast<XPointer>(&wanted));
    return event.xproperty.time;
}

void X11Platform::sendNetActiveWindow(Window window, Time time) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atoms_.netActiveWindow;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // source: a pager-like tool acting for the user
    event.xclient.data.l[1] = static_cast<long>(time);
    event.xclient.data.l[2] = static_cast<long>(activeWindow());
    XErrorTrap trap(display_);
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

WindowHandle X11Platform::activeWindow() {
    if (hasWindowManager()) {
        const auto active = getCardinals(root_, atoms_.netActiveWindow, XA_WINDOW, 1);
        return active.empty() ? 0 : static_cast<WindowHandle>(active[0]);
    }
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    if (focus == None || focus == PointerRoot || focus == root_)
        return 0;
    return static_cast<WindowHandle>(findClient(frameOf(focus), 3) ? findClient(frameOf(focus), 3) : focus);
}

bool X11Platform::restoreWindow(WindowHandle window) {
    const auto handle = static_cast<Window>(window);
    if (!exists(handle))
        return false;
    DamageWatch damage(display_, handle);
    if (hasWindowManager()) {
        sendNetActiveWindow(handle, serverTime());
    } else {
        XErrorTrap trap(display_);
        XMapRaised(display_, handle);
    }
    const bool shown = waitFor(kStateChangeMs, [&] { return isViewable(handle) && !isIconic(handle); });
    if (shown && damage.active())
        waitFor(kPaintMs, [&] { return damage.damaged(); });
    return shown;
}

bool X11Platform::minimizeWindow(WindowHandle window) {
    const auto handle = static_cast<Window>(window);
    // The request goes to the root window, so a window that has gone raises no error: ask first.
    if (!exists(handle))
        return false;
    {
        XErrorTrap trap(display_);
        XIconifyWindow(display_, handle, screen_);
        if (trap.failed())
            return false;
    }
    return waitFor(kStateChangeMs,
                   [&] { return exists(handle) && (isIconic(handle) || !isViewable(handle)); });
}

bool X11Platform::ForceForegroundWindow(WindowHandle window) {
    const auto handle = static_cast<Window>(window);
    // The window manager may still name a window that has just gone as the active one.
    if (!exists(handle))
        return false;
    if (activeWindow() == window)
        return true;
    if (!showDesktopOf(handle))
        return false;
    if (isMinimised(handle, netWmState(handle)))
        restoreWindow(window);
    const Time time = serverTime();
    if (hasWindowManager()) {
        sendNetActiveWindow(handle, time);
        if (waitFor(kActivationMs, [&] { return activeWindow() == window; }))
            return true;
    }
    // The window manager did not act (or there is none): raise and focus it ourselves.
    {
        XErrorTrap trap(display_);
        const Window frame = frameOf(handle);
        if (frame != None)
            XRaiseWindow(display_, frame);
        XSetInputFocus(display_, handle, RevertToParent, time);
    }
    return waitFor(kFallbackMs, [&] { return activeWindow() == window; });
}

bool X11Platform::waitUntilReleased(WindowHandle ownWindow) {
    const auto handle = static_cast<Window>(ownWindow);
    // Seen unmapped here, the unmap has reached the window manager before anything we send next;
    // off its client list (or withdrawn), it has been dealt with.
    return waitFor(kReleaseMs, [&] {
        if (isViewable(handle))
            return false;
        if (!hasWindowManager())
            return true;
        const auto clients = getCardinals(root_, atoms_.netClientList, XA_WINDOW, 4096);
        const bool listed = std::find(clients.begin(), clients.end(), handle) != clients.end();
        return !listed && wmState(handle) != NormalState;
    });
}

} // namespace zorvane::x11
