// X11Keys: the Win+Tab passive grab, the custom hot key and the key state queries.
#include "platform/x11/X11Platform.h"
#include "platform/x11/X11PlatformImpl.h"
#include "platform/x11/XErrorTrap.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace zorvane {

namespace x11 {

namespace {
constexpr std::uint16_t kShortcutShift = 0x2000;
constexpr std::uint16_t kShortcutCtrl = 0x4000;
constexpr std::uint16_t kShortcutAlt = 0x8000;
} // namespace

unsigned int X11Platform::modifierMaskFor(KeySym keysym) const {
    XModifierKeymap* map = XGetModifierMapping(display_);
    if (map == nullptr)
        return 0;
    unsigned int mask = 0;
    for (int modifier = 0; modifier < 8 && mask == 0; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            const KeyCode keycode = map->modifiermap[modifier * map->max_keypermod + k];
            if (keycode != 0 && XkbKeycodeToKeysym(display_, keycode, 0, 0) == keysym) {
                mask = 1u << modifier;
                break;
            }
        }
    }
    XFreeModifiermap(map);
    return mask;
}

void X11Platform::refreshModifiers() {
    numLockMask_ = modifierMaskFor(XK_Num_Lock);
    scrollLockMask_ = modifierMaskFor(XK_Scroll_Lock);
    const unsigned int super = modifierMaskFor(XK_Super_L);
    superMask_ = super != 0 ? super : Mod4Mask;
    const unsigned int alt = modifierMaskFor(XK_Alt_L);
    altMask_ = alt != 0 ? alt : Mod1Mask;
}

// The eight on/off combinations of Caps Lock, Num Lock and Scroll Lock, so a grab works
// whatever lock is on. Index 0 is "no lock".
unsigned int X11Platform::lockCombination(int index) const {
    unsigned int mask = 0;
    if (index & 1)
        mask |= LockMask;
    if (index & 2)
        mask |= numLockMask_;
    if (index & 4)
        mask |= scrollLockMask_;
    return mask;
}

void X11Platform::grabKeyAllLocks(KeyCode keycode, unsigned int modifiers, int keyboardMode, bool& failed) {
    XErrorTrap trap(display_);
    std::vector<unsigned int> done;
    for (int i = 0; i < 8; ++i) {
        const unsigned int mask = modifiers | lockCombination(i);
        if (std::find(done.begin(), done.end(), mask) != done.end())
            continue;
        done.push_back(mask);
        XGrabKey(display_, keycode, mask, root_, False, GrabModeAsync, keyboardMode);
    }
    failed = trap.failed();
}

void X11Platform::ungrabKeyAllLocks(KeyCode keycode, unsigned int modifiers) {
    XErrorTrap trap(display_);
    for (int i = 0; i < 8; ++i)
        XUngrabKey(display_, keycode, modifiers | lockCombination(i), root_);
}

bool X11Platform::isLeftSuperDown() {
    const KeyCode keycode = XKeysymToKeycode(display_, XK_Super_L);
    if (keycode == 0)
        return false;
    char keys[32];
    XQueryKeymap(display_, keys);
    return (keys[keycode / 8] & (1 << (keycode % 8))) != 0;
}

bool X11Platform::grabWhole(KeyCode keycode, unsigned int modifiers, int keyboardMode) {
    bool failed = false;
    grabKeyAllLocks(keycode, modifiers, keyboardMode, failed);
    if (failed)
        ungrabKeyAllLocks(keycode, modifiers); // another program holds part of it: take none
    return !failed;
}

bool X11Platform::leftSuperTaken() {
    // A window manager that binds the left Super key alone (a start menu) takes the whole
    // keyboard while it is down, so a Tab pressed with it never reaches our Super+Tab grab.
    const KeyCode superL = XKeysymToKeycode(display_, XK_Super_L);
    if (superL == 0)
        return false;
    if (!grabWhole(superL, 0, GrabModeAsync))
        return true;
    ungrabKeyAllLocks(superL, 0);
    XFlush(display_);
    return false;
}

std::vector<unsigned int> X11Platform::winTabModifierSets() const {
    // Bit 0 Shift, bit 1 Ctrl, bit 2 Alt, so that Super and Super+Shift come first.
    std::vector<unsigned int> sets;
    for (int combination = 0; combination < 8; ++combination) {
        unsigned int mask = superMask_;
        if (combination & 1)
            mask |= ShiftMask;
        if (combination & 2)
            mask |= ControlMask;
        if (combination & 4)
            mask |= altMask_;
        sets.push_back(mask);
    }
    return sets;
}

