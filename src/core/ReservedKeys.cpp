// ReservedKeys: the combinations the display server keeps for itself.
#include "core/ReservedKeys.h"

namespace zorvane {

bool ReservedByDisplayServer(std::uint16_t code) {
    constexpr std::uint16_t kModifiers = 0xE000;
    constexpr std::uint16_t kCtrlAlt = 0x4000 | 0x8000;
    if ((code & kModifiers) != kCtrlAlt)
        return false;
    const int vk = code & 0xFF;
    constexpr int kBackspace = 0x08, kKeypadPlus = 0x6B, kKeypadMinus = 0x6D, kF1 = 0x70, kF12 = 0x7B;
    return (vk >= kF1 && vk <= kF12) || vk == kBackspace || vk == kKeypadPlus || vk == kKeypadMinus;
}

} // namespace zorvane
