// MenuPictures: simple shapes at 16 x 16, antialiased, so they stay crisp in any menu style.
#include "app/MenuPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace zorvane {

namespace {

QIcon Draw(const std::function<void(QPainter&)>& paint) {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    painter.end();
    return QIcon(picture);
}

// A round badge with a letter, as help and about use.
QIcon Badge(const QColor& colour, const QString& letter) {
    return Draw([&](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(QRectF(1, 1, 14, 14));
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(11);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, letter);
    });
}

// A flag on a thin dark edge.
QIcon Flag(const std::function<void(QPainter&, const QRectF&)>& paint) {
    return Draw([&](QPainter& p) {
        const QRectF field(1, 3, 14, 10);
        p.setPen(Qt::NoPen);
        paint(p, field);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(60, 60, 60), 0.6));
        p.drawRect(field);
    });
}

QIcon Gear() {
    return Draw([](QPainter& p) {
        const QPointF centre(8, 8);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(90, 100, 120));
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(centre);
            p.rotate(i * 45.0);
            p.drawRect(QRectF(-1.5, -7.5, 3, 4));
            p.restore();
        }
        p.drawEllipse(centre, 5.2, 5.2);
        p.setBrush(Qt::white);
        p.drawEllipse(centre, 2.2, 2.2);
    });
}

QIcon People() {
    return Draw([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 140, 70));
        p.drawEllipse(QRectF(8.5, 2, 5, 5));
        p.drawChord(QRectF(6.5, 7.5, 9, 10), 0, 180 * 16);
        p.setBrush(QColor(60, 110, 200));
        p.drawEllipse(QRectF(2.5, 3.5, 5, 5));
        p.drawChord(QRectF(0.5, 9, 9, 10), 0, 180 * 16);
    });
}

QIcon Cross() {
    return Draw([](QPainter& p) {
        p.setPen(QPen(QColor(200, 50, 50), 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    });
}

QIcon Heart() {
    return Draw([](QPainter& p) {
        QPainterPath heart;
        heart.moveTo(8, 14);
        heart.cubicTo(1, 9, 0.5, 4, 4.5, 2.5);
        heart.cubicTo(6.5, 2, 7.5, 3, 8, 4.5);
        heart.cubicTo(8.5, 3, 9.5, 2, 11.5, 2.5);
        heart.cubicTo(15.5, 4, 15, 9, 8, 14);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(225, 80, 110));
        p.drawPath(heart);
    });
}

QIcon Globe() {
    return Draw([](QPainter& p) {
        const QRectF ball(1.5, 1.5, 13, 13);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 140, 220));
        p.drawEllipse(ball);
        p.setPen(QPen(Qt::white, 0.9));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(5, 1.5, 6, 13));
        p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        p.drawLine(QPointF(2.8, 4.8), QPointF(13.2, 4.8));
        p.drawLine(QPointF(2.8, 11.2), QPointF(13.2, 11.2));
    });
}

QIcon KoreaFlag() {
    return Flag([](QPainter& p, const QRectF& f) {
        p.setBrush(Qt::white);
        p.drawRect(f);
        const QRectF disc(f.center().x() - 3, f.center().y() - 3, 6, 6);
        p.setBrush(QColor(205, 46, 58));
        p.drawPie(disc, 0, 180 * 16);
        p.setBrush(QColor(0, 71, 160));
        p.drawPie(disc, 180 * 16, 180 * 16);
        p.setPen(QPen(Qt::black, 0.8));
        for (const QPointF& corner :
             {QPointF(f.left() + 2, f.top() + 2), QPointF(f.right() - 2, f.top() + 2),
              QPointF(f.left() + 2, f.bottom() - 2), QPointF(f.right() - 2, f.bottom() - 2)})
            p.drawPoint(corner);
        p.setPen(Qt::NoPen);
    });
}

QIcon FrenchFlag() {
    return Flag([](QPainter& p, const QRectF& f) {
        const double third = f.width() / 3;
        p.setBrush(QColor(0, 85, 164));
        p.drawRect(QRectF(f.left(), f.top(), third, f.height()));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(f.left() + third, f.top(), third, f.height()));
        p.setBrush(QColor(239, 65, 53));
        p.drawRect(QRectF(f.left() + 2 * third, f.top(), third, f.height()));
    });
}

QIcon SlovakFlag() {
    return Flag([](QPainter& p, const QRectF& f) {
        const double third = f.height() / 3;
        p.setBrush(Qt::white);
        p.drawRect(QRectF(f.left(), f.top(), f.width(), third));
        p.setBrush(QColor(11, 78, 162));
        p.drawRect(QRectF(f.left(), f.top() + third, f.width(), third));
        p.setBrush(QColor(238, 28, 37));
        p.drawRect(QRectF(f.left(), f.top() + 2 * third, f.width(), third));
        // The shield, simplified: a white-edged red shield with a blue base.
        QPainterPath shield;
        shield.moveTo(f.left() + 2.5, f.top() + 2);
        shield.lineTo(f.left() + 6.5, f.top() + 2);
        shield.lineTo(f.left() + 6.5, f.top() + 6);
        shield.quadTo(f.left() + 6.5, f.top() + 8.5, f.left() + 4.5, f.top() + 9);
        shield.quadTo(f.left() + 2.5, f.top() + 8.5, f.left() + 2.5, f.top() + 6);
        shield.closeSubpath();
        p.setPen(QPen(Qt::white, 0.7));
        p.setBrush(QColor(238, 28, 37));
        p.drawPath(shield);
        p.setPen(Qt::NoPen);
    });
}

QIcon EnglishFlag() {
    return Flag([](QPainter& p, const QRectF& f) {
        p.setBrush(QColor(1, 33, 105));
        p.drawRect(f);
        p.save();
        p.setClipRect(f);
        p.setPen(QPen(Qt::white, 2.4));
        p.drawLine(f.topLeft(), f.bottomRight());
        p.drawLine(f.topRight(), f.bottomLeft());
        p.setPen(QPen(QColor(200, 16, 46), 0.9));
        p.drawLine(f.topLeft(), f.bottomRight());
        p.drawLine(f.topRight(), f.bottomLeft());
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(f.center().x() - 2, f.top(), 4, f.height()));
        p.drawRect(QRectF(f.left(), f.center().y() - 2, f.width(), 4));
        p.setBrush(QColor(200, 16, 46));
        p.drawRect(QRectF(f.center().x() - 1.1, f.top(), 2.2, f.height()));
        p.drawRect(QRectF(f.left(), f.center().y() - 1.1, f.width(), 2.2));
        p.restore();
    });
}

} // namespace

QIcon MenuPictureAt(int index) {
    switch (index) {
    case mpOption:
        return Gear();
    case mpHelp:
        return Badge(QColor(60, 120, 210), QStringLiteral("?"));
    case mpGoogleGroups:
        return People();
    case mpAbout:
        return Badge(QColor(40, 150, 120), QStringLiteral("i"));
    case mpExit:
        return Cross();
    case mpDonate:
        return Heart();
    case mpLanguage:
        return Globe();
    case mpKorea:
        return KoreaFlag();
    case mpFrench:
        return FrenchFlag();
    case mpSlovak:
        return SlovakFlag();
    case mpEnglish:
        return EnglishFlag();
    default:
        return {};
    }
}

} // namespace zorvane
