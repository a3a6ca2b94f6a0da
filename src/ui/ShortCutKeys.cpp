// ShortCutKeys: virtual-key codes <-> Qt keys.
#include "ui/ShortCutKeys.h"

#include <array>
#include <utility>

namespace zorvane {
namespace {

// Keys whose virtual-key code is not a simple range. The first row for a code is the one a code
// turns back into.
constexpr std::pair<int, std::uint8_t> kKeys[] = {
    {Qt::Key_Backspace, 0x08},
    {Qt::Key_Tab, 0x09},
    {Qt::Key_Backtab, 0x09},
    {Qt::Key_Clear, 0x0C},
    {Qt::Key_Return, 0x0D},
    {Qt::Key_Enter, 0x0D},
    {Qt::Key_Pause, 0x13},
    {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20},
    {Qt::Key_PageUp, 0x21},
    {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},
    {Qt::Key_Home, 0x24},
    {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},
    {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28},
    {Qt::Key_Select, 0x29},
    {Qt::Key_Printer, 0x2A},
    {Qt::Key_Execute, 0x2B},
    {Qt::Key_Print, 0x2C},
    {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E},
    {Qt::Key_Help, 0x2F},
    {Qt::Key_Menu, 0x5D},
    {Qt::Key_Sleep, 0x5F},
    {Qt::Key_NumLock, 0x90},
    {Qt::Key_ScrollLock, 0x91},
    // Punctuation of a US keyboard, unshifted then shifted.
    {Qt::Key_Semicolon, 0xBA},
    {Qt::Key_Colon, 0xBA},
    {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC},
    {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},
    {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},
    {Qt::Key_Slash, 0xBF},
    {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},
    {Qt::Key_AsciiTilde, 0xC0},
    {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC},
    {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD},
    {Qt::Key_BraceRight, 0xDD},
    {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
    // Shifted digits.
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
};

// Keypad keys (with Qt::KeypadModifier) have codes of their own.
int KeypadCode(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return 0x60 + (key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Asterisk:
        return 0x6A;
    case Qt::Key_Plus:
        return 0x6B;
    case Qt::Key_Minus:
        return 0x6D;
    case Qt::Key_Period:
        return 0x6E;
    case Qt::Key_Comma:
        return 0x6E;
    case Qt::Key_Slash:
        return 0x6F;
    case Qt::Key_Enter:
        return 0x0D;
    default:
        return 0;
    }
}

int VirtualKey(int key, bool keypad) {
    if (keypad)
        if (const int code = KeypadCode(key))
            return code;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + (key - Qt::Key_F1);
    for (const auto& [qtKey, vk] : kKeys)
        if (qtKey == key)
            return vk;
    return 0;
}

QKeyCombination QtKey(int vk) {
    if (vk >= 'A' && vk <= 'Z')
        return QKeyCombination(Qt::Key(Qt::Key_A + (vk - 'A')));
    if (vk >= '0' && vk <= '9')
        return QKeyCombination(Qt::Key(Qt::Key_0 + (vk - '0')));
    if (vk >= 0x70 && vk <= 0x87)
        return QKeyCombination(Qt::Key(Qt::Key_F1 + (vk - 0x70)));
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
    for (const auto& [qtKey, code] : kKeys)
        if (code == vk)
            return QKeyCombination(Qt::Key(qtKey));
    return QKeyCombination(Qt::Key_unknown);
}

} // namespace

std::uint16_t ShortCutFromKey(QKeyCombination combination) {
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::MetaModifier)
        return 0;
    const int vk = VirtualKey(combination.key(), modifiers & Qt::KeypadModifier);
    if (vk == 0)
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
