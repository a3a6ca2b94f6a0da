// ShortCutKeys: virtual-key codes <-> Qt keys.
#include "ui/ShortCutKeys.h"

#include "view/VirtualKeys.h"

namespace zorvane {
namespace {

// The keys that only modify others: no hot key on their own.
bool IsModifierCode(std::uint16_t vk) {
    return (vk >= 0x10 && vk <= 0x12) || vk == 0x5B || vk == 0x5C;
}

QKeyCombination QtKey(int vk) {
    if (vk >= 0x60 && vk <= 0x69)
        return QKeyCombination(Qt::KeypadModifier, Qt::Key(Qt::Key_0 + (vk - 0x60)));
    switch (vk) {
    case 0x6A:
        return QKeyCombination(Qt::KeypadModifier, Qt::Key_Asterisk);
    case 0x6B:
        return QKeyCombination(Qt::KeypadModifier, Qt::Key_Plus);
    case 0x6D:
        return QKeyCombination(Qt::KeypadModifier, Qt::Key_Minus);
    case 0x6E:
        return QKeyCombination(Qt::KeypadModifier, Qt::Key_Period);
    case 0x6F:
        return QKeyCombination(Qt::KeypadModifier, Qt::Key_Slash);
    default:
        break;
    }
    const int key = IsModifierCode(static_cast<std::uint16_t>(vk))
                        ? 0
                        : VirtualKeyToQtKey(static_cast<std::uint16_t>(vk));
    return QKeyCombination(key == 0 ? Qt::Key_unknown : Qt::Key(key));
}

} // namespace

std::uint16_t ShortCutFromKey(QKeyCombination combination) {
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::MetaModifier)
        return 0;
    const std::uint16_t vk = QtKeyToVirtualKey(combination.key(), modifiers & Qt::KeypadModifier);
    if (vk == 0 || IsModifierCode(vk))
        return 0;
    std::uint16_t code = static_cast<std::uint16_t>(vk);
    if (modifiers & Qt::ShiftModifier)
        code |= kShortCutShift;
    if (modifiers & Qt::ControlModifier)
        code |= kShortCutCtrl;
    if (modifiers & Qt::AltModifier)
        code |= kShortCutAlt;
    return code;
}

bool TakesKeyFromTyping(std::uint16_t code) {
    if (code == 0 || (code & (kShortCutCtrl | kShortCutAlt)) != 0) {
        return false;
    }
    const int vk = code & 0xFF;
    return vk == 0x08 || vk == 0x09 || vk == 0x0D || vk == 0x20 || (vk >= '0' && vk <= '9') ||
           (vk >= 'A' && vk <= 'Z') || (vk >= 0x60 && vk <= 0x69);
}

QKeySequence KeySequenceFromShortCut(std::uint16_t code) {
    const QKeyCombination key = QtKey(code & 0xFF);
    if ((code & 0xFF) == 0 || key.key() == Qt::Key_unknown)
        return {};
    Qt::KeyboardModifiers modifiers = key.keyboardModifiers();
    if (code & kShortCutShift)
        modifiers |= Qt::ShiftModifier;
    if (code & kShortCutCtrl)
        modifiers |= Qt::ControlModifier;
    if (code & kShortCutAlt)
        modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, key.key()));
}

} // namespace zorvane
