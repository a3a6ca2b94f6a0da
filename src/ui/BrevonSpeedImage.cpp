// TBrevonSpeedImage: hover and press pictures.
#include "ui/BrevonSpeedImage.h"

#include <QMouseEvent>

namespace zorvane {

TBrevonSpeedImage::TBrevonSpeedImage(QWidget* parent) : TBrevonImage(parent) {}

void TBrevonSpeedImage::Loaded() {
    if (!Picture().isNull())
        FNormalPicture = Picture();
}

void TBrevonSpeedImage::SetMouseDownPicture(const QPixmap& picture) {
    if (!picture.isNull())
        FMouseDownPicture = picture;
}

void TBrevonSpeedImage::SetMouseEnterPicture(const QPixmap& picture) {
    if (!picture.isNull())
        FMouseEnterPicture = picture;
}

void TBrevonSpeedImage::MouseEnter() {
    TBrevonImage::MouseEnter();
    if (isEnabled() && !FButtonHeld && !FMouseEnterPicture.isNull())
        SetPicture(FMouseEnterPicture);
}

void TBrevonSpeedImage::MouseLeave() {
    TBrevonImage::MouseLeave();
    if (isEnabled() && !FButtonHeld && !FMouseEnterPicture.isNull())
        SetPicture(FNormalPicture);
}

void TBrevonSpeedImage::mousePressEvent(QMouseEvent* event) {
    TBrevonImage::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    FButtonHeld = true;
    if (!FMouseDownPicture.isNull())
        SetPicture(FMouseDownPicture);
}

void TBrevonSpeedImage::mouseReleaseEvent(QMouseEvent* event) {
    TBrevonImage::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    if (!FMouseDownPicture.isNull())
        SetPicture(MouseInside() && !FMouseEnterPicture.isNull() ? FMouseEnterPicture : FNormalPicture);
    FButtonHeld = false;
}

} // namespace zorvane
