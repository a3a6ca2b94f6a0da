// NetWmIcon: walking the icon property's pictures without trusting a single size in it.
#include "image/NetWmIcon.h"

#include <cstdlib>

namespace zorvane {

std::optional<TIconImage> ParseNetWmIcon(std::span<const std::uint32_t> data, int wanted) {
    std::size_t bestAt = 0;
    std::uint64_t bestWidth = 0;
    std::uint64_t bestHeight = 0;
    std::int64_t bestDistance = -1;
    std::size_t at = 0;
    while (data.size() - at >= 2) {
        const std::uint64_t width = data[at];
        const std::uint64_t height = data[at + 1];
        // 64-bit products: two 32-bit sides cannot overflow, and a claim beyond the data stops.
        const std::uint64_t pixels = width * height;
        if (pixels > data.size() - at - 2)
            break;
        if (pixels > 0) {
            const std::int64_t side = static_cast<std::int64_t>(width > height ? width : height);
            const std::int64_t distance = std::llabs(side - wanted);
            const bool larger = width * height > bestWidth * bestHeight;
            if (bestDistance < 0 || distance < bestDistance || (distance == bestDistance && larger)) {
                bestDistance = distance;
                bestAt = at;
                bestWidth = width;
                bestHeight = height;
            }
        }
        at += 2 + static_cast<std::size_t>(pixels);
    }
    if (bestDistance < 0)
        return std::nullopt;
    TIconImage image;
    image.Width = static_cast<int>(bestWidth);
    image.Height = static_cast<int>(bestHeight);
    const auto first = data.begin() + static_cast<std::ptrdiff_t>(bestAt + 2);
    image.Argb.assign(first, first + static_cast<std::ptrdiff_t>(bestWidth * bestHeight));
    return image;
}

} // namespace zorvane
