// X11Platform: creates the Xlib backend of the platform interface. Nothing from Xlib is visible here.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zorvane {

// Opens its own connection to the display (null: $DISPLAY). On failure returns null and sets
// error to one line that names the display.
std::unique_ptr<Platform> createX11Platform(const char* display, std::string& error);

// The X keysym for a Windows virtual-key code (letters, digits, F1-F24, punctuation, navigation
// and keypad keys); 0 when the key has no equivalent.
std::uint32_t VirtualKeyToKeysym(int virtualKey);

} // namespace zorvane
