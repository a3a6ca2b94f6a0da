// TitlePlates: the pictures of text the view lays over the scene — a window's icon and title on a
// dark rounded plate, and the typed filter text with its message — rendered by Qt into images.
#pragma once

#include "image/CaptureImage.h"
#include "image/NetWmIcon.h"

#include <QImage>
#include <QString>

#include <memory>
#include <optional>
#include <string>

namespace zorvane {

// Sizes at a device pixel ratio of 1; every one is multiplied by the ratio.
inline constexpr int kTitleFontPixels = 26;  // about 19 pixels for a capital letter
inline constexpr int kTitleIconPixels = 36;  // the icon beside the title
inline constexpr int kWantedIconPixels = 48; // the size picked out of a window's icon list
inline constexpr int kFilterFontPixels = 32;

// The window's icon as an image: its own picture, else the icon theme's picture of `themeName`
// (a name, or an icon file's absolute path), else a generic window symbol, side x side.
QImage TitleIcon(const std::optional<TIconImage>& icon, int side, const std::string& themeName = {});

// The icon and the title (cut with an ellipsis) on a dark rounded plate, at most maxWidth pixels
// wide, in the desktop's interface font. Highlighted: the plate of the selected window where
// several titles show. Format RGBA8888, alpha not premultiplied.
QImage RenderTitlePlate(const QString& title, const QImage& icon, int maxWidth, qreal ratio,
                        bool highlighted);

// A plain card standing in for a window that has never been pictured (minimised, or on another
// workspace): the icon and the title (cut with an ellipsis) centred on a slate face with a frame,
// width x height pixels, in the capture pictures' layout.
std::unique_ptr<CaptureImage> RenderWindowCard(const QString& title, const QImage& icon, int width,
                                               int height);

// The typed filter text behind a search symbol, with the message under it when there is one, at
// most maxWidth pixels wide. Format RGBA8888, alpha not premultiplied.
QImage RenderFilterPlate(const QString& text, const QString& message, int maxWidth, qreal ratio);

} // namespace zorvane
