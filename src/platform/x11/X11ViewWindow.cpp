// X11ViewWindow: how the switcher's view is shown on X11 — kept mapped off every monitor, outside
// the window manager (override-redirect) — and whether its picture, not its drawing, reaches the screen.
#include "platform/x11/X11PlatformImpl.h"

#include <cstdlib>
#include <string>

namespace zorvane::x11 {

ViewShowing X11Platform::viewShowing() {
    // ZORVANE_VIEW_SHOW_HIDE=1 maps and unmaps the view through the window manager at each showing,
    // the way a window system that cannot keep it ready does (for comparison and benchmarks).
    const char* plain = std::getenv("ZORVANE_VIEW_SHOW_HIDE");
    return plain && std::string(plain) == "1" ? ViewShowing::vsShowHide : ViewShowing::vsKeepReady;
}

bool X11Platform::viewComposited() {
    // Redirected by this process with every other top-level window, or by a compositing manager.
    if (hasComposite_)
        return true;
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen_);
    const Atom selection = XInternAtom(display_, name.c_str(), False);
    return XGetSelectionOwner(display_, selection) != None;
}

} // namespace zorvane::x11
