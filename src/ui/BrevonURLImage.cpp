// TBrevonURLImage: a link picture.
#include "ui/BrevonURLImage.h"

namespace zorvane {

TBrevonURLImage::TBrevonURLImage(QWidget* parent) : TBrevonSpeedImage(parent) {}

void TBrevonURLImage::SetURL(const QString& url) {
    FURL = url;
    if (FURL.isEmpty())
        unsetCursor();
    else
        setCursor(Qt::PointingHandCursor);
}

void TBrevonURLImage::Click() {
    TBrevonSpeedImage::Click();
    if (!FURL.isEmpty() && OpenUrl)
        OpenUrl(FURL);
}

} // namespace zorvane
