// KeySyms: Windows virtual-key codes, as the settings store hot keys, turned into key symbols.
#pragma once

#include <cstdint>

namespace zorvane {

// The key symbol (X11 keysym, the same number in xkb) for a Windows virtual-key code (letters,
// digits, F1-F24, punctuation, navigation and keypad keys); 0 when the key has no equivalent.
std::uint32_t VirtualKeyToKeysym(int virtualKey);

} // namespace zorvane
