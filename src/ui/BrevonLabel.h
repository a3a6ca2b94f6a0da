// TBrevonLabel: a label that tells when the pointer enters and leaves it, and reports clicks.
#pragma once

#include <QLabel>

#include <functional>

namespace zorvane {

class TBrevonLabel : public QLabel {
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(QObject* sender)>;

    explicit TBrevonLabel(QWidget* parent = nullptr);

    NotifyEvent OnMouseEnter;
    NotifyEvent OnMouseLeave;
    NotifyEvent OnClick;

    // The colour the text is drawn in.
    QColor FontColor() const;
    void SetFontColor(const QColor& color);

protected:
    // Overridable operations behind the two events; the base ones fire the events.
    virtual void MouseEnter();
    virtual void MouseLeave();
    // A press and release of the left button inside the label; fires OnClick.
    virtual void Click();

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    // While a button is held the label keeps the mouse, so leaving and re-entering are followed
    // by position; the flag keeps each enter and leave from being reported twice.
    void UpdatePointer(bool inside);

private:
    bool FTrackedInside = false;
    bool FPressedInside = false;
};

} // namespace zorvane
