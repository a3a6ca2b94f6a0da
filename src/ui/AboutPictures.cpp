// AboutPictures: product and donation-button pictures painted with QPainter.
#include "ui/AboutPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace zorvane {
namespace {

// One window picture seen at an angle: a quad with a title bar, as the Flip view shows them.
void DrawTiltedWindow(QPainter& p, const QPolygonF& quad, const QColor& body, const QColor& title) {
    QLinearGradient fill(quad[0], quad[3]);
    fill.setColorAt(0, body.lighter(130));
    fill.setColorAt(1, body.darker(140));
    p.setPen(QPen(QColor(255, 255, 255, 160), 1));
    p.setBrush(fill);
    p.drawPolygon(quad);
    // Title bar: the top eighth of the quad.
    const QPointF a = quad[0], b = quad[1];
    const QPointF c = quad[1] + (quad[2] - quad[1]) * 0.14, d = quad[0] + (quad[3] - quad[0]) * 0.14;
    p.setPen(Qt::NoPen);
    p.setBrush(title);
    p.drawPolygon(QPolygonF({a, b, c, d}));
}

} // namespace

QPixmap ProductPicture() {
    QPixmap pixmap(100, 200);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 200);
    sky.setColorAt(0, QColor(10, 20, 60));
    sky.setColorAt(0.6, QColor(30, 60, 140));
    sky.setColorAt(1, QColor(5, 10, 30));
    p.fillRect(pixmap.rect(), sky);

    // A stack of windows flipping away to the right, the front one facing the viewer.
    const QColor bodies[] = {QColor(90, 110, 150), QColor(120, 140, 90), QColor(150, 100, 80),
                             QColor(70, 130, 170)};
    for (int i = 3; i >= 1; --i) {
        const double x = 30 + i * 16, top = 52 + i * 6, bottom = 122 - i * 4;
        DrawTiltedWindow(p,
                         QPolygonF({QPointF(x, top), QPointF(x + 26, top + 10), QPointF(x + 26, bottom - 6),
                                    QPointF(x, bottom)}),
                         bodies[i], QColor(40, 60, 110));
    }
    const QPolygonF front({QPointF(8, 48), QPointF(58, 48), QPointF(58, 124), QPointF(8, 124)});
    DrawTiltedWindow(p, front, bodies[0], QColor(30, 80, 200));
    // Its reflection on the floor, fading out.
    p.save();
    p.setOpacity(0.25);
    DrawTiltedWindow(p, QPolygonF({QPointF(8, 200), QPointF(58, 200), QPointF(58, 126), QPointF(8, 126)}),
                     bodies[0], QColor(30, 80, 200));
    p.restore();
    // A selection frame around the front window.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 210, 60), 2));
    p.drawRect(QRectF(6, 46, 54, 80));

    p.setPen(QColor(230, 235, 255));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(0, 8, 100, 16), Qt::AlignCenter, QStringLiteral("Super + Tab"));
    return pixmap;
}

QPixmap DonateButtonPicture(DonateLook look) {
    QPixmap pixmap(62, 31);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const int shift = look == DonateLook::Pressed ? 1 : 0;
    const QRectF body(1 + shift, 1 + shift, 59, 28);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    const QColor top = look == DonateLook::Hover ? QColor(255, 236, 150) : QColor(255, 218, 100);
    const QColor bottom = look == DonateLook::Pressed ? QColor(220, 150, 20) : QColor(245, 175, 35);
    fill.setColorAt(0, look == DonateLook::Pressed ? bottom : top);
    fill.setColorAt(1, look == DonateLook::Pressed ? top : bottom);
    QPainterPath shape;
    shape.addRoundedRect(body, 12, 12);
    p.fillPath(shape, fill);
    p.setPen(QPen(QColor(170, 110, 10), 1));
    p.drawPath(shape);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    font.setBold(true);
    font.setItalic(true);
    p.setFont(font);
    p.setPen(QColor(20, 40, 110));
    p.drawText(body, Qt::AlignCenter, QStringLiteral("Donate"));
    return pixmap;
}

} // namespace zorvane
