// ViewScale: logical pixels (Qt) to and from device pixels (X11, RandR, GL).
#include "view/ViewScale.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace zorvane {

namespace {

int Up(double value) {
    return static_cast<int>(std::ceil(value - 1e-6));
}

} // namespace

QRect LogicalGeometry(const Rect& device) {
    const QPoint corner(device.left, device.top);
    QPoint origin;
    qreal ratio = 1.0;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        ratio = primary->devicePixelRatio();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect logical = screen->geometry();
        const qreal r = screen->devicePixelRatio();
        const QRect native(logical.topLeft(), QSize(Up(logical.width() * r), Up(logical.height() * r)));
        if (native.contains(corner)) {
            origin = logical.topLeft();
            ratio = r;
            break;
        }
    }
    const QPoint offset = corner - origin;
    return QRect(origin + QPoint(static_cast<int>(std::lround(offset.x() / ratio)),
                                 static_cast<int>(std::lround(offset.y() / ratio))),
                 QSize(Up(device.width() / ratio), Up(device.height() / ratio)));
}

QPoint DevicePosition(const QPointF& logical, qreal ratio) {
    return QPoint(static_cast<int>(std::floor(logical.x() * ratio)),
                  static_cast<int>(std::floor(logical.y() * ratio)));
}

QSize DeviceSize(const QSize& logical, qreal ratio) {
    return QSize(static_cast<int>(std::lround(logical.width() * ratio)),
                 static_cast<int>(std::lround(logical.height() * ratio)));
}

} // namespace zorvane
