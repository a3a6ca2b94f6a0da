// ViewScale: the one place where the view's coordinates cross between Qt's logical pixels and the
// device pixels of X11, RandR and GL. Monitors, window places and the effects' screen count device
// pixels; Qt's window geometry and mouse events count logical ones.
#pragma once

#include "platform/PlatformTypes.h"

#include <QPointF>
#include <QRect>
#include <QSize>

namespace zorvane {

// The logical geometry that makes a window cover exactly this desktop rectangle (device pixels).
// Qt keeps each screen's corner at its device-pixel place and scales from there by that screen's
// ratio, so the rectangle is taken on the screen that holds its corner.
QRect LogicalGeometry(const Rect& device);

// A position in the view as a mouse event gives it, in the view's device pixels.
QPoint DevicePosition(const QPointF& logical, qreal ratio);

// The view's size in device pixels: its GL viewport.
QSize DeviceSize(const QSize& logical, qreal ratio);

} // namespace zorvane
