// SyntheticWindows: made-up desktops for zorvane-render and the drawing tests — window pictures
// that are easy to tell apart (colour field, title bar, big index number, stripes) and the
// "--windows FILE" list of window places.
#pragma once

#include "platform/PlatformTypes.h"
#include "windows/CaptureImage.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zorvane {

// One window of a made-up desktop: its rectangle on the screen and, when it has one, its picture
// (whose size then overrides the rectangle's, as a real capture's would).
struct WindowSpec {
    Rect rect;
    std::shared_ptr<const CaptureImage> picture;
};

// The main colour of window number index (0-based): well apart for neighbouring indices.
std::uint32_t SyntheticColor(int index);

// A window picture: a field of SyntheticColor(index), a dark title bar, a light frame, stripes at
// the bottom and the number index + 1 drawn large in the middle.
std::unique_ptr<CaptureImage> MakeSyntheticPicture(int width, int height, int index);

// count windows of varied sizes and places on a screen of the given size, top of the stacking
// order first. With a fixed size every window gets it, placed in a cascade.
std::vector<WindowSpec> SyntheticLayout(int count, int screenWidth, int screenHeight,
                                        std::optional<std::pair<int, int>> fixedSize = std::nullopt);

// Reads a window list: one window a line, "left top width height [picture.bmp]", top of the
// stacking order first; blank lines and lines starting with '#' are skipped. A picture path that
// does not name a file is also tried beside the list file. Throws std::runtime_error naming the file
// and line for anything it cannot use (missing numbers, a size not above 0, an unreadable BMP).
std::vector<WindowSpec> ReadWindowsFile(const std::string& path);

// A vertical gradient desktop picture of the given size, for the None background.
std::unique_ptr<CaptureImage> MakeGradientWallpaper(int width, int height);

} // namespace zorvane
