// ReservedKeys: the key combinations that the display server acts on itself, before any program
// sees them, so that no hot key can use them. Shared by every backend and by the options dialog.
#pragma once

#include <cstdint>

namespace zorvane {

// True for a 16-bit shortcut code (virtual-key code in the low byte, 0x2000 Shift, 0x4000 Ctrl,
// 0x8000 Alt) that never reaches a program: Ctrl+Alt+F1 to F12 switch virtual terminals,
// Ctrl+Alt+Backspace may end the X server, Ctrl+Alt+Keypad Plus and Minus change the video mode.
// With Shift added these are ordinary keys again (the server's key maps act on Ctrl+Alt alone).
bool ReservedByDisplayServer(std::uint16_t code);

// The options dialog's sentence for such a combination, as its language-file message name and its
// English text; "%1" stands for the key.
inline constexpr const char* kReservedKeyRefusedName = "msgKeyReservedRefused";
inline constexpr const char* kReservedKeyRefusedEnglish =
    "%1 is reserved by the display server and never reaches Zorvane: choose another combination.";

} // namespace zorvane
