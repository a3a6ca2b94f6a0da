// TBrevonImage: a pointer-aware picture that can size itself to its picture.
#include "ui/BrevonImage.h"

namespace zorvane {

TBrevonImage::TBrevonImage(QWidget* parent) : TPointerLabel(parent) {}

void TBrevonImage::SetPicture(const QPixmap& picture) {
    setPixmap(picture);
    if (FAutoSize && !picture.isNull())
        resize(picture.size());
}

} // namespace zorvane
