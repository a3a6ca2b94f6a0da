// X11Platform: the connection, its extensions and event dispatch, plus the session services.
#include "platform/x11/X11Platform.h"

#include "platform/posix/PosixSession.h"
#include "platform/x11/X11Batch.h"
#include "platform/x11/X11PlatformImpl.h"
#include "platform/x11/XErrorTrap.h"

#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <unistd.h>

namespace zorvane {

std::unique_ptr<Platform> createX11Platform(const char* display, std::string& error) {
    return x11::X11Platform::open(display, error);
}

void ClaimX11ErrorHandlers() {
    x11::installErrorHandler();
}

void X11ConnectionLost() {
    // write() and _exit() only: the process may be anywhere inside Xlib or Qt when this runs.
    static constexpr char line[] = "zorvane: lost the connection to the X server\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line, sizeof line - 1);
    _exit(1);
}

namespace x11 {

void Atoms::intern(Display* display) {
    const char* names[] = {"_NET_CLIENT_LIST_STACKING",
                           "_NET_CLIENT_LIST",
                           "_NET_ACTIVE_WINDOW",
                           "_NET_SUPPORTING_WM_CHECK",
                           "_NET_WM_NAME",
                           "_NET_WM_STATE",
                           "_NET_WM_STATE_HIDDEN",
                           "_NET_WM_STATE_MAXIMIZED_VERT",
                           "_NET_WM_STATE_MAXIMIZED_HORZ",
                           "_NET_WM_STATE_SKIP_TASKBAR",
                           "_NET_WM_WINDOW_TYPE",
                           "_NET_WM_WINDOW_TYPE_NORMAL",
                           "_NET_WM_WINDOW_TYPE_DIALOG",
                           "_NET_WM_PID",
                           "WM_STATE",
                           "WM_CHANGE_STATE",
                           "UTF8_STRING",
                           "_XROOTPMAP_ID",
                           "_ZORVANE_TIMESTAMP",
                           "_ZORVANE_KEYS",
                           "_ZORVANE_KEYS_WINDOW"};
    Atom* targets[] = {&netClientListStacking, &netClientList,     &netActiveWindow,
                       &netSupportingWmCheck,  &netWmName,         &netWmState,
                       &netWmStateHidden,      &netWmStateMaxVert, &netWmStateMaxHorz,
                       &netWmStateSkipTaskbar, &netWmWindowType,   &netWmWindowTypeNormal,
                       &netWmWindowTypeDialog, &netWmPid,          &wmState,
                       &wmChangeState,         &utf8String,        &xrootpmapId,
                       &zorvaneTimestamp,      &zorvaneKeys,       &zorvaneKeysWindow};
    constexpr int count = sizeof names / sizeof names[0];
    static_assert(count == sizeof targets / sizeof targets[0]);
    Atom values[count];
    XInternAtoms(display, const_cast<char**>(names), count, False, values);
    for (int i = 0; i < count; ++i)
        *targets[i] = values[i];
}

std::unique_ptr<X11Platform> X11Platform::open(const char* displayName, std::string& error) {
    installErrorHandler();
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) {
        const char* shown = displayName != nullptr ? displayName : std::getenv("DISPLAY");
        error = std::string("Cannot open X display \"") + (shown != nullptr ? shown : "") + "\"";
        return nullptr;
    }
    return std::unique_ptr<X11Platform>(new X11Platform(display));
}

X11Platform::X11Platform(Display* display)
    : display_(display), screen_(DefaultScreen(display)), root_(RootWindow(display, screen_)) {
    atoms_.intern(display_);
    int event = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (XCompositeQueryExtension(display_, &event, &errorBase)) {
        major = 0;
        minor = 2;
        XCompositeQueryVersion(display_, &major, &minor);
        hasComposite_ = major > 0 || minor >= 2; // naming window pixmaps needs 0.2
    }
    if (hasComposite_)
        hasComposite_ = redirectTopLevels();
    Bool pixmaps = False;
    hasShm_ = XShmQueryVersion(display_, &major, &minor, &pixmaps) == True;
    useShm_ = hasShm_ && std::getenv("ZORVANE_NO_SHM") == nullptr;
    hasShape_ = XShapeQueryExtension(display_, &event, &errorBase) == True;
    hasRandr_ = XRRQueryExtension(display_, &event, &errorBase) == True;
    hasDamage_ = std::getenv("ZORVANE_NO_DAMAGE") == nullptr && startWatchingPictures();

    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    helper_ = XCreateWindow(display_, root_, -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, CWEventMask,
                            &attributes);
    // The process id on this connection's one window lets resource tools (xrestop) tell whose
    // connection it is.
    const long pid = static_cast<long>(getpid());
    XChangeProperty(display_, helper_, atoms_.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    refreshModifiers();
    XFlush(display_);
}

X11Platform::~X11Platform() {
    removeWinTabGrab();
    unregisterHotKey();
    if (publishing_) {
        const auto owner = getCardinals(root_, atoms_.zorvaneKeysWindow, XA_WINDOW, 1);
        if (!owner.empty() && owner[0] == helper_)
            XDeleteProperty(display_, root_, atoms_.zorvaneKeysWindow);
    }
    watchOnly({});
    shm_.reset();
    if (helper_ != None)
        XDestroyWindow(display_, helper_);
    XCloseDisplay(display_);
}

int X11Platform::connectionFd() const {
    return ConnectionNumber(display_);
}

void X11Platform::processPendingEvents() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        switch (event.type) {
        case KeyPress:
            handleKeyPress(event.xkey);
            break;
        case MappingNotify:
            XRefreshKeyboardMapping(&event.xmapping);
            if (event.xmapping.request != MappingPointer)
                keyboardMapChanged();
            break;
        default:
            handlePictureEvent(event);
            break;
        }
    }
}

