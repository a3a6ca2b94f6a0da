// HotKeyStatus: the hot keys' holders in words, and the ways to free Super+Tab.
#include "app/HotKeyStatus.h"

#include "core/ReservedKeys.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>
#include <utility>

namespace zorvane {

namespace {

// The sentences, in the order of HotKeyMessages(); commands, file names and key names are put in
// for "%1".."%4", so that a translation cannot break them.
enum Sentence : std::size_t {
    sHeldByZorvane,
    sFree,
    sHeldByRunning,
    sTakenBy,
    sLeftSuperTaken,
    sAnotherProgram,
    sTheWindowManager,
    sAnotherProgramWindowManager,
    sNoneSet,
    sFreeWinTab,
    sFreeWinTabAny,
    sHotKeyWorksHeld,
    sHotKeyWorksPinned,
    sWinTabWorks,
    sNoHotKeyWorks,
    sHotKeysWork,
    sWinTabIs,
    sHotKeyIs,
    sTakenWhenFree,
    sTitle,
    sFreeXfwm4,
    sFreeMarco,
    sFreeMetacity,
    sFreeGnome,
    sFreeFluxbox,
    sFreeIceWM,
    sFreeKWin,
    sBindInCompositor,
    sFreeWinTabLine,
    sKeyReserved,
    sKeyReservedRefused,
    sCount
};

const std::array<HotKeyMessage, sCount> kSentences{{
    {"msgKeyHeldByZorvane", "held by Zorvane"},
    {"msgKeyFree", "free, nobody holds it"},
    {"msgKeyHeldByRunning", "held by Zorvane (the one running on this display)"},
    {"msgKeyTakenBy", "taken by %1"},
    {"msgKeyLeftSuperTaken", "out of reach: the left Super key on its own is taken by %1"},
    {"msgAnotherProgram", "another program"},
    {"msgTheWindowManager", "the window manager, %1"},
    {"msgAnotherProgramWindowManager", "another program (the window manager is %1)"},
    {"msgHotKeyNoneSet", "none set"},
    {"msgFreeWinTab", "To free Super+Tab: %1."},
    {"msgFreeWinTabAny", "To free Super+Tab, remove it from the window manager's key bindings:"},
    {"msgHotKeyWorksHeld",
     "The custom hot key %1 works: it opens the switcher while you hold its modifiers, as Super+Tab would."},
    {"msgHotKeyWorksPinned", "The custom hot key %1 works: it opens the switcher, pinned."},
    {"msgWinTabWorks", "Super+Tab works; choose another custom hot key in the options."},
    {"msgNoHotKeyWorks", "No hot key works: open the switcher from the tray icon or with %1, and choose "
                         "another custom hot key in the options."},
    {"msgHotKeysWork", "Super+Tab and the custom hot key work."},
    {"msgWinTabIs", "Super+Tab is %1."},
    {"msgHotKeyIs", "The custom hot key %1 is %2."},
    {"msgWinTabTakenWhenFree", "Zorvane takes Super+Tab by itself as soon as it is free."},
    {"msgHotKeyTakenTitle", "Zorvane: a hot key is taken"},
    {"msgFreeXfwm4", "xfwm4 (XFCE) binds Super+Tab to switch_window_key; free it with\n  %1"},
    {"msgFreeMarco",
     "marco (MATE) takes Super+Tab when a shortcut names it: in Keyboard Shortcuts, or with\n  %1"},
    {"msgFreeMetacity", "metacity and GNOME bind Super+Tab and Super+Shift+Tab to switch-applications (and "
                        "Alt+` to switch-group); free them with\n  %1\n  %2"},
    {"msgFreeGnome",
     "GNOME binds Super+Tab and Super+Shift+Tab to switch-applications; free them with\n  %1\n  %2"},
    {"msgFreeFluxbox", "fluxbox binds Super+Tab to NextTab: delete the lines \"%1\" and \"%2\" from %3, then "
                       "choose Reconfigure in fluxbox's menu (or run: %4)"},
    {"msgFreeIceWM", "IceWM takes the left Super key for its start menu (Win95Keys): put %1 in %2, then "
                     "restart IceWM with: %3"},
    {"msgFreeKWin",
     "KWin (KDE Plasma): in System Settings > Shortcuts, remove Meta+Tab from the action that holds it"},
    {"msgKeysBindInCompositor", "This Wayland compositor lets no program take keys, and Zorvane cannot bind "
                                "them itself here: put these lines in the compositor's configuration:\n%1"},
    {"msgFreeWinTabLine", "To free Super+Tab: change or remove that line of the configuration, then reload "
                          "it (sway: %1)."},
    {"msgKeyReserved", "reserved by the display server, which acts on it before any program sees it"},
    {kReservedKeyRefusedName, kReservedKeyRefusedEnglish},
}};

constexpr const char* kGnomeForward =
    "gsettings set org.gnome.desktop.wm.keybindings switch-applications \"['<Alt>Tab']\"";
constexpr const char* kGnomeBackward =
    "gsettings set org.gnome.desktop.wm.keybindings switch-applications-backward \"['<Shift><Alt>Tab']\"";

// How each common window manager treats Super+Tab out of the box, and how to free it.
struct KnownWindowManager {
    const char* match; // found in _NET_WM_NAME, letter case ignored
    const char* name;
    Sentence advice;
    std::array<const char*, 4> literals; // put in for %1..%4 of the advice
    bool bindsWinTab;                    // holds Super+Tab itself by default
};

constexpr std::array<KnownWindowManager, 7> kWindowManagers{{
    {"xfwm4",
     "xfwm4 (XFCE)",
     sFreeXfwm4,
     {"xfconf-query -c xfce4-keyboard-shortcuts -p '/xfwm4/custom/<Super>Tab' -r"},
     true},
    {"marco",
     "marco (MATE)",
     sFreeMarco,
     {"gsettings set org.mate.Marco.global-keybindings switch-windows '<Alt>Tab'"},
     false},
    {"metacity", "metacity (GNOME Flashback)", sFreeMetacity, {kGnomeForward, kGnomeBackward}, true},
    {"gnome", "GNOME Shell (mutter)", sFreeGnome, {kGnomeForward, kGnomeBackward}, true},
    {"fluxbox",
     "fluxbox",
     sFreeFluxbox,
     {"Mod4 Tab :NextTab", "Mod4 Shift Tab :PrevTab", "~/.fluxbox/keys", "kill -USR2 $(pidof fluxbox)"},
     true},
    {"icewm", "IceWM", sFreeIceWM, {"Win95Keys=0", "~/.icewm/preferences", "icesh restart"}, false},
    {"kwin", "KWin (KDE Plasma)", sFreeKWin, {}, true},
}};

// The sentence in the user's language with its blanks filled; what is put in is not searched
// again, so a "%" in a window manager's name stays as it is.
std::string Say(const HotKeyTexts& texts, Sentence which, std::initializer_list<std::string> values = {}) {
    const HotKeyMessage& sentence = kSentences[which];
    const std::string pattern = texts ? texts(sentence.name, sentence.english) : sentence.english;
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const auto index = static_cast<std::size_t>(next - '1');
        if (pattern[i] == '%' && next >= '1' && next <= '4') {
            if (index < values.size())
                text += values.begin()[index];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

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

std::string Advice(const KnownWindowManager& known, const HotKeyTexts& texts) {
    const auto& l = known.literals;
    const auto value = [](const char* literal) { return std::string(literal ? literal : ""); };
    return Say(texts, known.advice, {value(l[0]), value(l[1]), value(l[2]), value(l[3])});
}

// "the window manager, xfwm4 (XFCE)" when it is known to hold this kind of key by default,
// else "another program (the window manager is Openbox)".
std::string Holder(const std::string& windowManager, bool windowManagerHoldsIt, const HotKeyTexts& texts) {
    if (windowManager.empty())
        return Say(texts, sAnotherProgram);
    if (windowManagerHoldsIt) {
        const KnownWindowManager* known = FindWindowManager(windowManager);
        return Say(texts, sTheWindowManager, {known ? known->name : windowManager});
    }
    return Say(texts, sAnotherProgramWindowManager, {windowManager});
}

bool BindsWinTabByDefault(const std::string& windowManager) {
    const KnownWindowManager* known = FindWindowManager(windowManager);
    return known != nullptr && known->bindsWinTab;
}

} // namespace

const std::vector<HotKeyMessage>& HotKeyMessages() {
    static const std::vector<HotKeyMessage> all(kSentences.begin(), kSentences.end());
    return all;
}

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

std::string WinTabHolderText(const THotKeyReport& report, const HotKeyTexts& texts) {
    switch (report.WinTab) {
    case KeyHolder::khOurs:
        return Say(texts, sHeldByZorvane);
    case KeyHolder::khNobody:
        return Say(texts, sFree);
    case KeyHolder::khOtherProgram:
        if (report.RunningInstance)
            return Say(texts, sHeldByRunning);
        if (!report.WinTabTakenBy.empty())
            return Say(texts, sTakenBy, {report.WinTabTakenBy});
        return Say(texts, sTakenBy,
                   {Holder(report.WindowManager, BindsWinTabByDefault(report.WindowManager), texts)});
    case KeyHolder::khLeftSuperAlone:
        return Say(texts, sLeftSuperTaken,
                   {Holder(report.WindowManager, FindWindowManager(report.WindowManager) != nullptr, texts)});
    }
    return {};
}

std::string HotKeyHolderText(const THotKeyReport& report, const HotKeyTexts& texts) {
    if (ShortCutText(report.ShortCut).empty())
        return Say(texts, sNoneSet);
    // Whoever grabs it, the server acts on it first: it never arrives.
    if (ReservedByDisplayServer(report.ShortCut))
        return Say(texts, sKeyReserved);
    switch (report.HotKey) {
    case KeyHolder::khOurs:
        return Say(texts, sHeldByZorvane);
    case KeyHolder::khNobody:
        return Say(texts, sFree);
    case KeyHolder::khOtherProgram:
    case KeyHolder::khLeftSuperAlone:
        if (report.RunningInstance)
            return Say(texts, sHeldByRunning);
        if (!report.HotKeyTakenBy.empty())
            return Say(texts, sTakenBy, {report.HotKeyTakenBy});
        return Say(texts, sTakenBy, {Holder(report.WindowManager, false, texts)});
    }
    return {};
}

std::string FreeWinTabAdvice(const std::string& windowManager, const HotKeyTexts& texts) {
    if (const KnownWindowManager* known = FindWindowManager(windowManager))
        return Say(texts, sFreeWinTab, {Advice(*known, texts)});
    std::string text = Say(texts, sFreeWinTabAny);
    for (const KnownWindowManager& each : kWindowManagers)
        text += "\n- " + Advice(each, texts) + ".";
    return text;
}

namespace {

bool HotKeyWorks(const THotKeyReport& report) {
    return report.HotKey == KeyHolder::khOurs && !ReservedByDisplayServer(report.ShortCut);
}

} // namespace

bool HotKeysNeedTelling(const THotKeyReport& report) {
    if (!report.BindingLines.empty())
        return true;
    const bool customWanted = !ShortCutText(report.ShortCut).empty();
    return report.WinTab != KeyHolder::khOurs || (customWanted && !HotKeyWorks(report));
}

namespace {

// What still opens the switcher when a hot key is taken.
std::string Alternative(const THotKeyReport& report, const HotKeyTexts& texts) {
    const std::string key = ShortCutText(report.ShortCut);
    if (report.WinTab != KeyHolder::khOurs && HotKeyWorks(report))
        return Say(texts, report.HotKeyHeld ? sHotKeyWorksHeld : sHotKeyWorksPinned, {key});
    if (report.WinTab == KeyHolder::khOurs)
        return Say(texts, sWinTabWorks);
    return Say(texts, sNoHotKeyWorks, {"zorvane --show"});
}

} // namespace

std::string HotKeyStatusLine(const THotKeyReport& report, const HotKeyTexts& texts) {
    if (!HotKeysNeedTelling(report))
        return Say(texts, sHotKeysWork);
    std::string text;
    if (report.WinTab != KeyHolder::khOurs)
        text = Say(texts, sWinTabIs, {WinTabHolderText(report, texts)}) + " ";
    const std::string key = ShortCutText(report.ShortCut);
    if (!key.empty() && !HotKeyWorks(report))
        text += Say(texts, sHotKeyIs, {key, HotKeyHolderText(report, texts)}) + " ";
    return text + Alternative(report, texts);
}

std::string HotKeyStatusMessage(const THotKeyReport& report, const HotKeyTexts& texts) {
    if (!report.BindingLines.empty())
        return Say(texts, sBindInCompositor, {report.BindingLines});
    std::string text = HotKeyStatusLine(report, texts);
    if (report.WinTab != KeyHolder::khOurs && !report.WinTabTakenBy.empty())
        text += "\n" + Say(texts, sFreeWinTabLine, {"swaymsg reload"}) + "\n" + Say(texts, sTakenWhenFree);
    else if (report.WinTab != KeyHolder::khOurs)
        text += "\n" + FreeWinTabAdvice(report.WindowManager, texts) + "\n" + Say(texts, sTakenWhenFree);
    return text;
}

std::string HotKeyStatusTitle(const HotKeyTexts& texts) {
    return Say(texts, sTitle);
}

} // namespace zorvane
