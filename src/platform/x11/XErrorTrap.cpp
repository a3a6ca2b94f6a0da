// XErrorTrap: the X error handler and the scoped trap that records errors per query.
#include "platform/x11/XErrorTrap.h"

#include "platform/x11/X11Platform.h"

namespace zorvane::x11 {

namespace {
// Xlib calls its error handler as a plain C function with no user data, so the innermost open
// trap has to be reachable from here. Only the thread that owns the connection makes requests.
thread_local XErrorTrap* innermostTrap = nullptr;

// The connection is gone: Xlib may not be called again for it, so the process ends from here.
int handleIOError(Display*) {
    X11ConnectionLost();
}
} // namespace

int handleXError(Display* display, XErrorEvent* event) {
    for (XErrorTrap* trap = innermostTrap; trap != nullptr; trap = trap->previous_) {
        if (trap->display_ == display) {
            if (trap->errorCode_ == 0)
                trap->errorCode_ = event->error_code;
            break;
        }
    }
    return 0;
}

void installErrorHandler() {
    XSetErrorHandler(&handleXError);
    XSetIOErrorHandler(&handleIOError);
}

XErrorTrap::XErrorTrap(Display* display) : display_(display), previous_(innermostTrap) {
    // Set again for every trap: Qt's X11 plugin puts its own handler in place once it starts, and
    // with it a trap would see no error at all (a taken hot key would look grabbed).
    XSetErrorHandler(&handleXError);
    XSync(display_, False);
    innermostTrap = this;
}

XErrorTrap::~XErrorTrap() {
    if (!checked_)
        XSync(display_, False);
    innermostTrap = previous_;
}

bool XErrorTrap::failed() {
    XSync(display_, False);
    checked_ = true;
    return errorCode_ != 0;
}

} // namespace zorvane::x11
