// NetWmIcon: picks one picture out of a window's icon property (_NET_WM_ICON): a list of
// pictures, each its width, its height and then width × height ARGB pixels, rows top first.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zorvane {

struct TIconImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Argb; // 0xAARRGGBB, not premultiplied, rows top first
};

// data: the property as 32-bit items (width, height, pixels…, repeated). Picks the picture whose
// larger side is nearest `wanted` (on a tie the larger picture, which scales down more cleanly).
// A picture that claims more pixels than the data holds ends the list there; the data is never
// read past its end. Nothing when no whole picture is found.
std::optional<TIconImage> ParseNetWmIcon(std::span<const std::uint32_t> data, int wanted);

} // namespace zorvane