void X11Platform::keyboardMapChanged() {
    // The server repeats the same map whenever input switches to another keyboard (XTest included),
    // and a Super+Tab pressed while the grab is dropped would reach the focused program: grab again
    // only when the Tab keycode or a modifier bit really moved.
    const unsigned int oldSuper = superMask_;
    const unsigned int oldNumLock = numLockMask_;
    const unsigned int oldScrollLock = scrollLockMask_;
    const unsigned int oldAlt = altMask_;
    refreshModifiers();
    const KeyCode tab = XKeysymToKeycode(display_, XK_Tab);
    const bool moved = superMask_ != oldSuper || numLockMask_ != oldNumLock ||
                       scrollLockMask_ != oldScrollLock || altMask_ != oldAlt ||
                       tabKeycodes_ != std::vector<KeyCode>{tab};
    const WinTabHandler winTab = winTabHandler_;
    if (!winTab || !moved)
        return;
    // Release with the bits the grabs were made with, then grab with the new ones.
    const unsigned int newSuper = superMask_;
    const unsigned int newNumLock = numLockMask_;
    const unsigned int newScrollLock = scrollLockMask_;
    const unsigned int newAlt = altMask_;
    superMask_ = oldSuper;
    numLockMask_ = oldNumLock;
    scrollLockMask_ = oldScrollLock;
    altMask_ = oldAlt;
    removeWinTabGrab();
    superMask_ = newSuper;
    numLockMask_ = newNumLock;
    scrollLockMask_ = newScrollLock;
    altMask_ = newAlt;
    installWinTabGrab(winTab);
}

void X11Platform::setWallpaperFallback(const std::string& fileName, int style, std::uint32_t desktopColor) {
    wallpaperFile_ = fileName;
    wallpaperStyle_ = style;
    desktopColor_ = desktopColor & 0xFFFFFF;
    desktopColorSet_ = true;
}

std::string X11Platform::sessionDisplayName() const {
    return DisplayString(display_);
}

} // namespace x11
} // namespace zorvane
