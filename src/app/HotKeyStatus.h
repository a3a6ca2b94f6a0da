// HotKeyStatus: who holds Super+Tab and the custom hot key, in words for the user, and how to free
// Super+Tab under the common window managers. Plain C++: the checking tools use it without Qt.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zorvane {

// What the user needs to know about the two hot keys.
struct THotKeyReport {
    KeyHolder WinTab = KeyHolder::khNobody;
    KeyHolder HotKey = KeyHolder::khNobody;
    std::uint16_t ShortCut = 0;   // the custom hot key's code, 0 for none
    std::string WindowManager;    // _NET_WM_NAME of the running window manager, may be empty
    bool HotKeyHeld = false;      // HotKeyHold: the custom hot key is held like Super+Tab
    bool RunningInstance = false; // for the checking tools: a running Zorvane holds the key
    std::string WinTabTakenBy;    // the window manager's configuration line that binds Super+Tab
    std::string HotKeyTakenBy;    // the same for the custom hot key
    std::string BindingLines;     // lines for the compositor's configuration, where Zorvane cannot bind keys
};

// The sentences in the user's language: the text of the [Message] entry `name` of the current
// language file, or `english` where it has none. Empty: English.
using HotKeyTexts = std::function<std::string(const std::string& name, const std::string& english)>;

// Every sentence the texts below are made of, as its message name and English text; "%1".."%4"
// stand for the key, holder, window manager or command put in.
struct HotKeyMessage {
    const char* name;
    const char* english;
};
const std::vector<HotKeyMessage>& HotKeyMessages();

// "Alt+`", "Ctrl+Shift+F5"; empty for 0 or a key without a name.
std::string ShortCutText(std::uint16_t code);

// Who holds Super+Tab, to follow "Super+Tab is" or "Super+Tab:": Zorvane, nobody, or another
// program (naming the window manager); for the checking tools RunningInstance says that the
// running Zorvane is the holder.
std::string WinTabHolderText(const THotKeyReport& report, const HotKeyTexts& texts = {});
// The same for the custom hot key ("none set" without one).
std::string HotKeyHolderText(const THotKeyReport& report, const HotKeyTexts& texts = {});
// How to free Super+Tab under this window manager; every known one's way when it is not known.
std::string FreeWinTabAdvice(const std::string& windowManager, const HotKeyTexts& texts = {});

// True when a hot key the user asked for does not work (Super+Tab, or a custom hot key they set).
bool HotKeysNeedTelling(const THotKeyReport& report);
// The short form for the options dialog: whose Super+Tab is, and which hot key works instead.
std::string HotKeyStatusLine(const THotKeyReport& report, const HotKeyTexts& texts = {});
// The whole message told once per start: which key is taken, by whom, what works instead and how
// to free Super+Tab.
std::string HotKeyStatusMessage(const THotKeyReport& report, const HotKeyTexts& texts = {});
// The notification's title.
std::string HotKeyStatusTitle(const HotKeyTexts& texts = {});

} // namespace zorvane
