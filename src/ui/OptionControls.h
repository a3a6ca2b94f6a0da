// OptionControls: two small controls of the options dialog: a file-name field with a browse button,
// and a track bar that shows its value in a tip above the thumb while it is dragged.
#pragma once

#include <QSlider>
#include <QString>
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace zorvane {

class TFileNameEdit : public QWidget {
    Q_OBJECT
public:
    explicit TFileNameEdit(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    // The browse dialog's filter, e.g. "Images (*.bmp *.jpg *.jpeg)".
    void SetFilter(const QString& filter) { FFilter = filter; }
    const QString& Filter() const { return FFilter; }

    // Shows the path as the browse button would: inside double quotes when it holds a blank.
    static QString QuotedWhenBlank(const QString& path);
    // The path the field stands for: its text without one pair of enclosing double quotes.
    static QString Unquoted(const QString& text);

    QLineEdit* Edit() const { return FEdit; }
    QToolButton* BrowseButton() const { return FButton; }

private:
    void Browse();

    QLineEdit* FEdit;
    QToolButton* FButton;
    QString FFilter;
};

class TTipTrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TTipTrackBar(QWidget* parent = nullptr);

    // The text of the tip for the current value, and where it shows (global position).
    QString TipText() const { return QString::number(sliderPosition()); }
    QPoint TipPosition() const;

private:
    void ShowTip();
};

} // namespace zorvane
