// TPointerLabel: a QLabel that tells when the pointer enters and leaves it and reports clicks; the
// base of the picture and text link controls.
#pragma once

#include <QLabel>

#include <functional>

namespace zorvane {

class TPointerLabel : public QLabel {
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(QObject* sender)>;

    explicit TPointerLabel(QWidget* parent = nullptr);

    NotifyEvent OnMouseEnter;
    NotifyEvent OnMouseLeave;
    NotifyEvent OnClick;

protected:
    // Overridable operations behind the three events; the base ones fire the events.
    virtual void MouseEnter();
    virtual void MouseLeave();
    // A press and release of the left button inside the control; fires OnClick.
    virtual void Click();
    bool MouseInside() const { return FMouseInside; }

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // While a button is held the control keeps the mouse, so leaving and re-entering are followed
    // by position; the flag keeps each enter and leave from being reported twice.
    void UpdatePointer(bool inside);

private:
    bool FMouseInside = false;
    bool FPressedInside = false;
};

} // namespace zorvane
