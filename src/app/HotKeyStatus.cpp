// HotKeyStatus: the hot keys' holders in words, and the ways to free Super+Tab.
#include "app/HotKeyStatus.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace zorvane {

namespace {

// How each common window manager treats Super+Tab out of the box, and how to free it.
struct KnownWindowManager {
    const char* match; // found in _NET_WM_NAME, letter case ignored
    const char* name;
    const char* advice;
};

constexpr std::array<KnownWindowManager, 7> kWindowManagers{{
    {"xfwm4", "xfwm4 (XFCE)",
     "xfwm4 (XFCE) binds Super+Tab to switch_window_key; free it with\n"
     "  xfconf-query -c xfce4-keyboard-shortcuts -p '/xfwm4/custom/<Super>Tab' -r"},
    {"marco", "marco (MATE)",
     "marco (MATE) takes Super+Tab when a shortcut names it: in Keyboard Shortcuts, or with\n"
     "  gsettings set org.mate.Marco.global-keybindings switch-windows '<Alt>Tab'"},
    {"metacity", "metacity (GNOME Flashback)",
     "metacity and GNOME bind Super+Tab and Super+Shift+Tab to switch-applications (and Alt+` to\n"
     "switch-group); free them with\n"
     "  gsettings set org.gnome.desktop.wm.keybindings switch-applications \"['<Alt>Tab']\"\n"
     "  gsettings set org.gnome.desktop.wm.keybindings switch-applications-backward \"['<Shift><Alt>Tab']\""},
    {"gnome", "GNOME Shell (mutter)",
     "GNOME binds Super+Tab and Super+Shift+Tab to switch-applications; free them with\n"
     "  gsettings set org.gnome.desktop.wm.keybindings switch-applications \"['<Alt>Tab']\"\n"
     "  gsettings set org.gnome.desktop.wm.keybindings switch-applications-backward \"['<Shift><Alt>Tab']\""},
    {"fluxbox", "fluxbox",
     "fluxbox binds Super+Tab to NextTab: delete the lines \"Mod4 Tab :NextTab\" and\n"
     "\"Mod4 Shift Tab :PrevTab\" from ~/.fluxbox/keys, then choose Reconfigure in fluxbox's menu\n"
     "(or run: kill -USR2 $(pidof fluxbox))"},
    {"icewm", "IceWM",
     "IceWM takes the left Super key for its start menu (Win95Keys): put Win95Keys=0 in\n"
     "~/.icewm/preferences, then restart IceWM with: icesh restart"},
    {"kwin", "KWin (KDE Plasma)",
     "KWin (KDE Plasma): in System Settings > Shortcuts, remove Meta+Tab from the action that holds it"},
}};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

const KnownWindowManager* FindWindowManager(const std::string& name) {
    const std::string lower = Lower(name);
    for (const KnownWindowManager& known : kWindowManagers) {
        if (!lower.empty() && lower.find(known.match) != std::string::npos)
            return &known;
    }
    return nullptr;
}

// "the window manager, xfwm4 (XFCE)" when it is known to hold this kind of key by default,
// else "another program (the window manager is Openbox)".
std::string Holder(const std::string& windowManager, bool windowManagerHoldsIt) {
    if (windowManager.empty())
        return "another program";
    if (windowManagerHoldsIt) {
        const KnownWindowManager* known = FindWindowManager(windowManager);
        return "the window manager, " + std::string(known ? known->name : windowManager.c_str());
    }
    return "another program (the window manager is " + windowManager + ")";
}

bool BindsWinTabByDefault(const std::string& windowManager) {
    const KnownWindowManager* known = FindWindowManager(windowManager);
    return known != nullptr && std::string(known->match) != "icewm" && std::string(known->match) != "marco";
}

} // namespace

