// TBrevonSpeedLabel: a label that changes its text colour under the pointer and while pressed.
#pragma once

#include "ui/BrevonLabel.h"

namespace zorvane {

class TBrevonSpeedLabel : public TBrevonLabel {
    Q_OBJECT
public:
    explicit TBrevonSpeedLabel(QWidget* parent = nullptr);

    const QColor& NormalColor() const { return FNormalColor; }
    const QColor& MouseDownColor() const { return FMouseDownColor; }
    const QColor& MouseEnterColor() const { return FMouseEnterColor; }
    // Also becomes the text colour at once.
    void SetNormalColor(const QColor& color);
    void SetMouseDownColor(const QColor& color) { FMouseDownColor = color; }
    void SetMouseEnterColor(const QColor& color) { FMouseEnterColor = color; }

protected:
    void MouseEnter() override;
    void MouseLeave() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor FNormalColor;
    QColor FMouseDownColor{Qt::red};
    QColor FMouseEnterColor{Qt::blue};
    bool FMouseInside = false;
    bool FButtonHeld = false;
};

} // namespace zorvane
