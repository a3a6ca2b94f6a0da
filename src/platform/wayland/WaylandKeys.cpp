// WaylandKeys: a Wayland client cannot grab keys, so Zorvane asks the compositor to bind them
// (sway: through its IPC) to commands that reach the running instance over its command channel:
// Super+Tab runs `zorvane --wintab`, Super+Shift+Tab `--wintab-back`, the custom hot key `--show`.
// The bindings are removed at exit. Also: what --diagnostics says about this backend.
#include "platform/DisplayName.h"
#include "platform/KeySyms.h"
#include "platform/posix/PosixSession.h"
#include "platform/posix/StatusNotifierHosts.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandPlatformImpl.h"

#include <xkbcommon/xkbcommon.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <utility>

namespace zorvane {

namespace {

constexpr const char* kWinTabCombo = "Mod4+Tab";
constexpr const char* kWinTabBackCombo = "Mod4+Shift+Tab";

} // namespace

std::string WaylandShortcutCombo(std::uint16_t shortcut) {
    const std::uint32_t keysym = VirtualKeyToKeysym(shortcut & 0xFF);
    if (keysym == 0)
        return {};
    char name[64] = {};
    if (xkb_keysym_get_name(keysym, name, sizeof name) <= 0)
        return {};
    std::string combo;
    if (shortcut & 0x4000)
        combo += "Control+";
    if (shortcut & 0x8000)
        combo += "Mod1+";
    if (shortcut & 0x2000)
        combo += "Shift+";
    return combo + name;
}

std::string WaylandBindingLines(const std::string& executable, std::uint16_t shortcut) {
    std::string lines = std::string("bindsym ") + kWinTabCombo + " exec " + executable + " --wintab\n" +
                        "bindsym " + kWinTabBackCombo + " exec " + executable + " --wintab-back\n";
    const std::string hotKey = WaylandShortcutCombo(shortcut);
    if (!hotKey.empty())
        lines += "bindsym " + hotKey + " exec " + executable + " --show\n";
    return lines;
}

namespace wayland {

std::string WaylandPlatform::commandFor(const std::string& option) const {
    std::error_code ec;
    std::string executable = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (ec || executable.empty())
        executable = "zorvane";
    // sway runs the command through the shell: quoted, whatever the path holds.
    std::string quoted = "'";
    for (char c : executable)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "' " + option;
}

bool WaylandPlatform::installWinTabGrab(WinTabHandler handler) {
    // The bound command (zorvane --wintab) reaches the running instance on its command channel;
    // where the compositor reports the binding as it runs (sway), the handler is called sooner.
    removeWinTabGrab();
    winTabHandler_ = std::move(handler);
    winTabTakenBy_.clear();
    const std::optional<KeyBindResult> forward = source_->bindKey(kWinTabCombo, commandFor("--wintab"));
    cannotBind_ = !forward;
    if (!forward) {
        winTabHolder_ = KeyHolder::khNobody;
        return false;
    }
    if (!forward->bound) {
        winTabHolder_ = KeyHolder::khOtherProgram;
        winTabTakenBy_ = forward->takenBy;
        publishKeys();
        return false;
    }
    winTabCombo_ = kWinTabCombo;
    const std::optional<KeyBindResult> back = source_->bindKey(kWinTabBackCombo, commandFor("--wintab-back"));
    if (back && back->bound)
        winTabBackCombo_ = kWinTabBackCombo;
    winTabHolder_ = KeyHolder::khOurs;
    publishKeys();
    return true;
}

void WaylandPlatform::removeWinTabGrab() {
    for (std::string* combo : {&winTabCombo_, &winTabBackCombo_}) {
        if (!combo->empty())
            source_->unbindKey(*combo);
        combo->clear();
    }
    if (winTabHolder_ == KeyHolder::khOurs)
        winTabHolder_ = KeyHolder::khNobody;
}

bool WaylandPlatform::registerHotKey(std::uint16_t shortcut, HotKeyHandler handler) {
    unregisterHotKey();
    hotKeyHandler_ = std::move(handler);
    hotKeyTakenBy_.clear();
    hotKeyCode_ = shortcut;
    const std::string combo = shortcut == 0 ? std::string() : WaylandShortcutCombo(shortcut);
    if (combo.empty()) {
        hotKeyHolder_ = KeyHolder::khNobody;
        publishKeys();
        return false;
    }
    const std::optional<KeyBindResult> result = source_->bindKey(combo, commandFor("--show"));
    if (!result || !result->bound) {
        hotKeyHolder_ = result ? KeyHolder::khOtherProgram : KeyHolder::khNobody;
        if (result)
            hotKeyTakenBy_ = result->takenBy;
        publishKeys();
        return false;
    }
    hotKeyCombo_ = combo;
    hotKeyHolder_ = KeyHolder::khOurs;
    publishKeys();
    return true;
}

void WaylandPlatform::unregisterHotKey() {
    if (!hotKeyCombo_.empty())
        source_->unbindKey(hotKeyCombo_);
    hotKeyCombo_.clear();
    hotKeyHolder_ = KeyHolder::khNobody;
}

void WaylandPlatform::dispatchRunBindings() {
    for (const std::string& command : source_->takeRunBindings()) {
        // Only this program's own bindings (the compositor may have re-quoted the path).
        const auto is = [&](const std::string& option) {
            return command.size() > option.size() && command.compare(0, 5, "exec ") == 0 &&
                   command.find("zorvane") != std::string::npos &&
                   command.compare(command.size() - option.size() - 1, std::string::npos, " " + option) == 0;
        };
        if (is("--wintab") && winTabHandler_ && winTabHolder_ == KeyHolder::khOurs)
            winTabHandler_(false);
        else if (is("--wintab-back") && winTabHandler_ && winTabHolder_ == KeyHolder::khOurs)
            winTabHandler_(true);
        else if (is("--show") && hotKeyHandler_ && hotKeyHolder_ == KeyHolder::khOurs)
            hotKeyHandler_();
    }
}

std::string WaylandPlatform::keyBindingAdvice(std::uint16_t shortcut) {
    if (!cannotBind_)
        return {};
    std::error_code ec;
    const std::string executable = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    return WaylandBindingLines(ec ? std::string("zorvane") : executable, shortcut);
}

KeyHolder WaylandPlatform::probeWinTab() {
    // Binding and unbinding to find out would take the keys from a running Zorvane: ask instead.
    PublishedKeys keys;
    if (runningInstanceKeys(keys) && keys.winTabOurs)
        return KeyHolder::khOtherProgram;
    return KeyHolder::khNobody;
}

KeyHolder WaylandPlatform::probeHotKey(std::uint16_t shortcut) {
    PublishedKeys keys;
    if (runningInstanceKeys(keys) && keys.hotKey == shortcut && shortcut != 0)
        return KeyHolder::khOtherProgram;
    return KeyHolder::khNobody;
}

std::string WaylandPlatform::windowManagerName() {
    return source_->compositorName();
}

std::string WaylandPlatform::diagnostics() {
    std::ostringstream out;
    out << "platform: wayland (a Wayland session whose compositor offers a window list)\n";
    out << "wayland display: " << display_->socketName() << "\n";
    const std::string compositor = source_->compositorName();
    out << "compositor: " << (compositor.empty() ? "(unknown)" : compositor) << "\n";
    out << "window source: " << source_->name() << "\n";
    out << "protocols:";
    for (const std::string& global : display_->globals()) {
        if (global.rfind("zwlr_", 0) == 0 || global.rfind("zxdg_output", 0) == 0 ||
            global.rfind("zwp_virtual_keyboard", 0) == 0 || global.rfind("wl_shm", 0) == 0)
            out << " " << global;
    }
    out << "\n";
    out << "screen copies: " << (display_->screencopyManager() ? "yes" : "no (windows show as cards)")
        << "\n";
    for (const auto& output : display_->outputs())
        out << "output: " << output->name << " " << output->pixelWidth << "x" << output->pixelHeight << " at "
            << output->logicalX << "," << output->logicalY << " scale " << output->scale << "\n";
    out << "system tray (StatusNotifierItem): " << StatusNotifierHostState() << "\n";
    const std::string report = source_->bindingReport();
    if (!report.empty())
        out << report;
    return out.str();
}

} // namespace wayland
} // namespace zorvane