std::string ShortCutText(std::uint16_t code) {
    const int vk = code & 0xFF;
    std::string key;
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        key = std::string(1, static_cast<char>(vk));
    else if (vk >= 0x70 && vk <= 0x87)
        key = "F" + std::to_string(vk - 0x6F);
    else if (vk >= 0x60 && vk <= 0x69)
        key = "Num " + std::to_string(vk - 0x60);
    else {
        static constexpr std::array<std::pair<int, const char*>, 27> names{{
            {0x08, "Backspace"}, {0x09, "Tab"},  {0x0D, "Return"}, {0x13, "Pause"}, {0x1B, "Esc"},
            {0x20, "Space"},     {0x21, "PgUp"}, {0x22, "PgDown"}, {0x23, "End"},   {0x24, "Home"},
            {0x25, "Left"},      {0x26, "Up"},   {0x27, "Right"},  {0x28, "Down"},  {0x2D, "Ins"},
            {0x2E, "Del"},       {0xBA, ";"},    {0xBB, "="},      {0xBC, ","},     {0xBD, "-"},
            {0xBE, "."},         {0xBF, "/"},    {0xC0, "`"},      {0xDB, "["},     {0xDC, "\\"},
            {0xDD, "]"},         {0xDE, "'"},
        }};
        for (const auto& [value, name] : names) {
            if (value == vk)
                key = name;
        }
    }
    if (key.empty())
        return {};
    std::string text;
    if (code & 0x4000)
        text += "Ctrl+";
    if (code & 0x8000)
        text += "Alt+";
    if (code & 0x2000)
        text += "Shift+";
    return text + key;
}

std::string WinTabHolderText(const THotKeyReport& report) {
    switch (report.WinTab) {
    case KeyHolder::khOurs:
        return "held by Zorvane";
    case KeyHolder::khNobody:
        return "free, nobody holds it";
    case KeyHolder::khOtherProgram:
        if (report.RunningInstance)
            return "held by Zorvane (the one running on this display)";
        return "taken by " + Holder(report.WindowManager, BindsWinTabByDefault(report.WindowManager));
    case KeyHolder::khLeftSuperAlone:
        return "out of reach: the left Super key on its own is taken by " +
               Holder(report.WindowManager, FindWindowManager(report.WindowManager) != nullptr);
    }
    return {};
}

std::string HotKeyHolderText(const THotKeyReport& report) {
    if (ShortCutText(report.ShortCut).empty())
        return "none set";
    switch (report.HotKey) {
    case KeyHolder::khOurs:
        return "held by Zorvane";
    case KeyHolder::khNobody:
        return "free, nobody holds it";
    case KeyHolder::khOtherProgram:
    case KeyHolder::khLeftSuperAlone:
        if (report.RunningInstance)
            return "held by Zorvane (the one running on this display)";
        return "taken by " + Holder(report.WindowManager, false);
    }
    return {};
}

std::string FreeWinTabAdvice(const std::string& windowManager) {
    if (const KnownWindowManager* known = FindWindowManager(windowManager))
        return std::string("To free Super+Tab: ") + known->advice + ".";
    std::string text = "To free Super+Tab, remove it from the window manager's key bindings:";
    for (const KnownWindowManager& each : kWindowManagers)
        text += std::string("\n- ") + each.advice + ".";
    return text;
}

bool HotKeysNeedTelling(const THotKeyReport& report) {
    const bool customWanted = !ShortCutText(report.ShortCut).empty();
    return report.WinTab != KeyHolder::khOurs || (customWanted && report.HotKey != KeyHolder::khOurs);
}

namespace {

// What still opens the switcher when a hot key is taken.
std::string Alternative(const THotKeyReport& report) {
    const std::string key = ShortCutText(report.ShortCut);
    if (report.WinTab != KeyHolder::khOurs && report.HotKey == KeyHolder::khOurs)
        return "The custom hot key " + key + " works: it opens the switcher" +
               (report.HotKeyHeld ? " while you hold its modifiers, as Super+Tab would." : ", pinned.");
    if (report.WinTab == KeyHolder::khOurs)
        return "Super+Tab works; choose another custom hot key in the options.";
    return "No hot key works: open the switcher from the tray icon or with zorvane --show, and choose "
           "another custom hot key in the options.";
}

} // namespace

std::string HotKeyStatusLine(const THotKeyReport& report) {
    if (!HotKeysNeedTelling(report))
        return "Super+Tab and the custom hot key work.";
    std::string text;
    if (report.WinTab != KeyHolder::khOurs)
        text = "Super+Tab is " + WinTabHolderText(report) + ". ";
    const std::string key = ShortCutText(report.ShortCut);
    if (!key.empty() && report.HotKey != KeyHolder::khOurs)
        text += "The custom hot key " + key + " is " + HotKeyHolderText(report) + ". ";
    return text + Alternative(report);
}

std::string HotKeyStatusMessage(const THotKeyReport& report) {
    std::string text = HotKeyStatusLine(report);
    if (report.WinTab != KeyHolder::khOurs)
        text += "\n" + FreeWinTabAdvice(report.WindowManager) +
                "\nZorvane takes Super+Tab by itself as soon as it is free.";
    return text;
}

} // namespace zorvane
