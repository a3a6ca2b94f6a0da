// TitlePlates: QPainter text on rounded plates; the desktop's font with its fallbacks for any
// script (a glyph the font lacks comes from another installed font, never as a box of garbage).
#include "view/TitlePlates.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zorvane {

namespace {

int Scaled(int pixels, qreal ratio) {
    return std::max(1, static_cast<int>(std::lround(pixels * ratio)));
}

QFont InterfaceFont(int pixels, bool bold) {
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// A plate of the given size, transparent around its rounded corners.
QImage EmptyPlate(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void FillPlate(QPainter& painter, const QRectF& rect, const QColor& colour, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, colour);
}

// A small window: an outline with a title bar, for windows that publish no icon.
QImage GenericIcon(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal pen = std::max(1.0, side / 16.0);
    const QRectF frame(pen, side * 0.15, side - 2 * pen, side * 0.7);
    painter.setPen(QPen(QColor(220, 220, 220), pen));
    painter.setBrush(QColor(90, 90, 100));
    painter.drawRoundedRect(frame, pen * 1.5, pen * 1.5);
    painter.fillRect(QRectF(frame.left(), frame.top(), frame.width(), side * 0.16), QColor(220, 220, 220));
    return image;
}

} // namespace

QImage TitleIcon(const std::optional<TIconImage>& icon, int side, const std::string& themeName) {
    if (!icon || icon->Width <= 0 || icon->Height <= 0 ||
        icon->Argb.size() != static_cast<std::size_t>(icon->Width) * static_cast<std::size_t>(icon->Height)) {
        if (!themeName.empty()) {
            const QString name = QString::fromStdString(themeName);
            const QIcon themed = name.startsWith('/') ? QIcon(name) : QIcon::fromTheme(name);
            const QImage image = themed.pixmap(side, side).toImage();
            if (!image.isNull())
                return image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        return GenericIcon(side);
    }
    QImage image(icon->Width, icon->Height, QImage::Format_ARGB32);
    for (int y = 0; y < icon->Height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < icon->Width; ++x)
            row[x] = icon->Argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(icon->Width) +
                                static_cast<std::size_t>(x)];
    }
    return image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage RenderTitlePlate(const QString& title, const QImage& icon, int maxWidth, qreal ratio,
                        bool highlighted) {
    const QFont font = InterfaceFont(Scaled(kTitleFontPixels, ratio), highlighted);
    const QFontMetrics metrics(font);
    const int padding = Scaled(10, ratio);
    const int spacing = Scaled(8, ratio);
    const int iconSide = Scaled(kTitleIconPixels, ratio);
    const int height = std::max(iconSide, metrics.height()) + 2 * Scaled(7, ratio);
    const int room = std::max(0, maxWidth - 2 * padding - iconSide - spacing);
    const QString shown = metrics.elidedText(title, Qt::ElideRight, room);
    const int width =
        std::min(maxWidth,
                 2 * padding + iconSide + (shown.isEmpty() ? 0 : spacing + metrics.horizontalAdvance(shown)));

    QImage image = EmptyPlate(std::max(1, width), height);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    FillPlate(painter, QRectF(0, 0, width, height),
              highlighted ? QColor(32, 96, 208, 235) : QColor(16, 16, 20, 200), Scaled(10, ratio));
    const QRect iconRect(padding, (height - iconSide) / 2, iconSide, iconSide);
    const QImage sized = icon.isNull()
                             ? GenericIcon(iconSide)
                             : icon.scaled(iconSide, iconSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(
        iconRect.topLeft() + QPoint((iconSide - sized.width()) / 2, (iconSide - sized.height()) / 2), sized);
    painter.setFont(font);
    painter.setPen(highlighted ? QColor(255, 255, 255) : QColor(236, 236, 236));
    const QRect textRect(iconRect.right() + 1 + spacing, 0, room, height);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter.end();
    return image.convertToFormat(QImage::Format_RGBA8888);
}

std::unique_ptr<CaptureImage> RenderWindowCard(const QString& title, const QImage& icon, int width,
                                               int height) {
    if (width <= 0 || height <= 0)
        return nullptr;
    // Format_RGB32 holds each pixel as blue, green, red, unused in memory, as the pictures do.
    QImage face(width, height, QImage::Format_RGB32);
    if (face.isNull())
        return nullptr;
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient shade(0, 0, 0, height);
    shade.setColorAt(0.0, QColor(70, 78, 96));
    shade.setColorAt(1.0, QColor(38, 42, 54));
    painter.fillRect(face.rect(), shade);
    const int frame = std::max(1, std::min(width, height) / 120);
    painter.setPen(QPen(QColor(150, 160, 180), frame));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(frame / 2.0, frame / 2.0, width - frame, height - frame));

    const int side = std::clamp(std::min(width, height) / 3, 8, 128);
    const int fontPixels = std::clamp(std::min(width / 14, height / 8), 8, kTitleFontPixels);
    const QFont font = InterfaceFont(fontPixels, true);
    const QFontMetrics metrics(font);
    const int gap = side / 4;
    const int block = side + gap + metrics.height();
    const int top = std::max(0, (height - block) / 2);
    const QImage sized = icon.isNull()
                             ? GenericIcon(side)
                             : icon.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(QPoint((width - sized.width()) / 2, top + (side - sized.height()) / 2), sized);
    const int margin = std::max(4, width / 16);
    const QString shown = metrics.elidedText(title, Qt::ElideRight, std::max(0, width - 2 * margin));
    painter.setFont(font);
    painter.setPen(QColor(236, 236, 236));
    painter.drawText(QRect(margin, top + side + gap, width - 2 * margin, metrics.height()),
                     Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter.end();

    auto card = std::make_unique<CaptureImage>(width, height);
    for (int y = 0; y < height; ++y)
        std::memcpy(card->row(y), face.constScanLine(y), card->stride());
    return card;
}

QImage RenderFilterPlate(const QString& text, const QString& message, int maxWidth, qreal ratio) {
    const QFont font = InterfaceFont(Scaled(kFilterFontPixels, ratio), true);
    const QFont messageFont = InterfaceFont(Scaled(kTitleFontPixels, ratio), false);
    const QFontMetrics metrics(font);
    const QFontMetrics messageMetrics(messageFont);
    const int padding = Scaled(14, ratio);
    const int symbol = metrics.height();
    const int room = std::max(0, maxWidth - 2 * padding - symbol - padding / 2);
    const QString shown = metrics.elidedText(text, Qt::ElideLeft, room); // the latest typing stays in view
    const QString shownMessage = messageMetrics.elidedText(message, Qt::ElideRight, maxWidth - 2 * padding);
    const int lineWidth = symbol + padding / 2 + metrics.horizontalAdvance(shown);
    const int width = std::min(
        maxWidth,
        2 * padding +
            std::max(lineWidth, shownMessage.isEmpty() ? 0 : messageMetrics.horizontalAdvance(shownMessage)));
    const int height =
        2 * padding + metrics.height() + (shownMessage.isEmpty() ? 0 : messageMetrics.height());

    QImage image = EmptyPlate(std::max(1, width), height);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    FillPlate(painter, QRectF(0, 0, width, height), QColor(16, 16, 20, 215), Scaled(12, ratio));
    // The search symbol: a lens and its handle.
    const qreal pen = std::max(2.0, symbol / 10.0);
    painter.setPen(QPen(QColor(236, 236, 236), pen, Qt::SolidLine, Qt::RoundCap));
    const QRectF lens(padding + pen, padding + pen, symbol * 0.6, symbol * 0.6);
    painter.drawEllipse(lens);
    painter.drawLine(lens.center() + QPointF(lens.width() * 0.36, lens.height() * 0.36),
                     QPointF(padding + symbol * 0.9, padding + symbol * 0.9));
    painter.setFont(font);
    painter.drawText(QRect(padding + symbol + padding / 2, padding, room, metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    if (!shownMessage.isEmpty()) {
        painter.setFont(messageFont);
        painter.setPen(QColor(255, 190, 90));
        painter.drawText(
            QRect(padding, padding + metrics.height(), width - 2 * padding, messageMetrics.height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownMessage);
    }
    painter.end();
    return image.convertToFormat(QImage::Format_RGBA8888);
}

} // namespace zorvane
