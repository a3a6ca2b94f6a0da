// TBrevonSpeedImage: a picture that swaps to other pictures under the pointer and while pressed.
#pragma once

#include "ui/BrevonImage.h"

namespace zorvane {

class TBrevonSpeedImage : public TBrevonImage {
    Q_OBJECT
public:
    explicit TBrevonSpeedImage(QWidget* parent = nullptr);

    // Call once the control's picture is set up: that picture becomes the one shown at rest.
    void Loaded();

    const QPixmap& MouseDownPicture() const { return FMouseDownPicture; }
    const QPixmap& MouseEnterPicture() const { return FMouseEnterPicture; }
    // Copies the picture; an empty picture is ignored.
    void SetMouseDownPicture(const QPixmap& picture);
    void SetMouseEnterPicture(const QPixmap& picture);

protected:
    void MouseEnter() override;
    void MouseLeave() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap FNormalPicture;
    QPixmap FMouseDownPicture;
    QPixmap FMouseEnterPicture;
    bool FButtonHeld = false;
};

} // namespace zorvane
