// TBrevonLabel: a pointer-aware label with a settable text colour.
#include "ui/BrevonLabel.h"

namespace zorvane {

TBrevonLabel::TBrevonLabel(QWidget* parent) : TPointerLabel(parent) {}

QColor TBrevonLabel::FontColor() const {
    return palette().color(QPalette::WindowText);
}

void TBrevonLabel::SetFontColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

} // namespace zorvane