bool X11Platform::installWinTabGrab(WinTabHandler handler) {
    removeWinTabGrab();
    const KeyCode tab = XKeysymToKeycode(display_, XK_Tab);
    if (tab == 0 || !handler)
        return false;
    // Keyboard mode Sync: the keyboard freezes on the press until we either swallow it or
    // replay it to the focused program, once we know which Super key is down. Super+Tab and
    // Super+Shift+Tab are the switcher's own and come together or not at all; with Ctrl or Alt
    // also down the Tab is ours too where nobody else holds that combination.
    const std::vector<unsigned int> sets = winTabModifierSets();
    if (!grabWhole(tab, sets[0], GrabModeSync)) {
        winTabHolder_ = KeyHolder::khOtherProgram;
        publishKeys();
        return false;
    }
    if (!grabWhole(tab, sets[1], GrabModeSync)) {
        ungrabKeyAllLocks(tab, sets[0]);
        winTabHolder_ = KeyHolder::khOtherProgram;
        publishKeys();
        return false;
    }
    winTabGrabs_ = {sets[0], sets[1]};
    for (std::size_t i = 2; i < sets.size(); ++i) {
        if (grabWhole(tab, sets[i], GrabModeSync))
            winTabGrabs_.push_back(sets[i]);
    }
    tabKeycodes_ = {tab};
    winTabHandler_ = std::move(handler);
    winTabHolder_ = leftSuperTaken() ? KeyHolder::khLeftSuperAlone : KeyHolder::khOurs;
    publishKeys();
    XFlush(display_);
    return true;
}

void X11Platform::removeWinTabGrab() {
    for (KeyCode tab : tabKeycodes_) {
        for (const unsigned int modifiers : winTabGrabs_)
            ungrabKeyAllLocks(tab, modifiers);
    }
    tabKeycodes_.clear();
    winTabGrabs_.clear();
    winTabHandler_ = nullptr;
    if (winTabHolder_ != KeyHolder::khOtherProgram)
        winTabHolder_ = KeyHolder::khNobody;
    XFlush(display_);
}

KeyHolder X11Platform::winTabHolder() {
    if (tabKeycodes_.empty())
        return winTabHolder_;
    // The left Super key can be taken, or freed, while our Tab grab stays in place.
    const KeyHolder now = leftSuperTaken() ? KeyHolder::khLeftSuperAlone : KeyHolder::khOurs;
    if (now != winTabHolder_) {
        winTabHolder_ = now;
        publishKeys();
    }
    return winTabHolder_;
}

KeyHolder X11Platform::probeWinTab() {
    const KeyCode tab = XKeysymToKeycode(display_, XK_Tab);
    if (tab == 0)
        return KeyHolder::khNobody;
    const unsigned int super = winTabModifierSets()[0];
    if (!grabWhole(tab, super, GrabModeAsync))
        return KeyHolder::khOtherProgram;
    ungrabKeyAllLocks(tab, super);
    XFlush(display_);
    return leftSuperTaken() ? KeyHolder::khLeftSuperAlone : KeyHolder::khNobody;
}

bool X11Platform::hotKeyCombination(std::uint16_t shortcut, KeyCode& keycode, unsigned int& modifiers) const {
    const std::uint32_t keysym = VirtualKeyToKeysym(shortcut & 0xFF);
    if (keysym == 0)
        return false;
    keycode = XKeysymToKeycode(display_, keysym);
    if (keycode == 0)
        return false;
    modifiers = 0;
    if (shortcut & kShortcutShift)
        modifiers |= ShiftMask;
    if (shortcut & kShortcutCtrl)
        modifiers |= ControlMask;
    if (shortcut & kShortcutAlt)
        modifiers |= altMask_;
    return true;
}

bool X11Platform::registerHotKey(std::uint16_t shortcut, HotKeyHandler handler) {
    unregisterHotKey();
    KeyCode keycode = 0;
    unsigned int modifiers = 0;
    if (!handler || !hotKeyCombination(shortcut, keycode, modifiers))
        return false;
    if (!grabWhole(keycode, modifiers, GrabModeAsync)) {
        hotKeyHolder_ = KeyHolder::khOtherProgram;
        publishKeys();
        return false;
    }
    hotKeyGrabs_ = {KeyGrab{keycode, modifiers}};
    hotKeyHandler_ = std::move(handler);
    hotKeyHolder_ = KeyHolder::khOurs;
    hotKeyCode_ = shortcut;
    publishKeys();
    XFlush(display_);
    return true;
}

void X11Platform::unregisterHotKey() {
    for (const KeyGrab& grab : hotKeyGrabs_)
        ungrabKeyAllLocks(grab.keycode, grab.modifiers);
    hotKeyGrabs_.clear();
    hotKeyHandler_ = nullptr;
    hotKeyHolder_ = KeyHolder::khNobody;
    XFlush(display_);
}

