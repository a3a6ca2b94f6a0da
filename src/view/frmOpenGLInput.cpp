// frmOpenGLInput: the view's keyboard and mouse handlers. Every input goes to the effect, except
// Esc and Enter, which close the view (Esc does not cancel: the selection is activated). Mouse
// positions reach the effects in device pixels, the units of their screen and of the drawn frame.
#include "effects/unitEffect.h"
#include "view/ViewScale.h"
#include "view/VirtualKeys.h"
#include "view/frmOpenGL.h"
#include "windows/unitWindowInfos.h"

#include "platform/Platform.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cstdlib>

namespace zorvane {

void TOpenGLForm::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & Qt::MetaModifier)
        FSuperHeld = true;
    if (FilterKeyPress(event))
        return;
    const int key = event->key();
    if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (FEffect && FEffect->FState == esNavigating) {
            FClosePending = true;
            return;
        }
        // With no effect (it could not be built) these still close the view.
        if (IsActive())
            SetActive(false);
        return;
    }
    if (!FEffect)
        return;
    if (key == Qt::Key_Backtab || (key == Qt::Key_Tab && (event->modifiers() & Qt::ShiftModifier))) {
        EffectSelectPrevious();
        return;
    }
    if (key == Qt::Key_Tab) {
        EffectSelectNext();
        return;
    }
    // The custom hot key held like Super+Tab: its key again steps, with Shift back.
    if (HeldByHotKey() && FPlatform.isHotKeyKey(event->nativeScanCode())) {
        if (event->modifiers() & Qt::ShiftModifier)
            EffectSelectPrevious();
        else
            EffectSelectNext();
        return;
    }
    EffectCall call(*this);
    TEffect& effect = *FEffect;
    const std::uint16_t vk = QtKeyToVirtualKey(key, (event->modifiers() & Qt::KeypadModifier) != 0);
    if (vk != 0)
        effect.KeyDown(vk);
}

namespace {
bool IsSuperKey(int key) {
    return key == Qt::Key_Meta || key == Qt::Key_Super_L || key == Qt::Key_Super_R;
}
} // namespace

void TOpenGLForm::keyReleaseEvent(QKeyEvent* event) {
    // Where the keyboard's state cannot be read, letting go of Super is seen here.
    if (IsSuperKey(event->key()) && !FPlatform.readsKeyboardState()) {
        FSuperHeld = false;
        Trace("super-released");
    }
    QWindow::keyReleaseEvent(event);
}

void TOpenGLForm::focusInEvent(QFocusEvent* event) {
    // Super already up when the view gets the keyboard counts as let go.
    if (!FPlatform.readsKeyboardState() && !(QGuiApplication::queryKeyboardModifiers() & Qt::MetaModifier)) {
        FSuperHeld = false;
        Trace("super-up-at-focus");
    }
    QWindow::focusInEvent(event);
}

void TOpenGLForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton && FEffect && FFilter) {
        // The middle button closes the window whose picture it is on (in the last frame drawn).
        const QPoint at = DevicePosition(event->position(), devicePixelRatio());
        if (const TWindowInfo* picture =
                FEffect->PictureAt(static_cast<float>(at.x()), static_cast<float>(at.y())))
            RequestCloseOf(picture->Handle);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (!FEffect) {
        if (IsActive())
            SetActive(false); // nothing to pick from: a click leaves the view
        return;
    }
    EffectCall call(*this);
    TEffect& effect = *FEffect;
    const QPoint at = DevicePosition(event->position(), devicePixelRatio());
    effect.MouseDown(at.x(), at.y());
}

void TOpenGLForm::mouseMoveEvent(QMouseEvent* event) {
    if (!FEffect)
        return;
    EffectCall call(*this);
    TEffect& effect = *FEffect;
    const QPoint at = DevicePosition(event->position(), devicePixelRatio());
    effect.MouseMove(at.x(), at.y());
}

void TOpenGLForm::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !FEffect)
        return;
    EffectCall call(*this);
    TEffect& effect = *FEffect;
    const QPoint at = DevicePosition(event->position(), devicePixelRatio());
    effect.MouseUp(at.x(), at.y());
}

void TOpenGLForm::wheelEvent(QWheelEvent* event) {
    if (!FEffect)
        return;
    // A touchpad or a fine wheel sends parts of a notch: a step comes with each whole notch.
    const int steps = FWheelSteps.Add(event->angleDelta().y());
    if (steps == 0)
        return;
    {
        EffectCall call(*this);
        for (int i = 0; i < std::abs(steps) && FEffect && !FClosing; ++i)
            FEffect->MouseWheel(steps > 0 ? 1 : 0);
    }
    Trace("wheel-done " + std::to_string(steps));
}

} // namespace zorvane
