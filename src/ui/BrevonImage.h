// TBrevonImage: a picture control that tells when the pointer enters and leaves it, and reports
// clicks.
#pragma once

#include "ui/PointerLabel.h"

#include <QPixmap>

namespace zorvane {

class TBrevonImage : public TPointerLabel {
    Q_OBJECT
public:
    explicit TBrevonImage(QWidget* parent = nullptr);

    QPixmap Picture() const { return pixmap(); }
    void SetPicture(const QPixmap& picture);
    // Sized to its picture whenever the picture changes.
    void SetAutoSize(bool autoSize) { FAutoSize = autoSize; }

private:
    bool FAutoSize = false;
};

} // namespace zorvane
