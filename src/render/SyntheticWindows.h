// SyntheticWindows: made-up desktops for zorvane-render and the drawing tests — window pictures
// that are easy to tell apart (coloured frame, kind of content, number badge) and the
// "--windows FILE" list of window places.
#pragma once

#include "image/CaptureImage.h"
#include "platform/PlatformTypes.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zorvane {

// One window of a made-up desktop: its rectangle on the screen and, when it has one, its picture
// (whose size then overrides the rectangle's, as a real capture's would).
struct WindowSetup {
    Rect rect;
    std::shared_ptr<const CaptureImage> picture;
};

// The main colour of window number index (0-based): well apart for neighbouring indices.
std::uint32_t SyntheticColor(int index);

// A window picture: a frame and title bar in SyntheticColor(index), a tool bar, the content of one of
// five kinds of program (document, terminal, spreadsheet, picture, files) and the number index + 1
// on a badge.
std::unique_ptr<CaptureImage> MakeSyntheticPicture(int width, int height, int index);

// count windows of varied sizes and places on a screen of the given size, top of the stacking
// order first. With a fixed size every window gets it, placed in a cascade.
std::vector<WindowSetup> SyntheticLayout(int count, int screenWidth, int screenHeight,
                                         std::optional<std::pair<int, int>> fixedSize = std::nullopt);

// Reads a window list: one window a line, "left top width height [picture.bmp]", top of the
// stacking order first; blank lines and lines starting with '#' are skipped. A picture path that
// does not name a file is also tried beside the list file. Throws std::runtime_error naming the file
// and line for anything it cannot use (missing numbers, a size not above 0, an unreadable BMP).
std::vector<WindowSetup> ReadWindowsFile(const std::string& path);

// A made-up desktop picture of the given size (a dark sky with soft glows), for the None background.
std::unique_ptr<CaptureImage> MakeGradientWallpaper(int width, int height);

} // namespace zorvane
