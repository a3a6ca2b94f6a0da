// TBrevonSpeedLabel: hover and press colours for a label.
#include "ui/BrevonSpeedLabel.h"

#include <QMouseEvent>

namespace zorvane {

TBrevonSpeedLabel::TBrevonSpeedLabel(QWidget* parent) : TBrevonLabel(parent), FNormalColor(FontColor()) {}

void TBrevonSpeedLabel::SetNormalColor(const QColor& color) {
    FNormalColor = color;
    SetFontColor(color);
}

void TBrevonSpeedLabel::MouseEnter() {
    FMouseInside = true;
    SetFontColor(FButtonHeld ? FMouseDownColor : FMouseEnterColor);
    TBrevonLabel::MouseEnter();
}

void TBrevonSpeedLabel::MouseLeave() {
    FMouseInside = false;
    SetFontColor(FButtonHeld ? FMouseDownColor : FNormalColor);
    TBrevonLabel::MouseLeave();
}

void TBrevonSpeedLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        FButtonHeld = true;
        SetFontColor(FMouseDownColor);
    }
    TBrevonLabel::mousePressEvent(event);
}

void TBrevonSpeedLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        UpdatePointer(rect().contains(event->position().toPoint()));
        FButtonHeld = false;
        SetFontColor(FMouseInside ? FMouseEnterColor : FNormalColor);
    }
    TBrevonLabel::mouseReleaseEvent(event);
}

} // namespace zorvane
