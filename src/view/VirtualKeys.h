// VirtualKeys: Qt key events turned into the 16-bit virtual-key codes the effects were written
// against (Tab 9, Enter 13, Esc 27, arrows 37-40, letters 'A'-'Z', F1 112, ...).
#pragma once

#include <cstdint>

namespace zorvane {

// qtKey is a Qt::Key value; keypad says the key came from the numeric keypad (Qt::KeypadModifier).
// Answers 0 for keys without a virtual-key code.
std::uint16_t QtKeyToVirtualKey(int qtKey, bool keypad);
// The Qt::Key of a virtual-key code outside the keypad; 0 for a code without one.
int VirtualKeyToQtKey(std::uint16_t vk);

} // namespace zorvane
