// ShortCutKeys: the 16-bit shortcut code of the custom hot key (virtual-key code in the low byte,
// 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt) to and from Qt key combinations.
#pragma once

#include <QKeySequence>

#include <cstdint>

namespace zorvane {

constexpr std::uint16_t kShortCutShift = 0x2000;
constexpr std::uint16_t kShortCutCtrl = 0x4000;
constexpr std::uint16_t kShortCutAlt = 0x8000;
constexpr std::uint16_t kVkF12 = 0x7B;

// The code of a key combination; 0 when the key has no virtual-key code or the combination holds
// the Meta (Windows) key, which a custom hot key cannot use. Shifted symbols of a US keyboard count
// as their key ("Shift+!" is Shift with the "1" key).
std::uint16_t ShortCutFromKey(QKeyCombination combination);
// Whether a code, grabbed for the whole desktop, would take a key away from typing everywhere:
// Return, Tab, Space, Backspace, a letter or a digit (keypad digits included) without Ctrl or Alt.
// Such a code is no sound custom hot key.
bool TakesKeyFromTyping(std::uint16_t code);
// The key combination of a code; an empty sequence for 0 or an unknown virtual-key code.
QKeySequence KeySequenceFromShortCut(std::uint16_t code);

} // namespace zorvane
