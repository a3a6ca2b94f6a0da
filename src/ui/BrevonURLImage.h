// TBrevonURLImage: a hover picture that opens a web address when clicked.
#pragma once

#include "ui/BrevonSpeedImage.h"
#include "ui/BrevonURLLabel.h"

namespace zorvane {

class TBrevonURLImage : public TBrevonSpeedImage {
    Q_OBJECT
public:
    explicit TBrevonURLImage(QWidget* parent = nullptr);

    const QString& URL() const { return FURL; }
    // A non-empty address shows the hand pointer; an empty one the default pointer.
    void SetURL(const QString& url);

    UrlOpener OpenUrl = DefaultUrlOpener();

protected:
    void Click() override;

private:
    QString FURL;
};

} // namespace zorvane
