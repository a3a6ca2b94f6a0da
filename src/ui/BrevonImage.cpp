// TBrevonImage: pointer enter/leave and click notifications for a picture.
#include "ui/BrevonImage.h"

#include <QMouseEvent>

namespace zorvane {

TBrevonImage::TBrevonImage(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
}

void TBrevonImage::SetPicture(const QPixmap& picture) {
    setPixmap(picture);
    if (FAutoSize && !picture.isNull())
        resize(picture.size());
}

void TBrevonImage::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TBrevonImage::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TBrevonImage::Click() {
    if (OnClick)
        OnClick(this);
}

void TBrevonImage::UpdatePointer(bool inside) {
    if (inside == FMouseInside)
        return;
    FMouseInside = inside;
    if (inside)
        MouseEnter();
    else
        MouseLeave();
}

void TBrevonImage::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    UpdatePointer(true);
}

void TBrevonImage::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    UpdatePointer(false);
}

void TBrevonImage::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        FPressedInside = rect().contains(event->position().toPoint());
}

void TBrevonImage::mouseMoveEvent(QMouseEvent* event) {
    QLabel::mouseMoveEvent(event);
    if (event->buttons() != Qt::NoButton)
        UpdatePointer(rect().contains(event->position().toPoint()));
}

void TBrevonImage::mouseReleaseEvent(QMouseEvent* event) {
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
