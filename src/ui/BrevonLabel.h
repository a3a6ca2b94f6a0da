// TBrevonLabel: a label that tells when the pointer enters and leaves it, and reports clicks.
#pragma once

#include "ui/PointerLabel.h"

#include <QColor>

namespace zorvane {

class TBrevonLabel : public TPointerLabel {
    Q_OBJECT
public:
    explicit TBrevonLabel(QWidget* parent = nullptr);

    // The colour the text is drawn in.
    QColor FontColor() const;
    void SetFontColor(const QColor& color);
};

} // namespace zorvane