namespace zorvane::wayland {

namespace {

// Where the running instance says which keys it holds: beside its lock, gone with its exit.
std::string keysFilePath() {
    std::string key;
    for (char c : WaylandDisplayKey())
        key += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-') ? c : '_';
    return UserTempDirectory() + "/Zorvane-" + std::to_string(::getuid()) + "-" + key + ".keys";
}

} // namespace

void WaylandPlatform::publishKeys() {
    const std::string path = keysFilePath();
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "super-tab=" << (winTabHolder_ == KeyHolder::khOurs ? 1 : 0)
            << " hot-key=" << (hotKeyHolder_ == KeyHolder::khOurs ? hotKeyCode_ : 0) << "\n";
        if (!out)
            return;
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    publishedKeys_ = !ec;
}

bool WaylandPlatform::runningInstanceKeys(PublishedKeys& keys) {
    std::ifstream in(keysFilePath());
    int winTab = 0;
    unsigned hotKey = 0;
    std::string text;
    if (!std::getline(in, text) ||
        std::sscanf(text.c_str(), "super-tab=%d hot-key=%u", &winTab, &hotKey) != 2)
        return false;
    keys.winTabOurs = winTab == 1;
    keys.hotKey = static_cast<std::uint16_t>(hotKey);
    return true;
}

void WaylandPlatform::withdrawKeys() {
    if (publishedKeys_) {
        std::error_code ec;
        std::filesystem::remove(keysFilePath(), ec);
    }
}

} // namespace zorvane::wayland
