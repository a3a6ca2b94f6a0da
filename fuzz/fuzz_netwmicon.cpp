// Fuzz target: window icons as other programs store them (_NET_WM_ICON: width, height, pixels,
// repeated). The first two bytes pick the size wanted; the rest are the property's 32-bit items.
#include "FuzzSupport.h"
#include "image/NetWmIcon.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const int wanted = data[0] | (data[1] & 0x7F) << 8;
    // An exactly sized copy, so reading one item past the end is caught.
    std::vector<std::uint32_t> items((size - 2) / 4);
    if (!items.empty())
        std::memcpy(items.data(), data + 2, items.size() * 4);
    const auto icon = zorvane::ParseNetWmIcon(items, wanted);
    if (icon) {
        zorvane::fuzz::Check(icon->Width > 0 && icon->Height > 0, "an icon without pixels was picked");
        zorvane::fuzz::Check(icon->Argb.size() == static_cast<std::size_t>(icon->Width) *
                                                      static_cast<std::size_t>(icon->Height),
                             "an icon's pixels do not match its size");
        zorvane::fuzz::Check(icon->Argb.size() <= items.size(),
                             "an icon has more pixels than the property held");
    }
    return 0;
}
