// TPointerLabel: pointer enter/leave and click notifications for a label.
#include "ui/PointerLabel.h"

#include <QMouseEvent>

namespace zorvane {

TPointerLabel::TPointerLabel(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
}

void TPointerLabel::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TPointerLabel::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TPointerLabel::Click() {
    if (OnClick)
        OnClick(this);
}

void TPointerLabel::UpdatePointer(bool inside) {
    if (inside == FMouseInside)
        return;
    FMouseInside = inside;
    if (inside)
        MouseEnter();
    else
        MouseLeave();
}

void TPointerLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    UpdatePointer(true);
}

void TPointerLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    UpdatePointer(false);
}

void TPointerLabel::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        FPressedInside = rect().contains(event->position().toPoint());
}

void TPointerLabel::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    if (event->buttons() != Qt::NoButton)
        UpdatePointer(rect().contains(event->position().toPoint()));
}

void TPointerLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    UpdatePointer(inside);
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        const bool click = FPressedInside && inside;
        FPressedInside = false;
        if (click)
            Click();
    }
}

} // namespace zorvane
