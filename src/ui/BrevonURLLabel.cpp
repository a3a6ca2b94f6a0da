// TBrevonURLLabel: a link label.
#include "ui/BrevonURLLabel.h"

#include <QDesktopServices>
#include <QUrl>

namespace zorvane {

UrlOpener DefaultUrlOpener() {
    return [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); };
}

TBrevonURLLabel::TBrevonURLLabel(QWidget* parent) : TBrevonSpeedLabel(parent) {}

void TBrevonURLLabel::SetURL(const QString& url) {
    FURL = url;
    if (FURL.isEmpty())
        unsetCursor();
    else
        setCursor(Qt::PointingHandCursor);
}

void TBrevonURLLabel::Click() {
    TBrevonSpeedLabel::Click();
    // A failure to open is not reported: the click simply has no further effect.
    if (!FURL.isEmpty() && OpenUrl)
        OpenUrl(FURL);
}

} // namespace zorvane
