// XErrorTrap: one process-wide X error handler plus a scoped trap, so that a request on a window
// that has vanished fails that one query instead of ending the program.
#pragma once

#include <X11/Xlib.h>

namespace zorvane::x11 {

// Installs the error handler and the connection-lost handler. Errors outside any trap are dropped
// silently: a vanished window is normal on a live desktop, not a reason to stop. Xlib keeps one
// handler per process, and other users of Xlib in the process (Qt's own connection) install theirs
// when they connect, so this runs again after them and before every trap.
void installErrorHandler();

// Errors raised by requests made while the trap lives are recorded here. The constructor syncs
// so that older errors are not blamed on this trap; failed() syncs so that the replies are in.
class XErrorTrap {
public:
    explicit XErrorTrap(Display* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Requests made after failed() and before the trap ends must be checked again with failed().
    bool failed();
    int errorCode() const { return errorCode_; }

private:
    friend int handleXError(Display*, XErrorEvent*);
    Display* display_;
    XErrorTrap* previous_;
    int errorCode_ = 0;
    bool checked_ = false;
};

} // namespace zorvane::x11
