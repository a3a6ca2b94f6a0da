// TBrevonURLLabel: a hover label that opens a web address when clicked.
#pragma once

#include "ui/BrevonSpeedLabel.h"

#include <functional>

namespace zorvane {

// Opens an address with the desktop's default handler; false when nothing could handle it.
using UrlOpener = std::function<bool(const QString& url)>;
UrlOpener DefaultUrlOpener();

class TBrevonURLLabel : public TBrevonSpeedLabel {
    Q_OBJECT
public:
    explicit TBrevonURLLabel(QWidget* parent = nullptr);

    const QString& URL() const { return FURL; }
    // A non-empty address shows the hand pointer; an empty one the default pointer.
    void SetURL(const QString& url);

    // How the address is opened (the desktop's default handler unless replaced).
    UrlOpener OpenUrl = DefaultUrlOpener();

protected:
    void Click() override;

private:
    QString FURL;
};

} // namespace zorvane