KeyHolder X11Platform::probeHotKey(std::uint16_t shortcut) {
    KeyCode keycode = 0;
    unsigned int modifiers = 0;
    if (!hotKeyCombination(shortcut, keycode, modifiers))
        return KeyHolder::khNobody;
    if (!grabWhole(keycode, modifiers, GrabModeAsync))
        return KeyHolder::khOtherProgram;
    ungrabKeyAllLocks(keycode, modifiers);
    XFlush(display_);
    return KeyHolder::khNobody;
}

bool X11Platform::hotKeyModifiersDown() {
    if (hotKeyGrabs_.empty() || hotKeyGrabs_.front().modifiers == 0)
        return false;
    Window rootReturn = None;
    Window child = None;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned int mask = 0;
    XQueryPointer(display_, root_, &rootReturn, &child, &rootX, &rootY, &x, &y, &mask);
    const unsigned int wanted = hotKeyGrabs_.front().modifiers;
    return (mask & wanted) == wanted;
}

bool X11Platform::isHotKeyKey(std::uint32_t scanCode) {
    return !hotKeyGrabs_.empty() && scanCode == hotKeyGrabs_.front().keycode;
}

void X11Platform::publishKeys() {
    // Published on our own helper window, which goes with our connection, so that a stale
    // account never outlives the program; the root only points at it.
    const std::string text =
        std::string("super-tab=") + (winTabHolder_ == KeyHolder::khOurs ? "1" : "0") +
        " hot-key=" + std::to_string(hotKeyHolder_ == KeyHolder::khOurs ? hotKeyCode_ : 0);
    XChangeProperty(display_, helper_, atoms_.zorvaneKeys, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (!publishing_) {
        const unsigned long helper = helper_;
        XChangeProperty(display_, root_, atoms_.zorvaneKeysWindow, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&helper), 1);
        publishing_ = true;
    }
    XFlush(display_);
}

bool X11Platform::runningInstanceKeys(PublishedKeys& keys) {
    const auto owner = getCardinals(root_, atoms_.zorvaneKeysWindow, XA_WINDOW, 1);
    if (owner.empty() || owner[0] == helper_)
        return false;
    XErrorTrap trap(display_);
    const auto text = getProperty(static_cast<Window>(owner[0]), atoms_.zorvaneKeys, XA_STRING, 64);
    if (trap.failed() || !text)
        return false; // the program that wrote it has ended
    const std::string value(text->bytes.begin(), text->bytes.end());
    keys.winTabOurs = value.find("super-tab=1") != std::string::npos;
    const std::size_t code = value.find("hot-key=");
    keys.hotKey = code == std::string::npos
                      ? 0
                      : static_cast<std::uint16_t>(std::strtoul(value.c_str() + code + 8, nullptr, 10));
    return true;
}

std::string X11Platform::windowManagerName() {
    const auto check = getCardinals(root_, atoms_.netSupportingWmCheck, XA_WINDOW, 1);
    if (check.empty())
        return {};
    XErrorTrap trap(display_);
    for (const Atom type : {atoms_.utf8String, static_cast<Atom>(XA_STRING)}) {
        if (const auto name = getProperty(check[0], atoms_.netWmName, type, 256);
            name && !name->bytes.empty())
            return std::string(name->bytes.begin(), name->bytes.end());
    }
    return {};
}

void X11Platform::handleKeyPress(XKeyEvent& event) {
    const unsigned int locks = LockMask | numLockMask_ | scrollLockMask_;
    const unsigned int state = event.state & ~locks;
    if (winTabHandler_ &&
        std::find(tabKeycodes_.begin(), tabKeycodes_.end(), event.keycode) != tabKeycodes_.end() &&
        (state & superMask_) != 0) {
        // While the keyboard is frozen the key map reads as it was at this press, so the
        // left-Super test is exact. Only the left Super key makes Win+Tab ours.
        if (isLeftSuperDown()) {
            XAllowEvents(display_, AsyncKeyboard, event.time);
            XFlush(display_);
            const WinTabHandler handler = winTabHandler_;
            handler((event.state & ShiftMask) != 0);
        } else {
            XAllowEvents(display_, ReplayKeyboard, event.time);
            XFlush(display_);
        }
        return;
    }
    for (const KeyGrab& grab : hotKeyGrabs_) {
        if (grab.keycode == event.keycode && state == grab.modifiers && hotKeyHandler_) {
            const HotKeyHandler handler = hotKeyHandler_;
            handler();
            return;
        }
    }
    // Not ours (any more): a press caught by the Win+Tab grab just before it was removed left
    // the whole keyboard frozen; pass it on. Without a frozen grab this does nothing.
    XAllowEvents(display_, ReplayKeyboard, event.time);
    XFlush(display_);
}

} // namespace x11
} // namespace zorvane
