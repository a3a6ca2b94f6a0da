// TBrevonLabel: pointer enter/leave and click notifications for a label.
#include "ui/BrevonLabel.h"

#include <QMouseEvent>

namespace zorvane {

TBrevonLabel::TBrevonLabel(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
}

QColor TBrevonLabel::FontColor() const {
    return palette().color(QPalette::WindowText);
}

void TBrevonLabel::SetFontColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

void TBrevonLabel::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TBrevonLabel::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TBrevonLabel::Click() {
    if (OnClick)
        OnClick(this);
}

void TBrevonLabel::UpdatePointer(bool inside) {
    if (inside == FTrackedInside)
        return;
    FTrackedInside = inside;
    if (inside)
        MouseEnter();
    else
        MouseLeave();
}

void TBrevonLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    UpdatePointer(true);
}

void TBrevonLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    UpdatePointer(false);
}

void TBrevonLabel::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        FPressedInside = rect().contains(event->position().toPoint());
}

void TBrevonLabel::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    if (event->buttons() != Qt::NoButton)
        UpdatePointer(rect().contains(event->position().toPoint()));
}

void TBrevonLabel::mouseReleaseEvent(QMouseEvent* event) {
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
