// OptionControls: the file-name field and the track bar with a value tip.
#include "ui/OptionControls.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <QToolTip>

namespace zorvane {

TFileNameEdit::TFileNameEdit(QWidget* parent)
    : QWidget(parent), FEdit(new QLineEdit(this)), FButton(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(FEdit, 1);
    layout->addWidget(FButton);
    FButton->setText(QStringLiteral("..."));
    FButton->setObjectName(QStringLiteral("feBrowseButton"));
    connect(FButton, &QToolButton::clicked, this, &TFileNameEdit::Browse);
}

QString TFileNameEdit::text() const {
    return FEdit->text();
}

void TFileNameEdit::setText(const QString& text) {
    FEdit->setText(text);
}

QString TFileNameEdit::QuotedWhenBlank(const QString& path) {
    return path.contains(QLatin1Char(' ')) ? QLatin1Char('"') + path + QLatin1Char('"') : path;
}

QString TFileNameEdit::Unquoted(const QString& text) {
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        return text.mid(1, text.size() - 2);
    return text;
}

void TFileNameEdit::Browse() {
    const QString current = Unquoted(text());
    const QString start = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const QString chosen = QFileDialog::getOpenFileName(this, QString(), start, FFilter);
    if (!chosen.isEmpty())
        setText(QuotedWhenBlank(chosen));
}

TTipTrackBar::TTipTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    connect(this, &QSlider::sliderPressed, this, &TTipTrackBar::ShowTip);
    connect(this, &QSlider::sliderMoved, this, &TTipTrackBar::ShowTip);
    connect(this, &QSlider::sliderReleased, this, [] { QToolTip::hideText(); });
}

QPoint TTipTrackBar::TipPosition() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // Above the thumb: the tip's own height is unknown here, so leave room for one line of text.
    const int lift = fontMetrics().height() + 8;
    return mapToGlobal(QPoint(handle.center().x(), handle.top() - lift));
}

void TTipTrackBar::ShowTip() {
    QToolTip::showText(TipPosition(), TipText(), this);
}

} // namespace zorvane
