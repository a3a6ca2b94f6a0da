// frmOpenGLShowing: how the view comes onto its monitor and leaves it, the way the platform says
// (ViewShowing): shown and hidden at each showing, or kept ready off every monitor and moved in.
#include "effects/unitEffect.h"
#include "platform/Platform.h"
#include "view/ViewScale.h"
#include "view/frmOpenGL.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QOpenGLContext>

namespace zorvane {

namespace {

// Logical pixels between a parked view and the desktop's corner.
constexpr int kParkGap = 64;

} // namespace

bool TOpenGLForm::IsActive() const {
    return FKeepReady ? FShowing : isVisible();
}

bool TOpenGLForm::CanOpen() const {
    return !IsActive() && !FClosing && FDeferredEffects.empty();
}

void TOpenGLForm::SetActive(bool value) {
    if (value == IsActive())
        return;
    if (value) {
        if (!CanOpen())
            return;
        FMonitor = ChooseViewMonitor(FOwner.ReadViewSettings());
        OnShow();
        if (FPreparing)
            return;
        ShowView();
        FShownAt = MonotonicMilliseconds();
        Trace("view-shown " + std::to_string(FMonitor.width()) + "x" + std::to_string(FMonitor.height()) +
              "+" + std::to_string(FMonitor.left) + "+" + std::to_string(FMonitor.top));
        return;
    }
    if (FClosing)
        return; // a second close from inside the first one's animation
    FClosing = true;
    try {
        OnHide();
    } catch (...) {
        // Whatever failed, the view still goes away.
    }
    HideView();
    FClosing = false;
    FPinned = false;
    FHeldKeys = THeldKeys::hkLeftSuper;
    Trace("view-hidden");
}

void TOpenGLForm::ShowHeld(THeldKeys keys) {
    if (!CanOpen())
        return;
    FHeldKeys = keys;
    SetActive(true);
    if (!IsActive())
        FHeldKeys = THeldKeys::hkLeftSuper;
}

bool TOpenGLForm::HeldKeysDown() const {
    if (!FPlatform.readsKeyboardState()) {
        // With the keyboard's focus, the window system keeps the view told of the modifiers
        // (a Super let go while the view was busy included); before it, Super counts as held.
        if (FSuperHeld && isActive() && !(QGuiApplication::queryKeyboardModifiers() & Qt::MetaModifier))
            return false;
        return FSuperHeld;
    }
    return FHeldKeys == THeldKeys::hkHotKeyModifiers ? FPlatform.hotKeyModifiersDown()
                                                     : FPlatform.isLeftSuperDown();
}

void TOpenGLForm::ShowPinned() {
    SetActive(true);
    if (!IsActive())
        return;
    FPinned = true;
    if (FEffect)
        FEffect->StayOpen();
}

void TOpenGLForm::ShowView() {
    FSuperHeld = true;
    FClosePending = false;
    FPlaceholderAt = 0;
    if (!FKeepReady) {
        PlaceOnMonitor();
        if (FPlatform.canPlaceWindows()) {
            show();
        } else {
            // The window system places it: full screen on its monitor's screen. Shown again, the
            // window has a new surface, which the context binds only when made current anew.
            showFullScreen();
            if (FContextReady)
                FRC->doneCurrent();
        }
        raise();
        TakeKeys();
        return;
    }
    FShowing = true;
    // Under a compositing manager the view's picture still holds the last showing's last frame:
    // it is moved in only once the first frame of this one is in it.
    FPlaceAfterFirstFrame = FPlatform.viewComposited();
    if (FPlaceAfterFirstFrame || !isVisible())
        ParkView();
    if (!FPlaceAfterFirstFrame)
        PlaceOnMonitor();
    // The viewport follows at once: the first frame is drawn before the server's answer comes back.
    FormResize();
    raise();
    TakeKeys();
}

void TOpenGLForm::HideView() {
    setKeyboardGrabEnabled(false);
    FKeyboardGrabbed = false;
    if (!FKeepReady) {
        hide();
        return;
    }
    if (!FShowing)
        return;
    FShowing = false;
    FPlaceAfterFirstFrame = false;
    ParkView();
}

void TOpenGLForm::ParkView() {
    // The monitor's size, off every monitor: the next showing on a monitor of that size is only a move.
    QRect parked = LogicalGeometry(FMonitor);
    parked.moveTopLeft(QPoint(-parked.width() - kParkGap, -parked.height() - kParkGap));
    setGeometry(parked);
    if (!isVisible())
        show();
}

void TOpenGLForm::TakeKeys() {
    if (!FKeepReady) {
        requestActivate();
        // Keys reach the view even when the window manager keeps the focus elsewhere.
        setKeyboardGrabEnabled(true);
        return;
    }
    // The focus stays with the window that has it: the keyboard comes by the grab alone. It fails
    // while another grab holds the keyboard (the key that opened the view is still down): the
    // ticks try again.
    if (!FKeyboardGrabbed)
        FKeyboardGrabbed = setKeyboardGrabEnabled(true);
}

void TOpenGLForm::PlaceAfterFirstFrame() {
    if (!FPlaceAfterFirstFrame || !FFirstFrameTraced)
        return;
    FPlaceAfterFirstFrame = false;
    PlaceOnMonitor();
    raise();
}

bool TOpenGLForm::CanDraw() const {
    if (!FKeepReady)
        return isExposed();
    return FShowing && (FEverExposed || isExposed());
}

void TOpenGLForm::ReleaseWindow() {
    HideView();
    // Hand the grab's end and the unmap (or the move) to the server.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // A kept-ready view was never the window manager's: there is nothing for it to let go of.
    if (!FKeepReady && !FPlatform.waitUntilReleased(static_cast<WindowHandle>(winId())))
        Trace("view-release-timeout");
}

} // namespace zorvane
