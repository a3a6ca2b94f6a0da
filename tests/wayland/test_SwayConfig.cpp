// Sway configuration text: the wallpaper it sets and the key bindings it takes.
#include "platform/wayland/SwayConfig.h"

#include <gtest/gtest.h>

using namespace zorvane::wayland;

namespace {

TEST(SwayConfig, FindsTheWallpaper) {
    struct Case {
        const char* what;
        const char* config;
        std::optional<SwayWallpaper> expected;
    };
    const Case cases[] = {
        {"home expanded", "output * bg ~/Pictures/a.png fill",
         SwayWallpaper{"/home/u/Pictures/a.png", "fill", {}}},
        {"quoted with spaces, fallback colour", "output * background \"/x/My Pictures/b c.jpg\" fit #102030",
         SwayWallpaper{"/x/My Pictures/b c.jpg", "fit", 0x102030}},
        {"unquoted spaces run up to the mode", "output * bg /x/My Pictures/f.png center",
         SwayWallpaper{"/x/My Pictures/f.png", "center", {}}},
        {"solid colour", "output * bg #FF8800 solid_color", SwayWallpaper{"", "solid_color", 0xff8800}},
        {"alpha dropped", "output * bg /a.png tile #11223344", SwayWallpaper{"/a.png", "tile", 0x112233}},
        {"variable", "set $wp $HOME/w.png\noutput * bg $wp stretch",
         SwayWallpaper{"/home/u/w.png", "stretch", {}}},
        {"every output wins over a named one", "output HDMI-A-1 bg /a.png fill\noutput * bg /b.png fill",
         SwayWallpaper{"/b.png", "fill", {}}},
        {"else the first named",
         "output DP-1 bg /a.png fill\noutput HDMI-A-1 bg /b.png fill\noutput DP-1 bg /c.png fit",
         SwayWallpaper{"/c.png", "fit", {}}},
        {"the last setting wins", "output * bg /a.png fill\noutput * bg /b.png fit",
         SwayWallpaper{"/b.png", "fit", {}}},
        {"in a block", "output * {\n  mode 1920x1080\n  bg /c.png tile\n}",
         SwayWallpaper{"/c.png", "tile", {}}},
        {"after other subcommands, mode in capitals", "output * scale 2 bg /e.png FILL",
         SwayWallpaper{"/e.png", "fill", {}}},
        {"continued line", "output * \\\n    bg /d.png fill", SwayWallpaper{"/d.png", "fill", {}}},
        {"quoted output name", "output \"Dell Inc. U2415\" bg /g.png fill",
         SwayWallpaper{"/g.png", "fill", {}}},
        {"commented out", "# output * bg /no.png fill", std::nullopt},
        {"no mode", "output * bg /no.png", std::nullopt},
        {"bad colour", "output * bg orange solid_color", std::nullopt},
        {"none", "bindsym Mod4+Return exec foot", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto wallpaper = FindSwayWallpaper(c.config, "/home/u");
        ASSERT_EQ(wallpaper.has_value(), c.expected.has_value());
        if (!wallpaper)
            continue;
        EXPECT_EQ(wallpaper->file, c.expected->file);
        EXPECT_EQ(wallpaper->mode, c.expected->mode);
        EXPECT_EQ(wallpaper->colour, c.expected->colour);
    }
}

TEST(SwayConfig, CombosParseAndFormat) {
    using namespace SwayModifier;
    struct Case {
        const char* text;
        std::optional<std::uint32_t> modifiers; // nullopt: refused
        const char* key;
        const char* formatted;
    };
    const Case cases[] = {
        {"Mod4+Shift+Tab", mod4 | shift, "Tab", "Mod4+Shift+Tab"},
        {"alt+tab", mod1, "tab", "Mod1+tab"},
        {"Super+Control+Escape", mod4 | ctrl, "Escape", "Mod4+Ctrl+Escape"},
        {"LOGO+ctrl+Mod1+a", mod4 | ctrl | mod1, "a", "Mod4+Ctrl+Mod1+a"},
        {"Tab", 0u, "Tab", "Tab"},
        {"Mod4+a+b", mod4, "a+b", "Mod4+a+b"},
        {"Mod4+", std::nullopt, "", ""},
        {"Shift", std::nullopt, "", ""},
        {"", std::nullopt, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto combo = ParseCombo(c.text);
        ASSERT_EQ(combo.has_value(), c.modifiers.has_value());
        if (!combo)
            continue;
        EXPECT_EQ(combo->modifiers, *c.modifiers);
        EXPECT_EQ(combo->key, c.key);
        EXPECT_EQ(FormatCombo(*combo), c.formatted);
    }
}

TEST(SwayConfig, FindsTheBindingInForce) {
    struct Case {
        const char* what;
        const char* config;
        const char* combo;
        const char* line; // nullptr: not bound
        int lineNumber;
        bool own;
    };
    const Case cases[] = {
        {"variable", "set $mod Mod4\n\nbindsym $mod+Tab exec foo", "Mod4+Tab", "bindsym $mod+Tab exec foo", 3,
         false},
        {"flags", "  bindsym --release --to-code Mod1+Tab exec foo  ", "Alt+Tab",
         "bindsym --release --to-code Mod1+Tab exec foo", 1, false},
        {"case of names", "BindSym ALT+TAB exec foo", "Mod1+Tab", "BindSym ALT+TAB exec foo", 1, false},
        {"Shift+Tab's keysym", "bindsym Mod1+Shift+ISO_Left_Tab exec foo", "Mod1+Shift+Tab",
         "bindsym Mod1+Shift+ISO_Left_Tab exec foo", 1, false},
        {"longer variable first", "set $mod Mod4\nset $mod_alt Mod1\nbindsym $mod_alt+Tab exec foo",
         "Mod1+Tab", "bindsym $mod_alt+Tab exec foo", 3, false},
        {"continued over lines", "# keys\r\nbindsym Mod1+Tab \\\r\n    exec foo\r\n", "Mod1+Tab",
         "bindsym Mod1+Tab exec foo", 2, false},
        {"our own command", "bindsym Mod1+Tab exec zorvane --wintab", "Mod1+Tab",
         "bindsym Mod1+Tab exec zorvane --wintab", 1, true},
        {"our own, quoted, full path", "bindsym Mod4+Tab exec \"/usr/bin/zorvane --show\"", "Mod4+Tab",
         "bindsym Mod4+Tab exec \"/usr/bin/zorvane --show\"", 1, true},
        {"ours, then another command", "bindsym Mod4+Tab exec zorvane; exec foo --show", "Mod4+Tab",
         "bindsym Mod4+Tab exec zorvane; exec foo --show", 1, false},
        {"another program of ours is not", "bindsym Mod4+Tab exec zorvane-settings --show", "Mod4+Tab",
         "bindsym Mod4+Tab exec zorvane-settings --show", 1, false},
        {"another binding beside ours wins",
         "bindsym Mod1+Tab exec zorvane --wintab\nbindsym --release Mod1+Tab exec foo", "Mod1+Tab",
         "bindsym --release Mod1+Tab exec foo", 2, false},
        {"a later one replaces",
         "bindsym Mod1+Tab exec foo\nbindsym --to-code Mod1+Tab exec zorvane --wintab-back", "Mod1+Tab",
         "bindsym --to-code Mod1+Tab exec zorvane --wintab-back", 2, true},
        {"unbound again", "bindsym Mod1+Tab exec foo\nunbindsym Mod1+Tab", "Mod1+Tab", nullptr, 0, false},
        {"other modifiers", "bindsym Mod1+Shift+Tab exec foo", "Mod1+Tab", nullptr, 0, false},
        {"commented out", "# bindsym Mod1+Tab exec foo", "Mod1+Tab", nullptr, 0, false},
        {"another mode", "mode \"resize\" {\n    bindsym Mod1+Tab exec foo\n}", "Mod1+Tab", nullptr, 0,
         false},
        {"another mode, brace below",
         "mode --pango_markup resize\n{\n  bindsym Mod1+Tab exec foo\n}\nbindsym Mod1+Tab nop", "Mod1+Tab",
         "bindsym Mod1+Tab nop", 5, false},
        {"the default mode's block", "mode \"default\" {\n  bindsym Mod1+Tab exec foo\n}", "Mod1+Tab",
         "bindsym Mod1+Tab exec foo", 2, false},
        {"a bar's buttons", "bar {\n  bindsym button4 workspace next\n}", "button4", nullptr, 0, false},
        {"bindcode", "bindcode Mod1+23 exec foo", "Mod1+Tab", nullptr, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto combo = ParseCombo(c.combo);
        ASSERT_TRUE(combo);
        const auto binding = FindBinding(c.config, *combo);
        ASSERT_EQ(binding.has_value(), c.line != nullptr);
        if (!binding)
            continue;
        EXPECT_EQ(binding->line, c.line);
        EXPECT_EQ(binding->lineNumber, c.lineNumber);
        EXPECT_EQ(binding->ownCommand, c.own);
    }
}

TEST(SwayConfig, CommandsCarryTheirBlocksAndLineNumbers) {
    const auto lines =
        ReadSwayConfig("set $m Mod4\ninclude /etc/sway/config.d/*\nbar {\n  colors {\n"
                       "    background #000000\n  }\n  position top\n}\nbindsym $m+a \\\n nop");
    std::vector<std::pair<int, std::string>> got;
    for (const auto& line : lines)
        got.emplace_back(line.lineNumber, line.text);
    EXPECT_EQ(got,
              (std::vector<std::pair<int, std::string>>{
                  {5, "bar colors background #000000"}, {7, "bar position top"}, {9, "bindsym Mod4+a nop"}}));
}

} // namespace
