// TBrevonImage: a picture control that tells when the pointer enters and leaves it, and reports
// clicks.
#pragma once

#include <QLabel>
#include <QPixmap>

#include <functional>

namespace zorvane {

class TBrevonImage : public QLabel {
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(QObject* sender)>;

    explicit TBrevonImage(QWidget* parent = nullptr);

    NotifyEvent OnMouseEnter;
    NotifyEvent OnMouseLeave;
    NotifyEvent OnClick;

    QPixmap Picture() const { return pixmap(); }
    void SetPicture(const QPixmap& picture);
    // Sized to its picture whenever the picture changes.
    void SetAutoSize(bool autoSize) { FAutoSize = autoSize; }

protected:
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void Click();
    bool MouseInside() const { return FMouseInside; }

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // Follows the pointer by position while a button is held (the control keeps the mouse then).
    void UpdatePointer(bool inside);

private:
    bool FMouseInside = false;
    bool FPressedInside = false;
    bool FAutoSize = false;
};

} // namespace zorvane
