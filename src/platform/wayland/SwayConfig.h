// SwayConfig: reads a sway configuration's text for the wallpaper and for the key bindings it takes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvane::wayland {

// One command as sway runs it: continuation lines joined, variables expanded, and the headers of
// the blocks around it ("mode \"resize\" {", "output * {") put in front.
struct SwayConfigLine {
    int lineNumber = 0; // 1-based, of the command's first line
    std::string raw;    // as written, trimmed (continued lines joined by a space)
    std::string text;
};

// Comments, empty lines, block braces, "set" and "include" lines are left out.
std::vector<SwayConfigLine> ReadSwayConfig(std::string_view configText);

struct SwayWallpaper {
    std::string file;                    // home expanded; empty for solid_color
    std::string mode;                    // stretch, fill, fit, center, tile or solid_color
    std::optional<std::uint32_t> colour; // 0xRRGGBB: the solid colour, or the one around the picture
};

// From "output * bg|background ...", else from the first output named with one; the last setting
// for that output wins, as in sway.
std::optional<SwayWallpaper> FindSwayWallpaper(std::string_view configText, const std::string& home);

namespace SwayModifier {
inline constexpr std::uint32_t shift = 1u << 0;
inline constexpr std::uint32_t lock = 1u << 1; // Caps Lock
inline constexpr std::uint32_t ctrl = 1u << 2;
inline constexpr std::uint32_t mod1 = 1u << 3; // Alt
inline constexpr std::uint32_t mod2 = 1u << 4;
inline constexpr std::uint32_t mod3 = 1u << 5;
inline constexpr std::uint32_t mod4 = 1u << 6; // Super, Logo
inline constexpr std::uint32_t mod5 = 1u << 7;
} // namespace SwayModifier

struct SwayCombo {
    std::uint32_t modifiers = 0; // SwayModifier bits
    std::string key;             // a keysym name as written, e.g. "Tab"; keys after the first joined by '+'
};

// "Mod4+Shift+Tab", "Alt+tab", "Super+Control+Escape": modifier names in any case. nullopt without a
// key or for an empty part.
std::optional<SwayCombo> ParseCombo(std::string_view text);
// Same modifiers and the same key, keysym names compared the way sway matches them.
bool SameCombo(const SwayCombo& a, const SwayCombo& b);
// For a bindsym line: "Mod4+Shift+Tab".
std::string FormatCombo(const SwayCombo& combo);

struct SwayBinding {
    std::string line; // as written, trimmed
    int lineNumber = 0;
    std::string command;
    // The command only starts this program's own switching (zorvane --wintab, --wintab-back, --show):
    // the combination is ours already rather than taken.
    bool ownCommand = false;
};

// The default mode's bindsym for combo that is in force (a later one replaces an earlier one with the
// same flags; unbindsym removes it); another command wins over one of our own. Bindings in other
// modes and in bar blocks do not count.
std::optional<SwayBinding> FindBinding(std::string_view configText, const SwayCombo& combo);

} // namespace zorvane::wayland
