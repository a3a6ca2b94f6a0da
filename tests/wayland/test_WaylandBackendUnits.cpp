// The Wayland backend's display-free pieces: where windows without geometry go, sway's rectangles
// in device pixels, shared-memory pictures in every format and orientation, icons by app_id, key
// combinations and binding lines, the backend choice's arguments and the key messages it leads to.
#include "app/HotKeyStatus.h"
#include "app/PlatformChoice.h"
#include "platform/wayland/DesktopEntries.h"
#include "platform/wayland/ScreenCopy.h"
#include "platform/wayland/SwaySource.h"
#include "platform/wayland/ToplevelSource.h"
#include "platform/wayland/WaylandPlatform.h"

#include <gtest/gtest.h>
#include <wayland-client-protocol.h>

#include <filesystem>
#include <fstream>

namespace zorvane {
namespace {

using namespace wayland;

TEST(WaylandBackendUnits, WindowsWithoutGeometryGetEqualCardsInsideTheScreen) {
    const Rect screen{100, 50, 1380, 770};
    for (int count : {1, 2, 3, 5, 9, 10}) {
        const std::vector<Rect> places = SpreadEvenly(count, screen);
        ASSERT_EQ(places.size(), static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < places.size(); ++i) {
            const Rect& place = places[i];
            EXPECT_EQ(place.width(), places[0].width());
            EXPECT_GE(place.left, screen.left);
            EXPECT_LE(place.right, screen.right);
            EXPECT_GE(place.top, screen.top);
            EXPECT_LE(place.bottom, screen.bottom);
            // No two cards overlap.
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_TRUE(place.left >= places[j].right || place.right <= places[j].left ||
                            place.top >= places[j].bottom || place.bottom <= places[j].top)
                    << count << " windows, cards " << i << " and " << j;
        }
    }
    EXPECT_TRUE(SpreadEvenly(0, screen).empty());
    EXPECT_TRUE(SpreadEvenly(3, Rect{}).empty());
}

TEST(WaylandBackendUnits, SwayRectanglesIncludeTheTitleBarAndScaleToDevicePixels) {
    SwayWindow window;
    window.x = 640;
    window.y = 25;
    window.width = 640;
    window.height = 695;
    window.titleBarHeight = 25;
    EXPECT_EQ(SwayWindowDeviceRect(window, 1), (Rect{640, 0, 1280, 720}));
    EXPECT_EQ(SwayWindowDeviceRect(window, 2), (Rect{1280, 0, 2560, 1440}));
    window.titleBarHeight = 0; // fullscreen or borderless
    EXPECT_EQ(SwayWindowDeviceRect(window, 1), (Rect{640, 25, 1280, 720}));

    EXPECT_EQ(SwayWallpaperStyle("tile"), wsTile);
    EXPECT_EQ(SwayWallpaperStyle("center"), wsCentre);
    for (const char* covering : {"stretch", "fill", "fit"})
        EXPECT_EQ(SwayWallpaperStyle(covering), wsStretch) << covering;
}

// A 3 x 2 picture as the compositor may hand it: rows `stride` bytes apart, in `format`.
std::vector<std::uint8_t> ShmPicture(int stride, bool redBlueSwapped, bool bottomUp) {
    const std::uint32_t colours[2][3] = {{0x102030, 0x405060, 0x708090}, {0xA0B0C0, 0xD0E0F0, 0x010203}};
    std::vector<std::uint8_t> data(static_cast<std::size_t>(stride) * 2, 0xEE);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const std::uint32_t rgb = colours[bottomUp ? 1 - y : y][x];
            std::uint8_t* pixel = data.data() + y * stride + 4 * x;
            const std::uint8_t red = rgb >> 16, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
            pixel[0] = redBlueSwapped ? red : blue;
            pixel[1] = green;
            pixel[2] = redBlueSwapped ? blue : red;
            pixel[3] = 0xFF;
        }
    }
    return data;
}

TEST(WaylandBackendUnits, ScreenCopiesReadInEveryFormatStrideAndOrientation) {
    struct Case {
        std::uint32_t format;
        bool swapped;
        bool bottomUp;
        int stride;
    };
    const Case cases[] = {
        {WL_SHM_FORMAT_XRGB8888, false, false, 12}, {WL_SHM_FORMAT_ARGB8888, false, false, 16},
        {WL_SHM_FORMAT_XBGR8888, true, false, 12},  {WL_SHM_FORMAT_ABGR8888, true, true, 20},
        {WL_SHM_FORMAT_XRGB8888, false, true, 16},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> data = ShmPicture(c.stride, c.swapped, c.bottomUp);
        CaptureImage image(3, 2);
        ASSERT_TRUE(ConvertShmPicture(data.data(), c.stride, c.format, c.bottomUp, image)) << c.format;
        EXPECT_EQ(image.pixel(0, 0), 0x102030u) << c.format << " stride " << c.stride;
        EXPECT_EQ(image.pixel(2, 0), 0x708090u) << c.format << " stride " << c.stride;
        EXPECT_EQ(image.pixel(1, 1), 0xD0E0F0u) << c.format << " stride " << c.stride;
    }
    CaptureImage image(3, 2);
    const std::vector<std::uint8_t> data = ShmPicture(12, false, false);
    EXPECT_FALSE(ConvertShmPicture(data.data(), 12, WL_SHM_FORMAT_RGB565, false, image));
}

TEST(WaylandBackendUnits, IconsComeFromTheDesktopEntryElseTheAppIdItself) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "zv-desktop-entries";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(folder / name) << text;
    };
    write("org.example.Editor.desktop", "[Desktop Entry]\nName=Editor\nIcon=accessories-text-editor\n");
    write("terminal.desktop", "[Desktop Entry]\nIcon=utilities-terminal\n[Desktop Action new]\nIcon=wrong\n");
    write("browser.desktop", "[Desktop Entry]\nIcon=web-browser\nStartupWMClass=Navigator\n");
    const std::vector<std::string> folders{folder.string(), (folder / "missing").string()};
    EXPECT_EQ(IconNameForAppId("org.example.Editor", folders), "accessories-text-editor");
    EXPECT_EQ(IconNameForAppId("ORG.EXAMPLE.EDITOR", folders), "accessories-text-editor");
    EXPECT_EQ(IconNameForAppId("org.other.Terminal", folders), "utilities-terminal"); // by its last part
    EXPECT_EQ(IconNameForAppId("Navigator", folders), "web-browser");                 // Xwayland's class
    EXPECT_EQ(IconNameForAppId("Foot", folders), "foot");
    EXPECT_EQ(IconNameForAppId("", folders), "");
    std::filesystem::remove_all(folder);
}

TEST(WaylandBackendUnits, HotKeysBecomeCompositorCombinationsAndBindingLines) {
    EXPECT_EQ(WaylandShortcutCombo(0x8000 | 0xC0), "Mod1+grave");
    EXPECT_EQ(WaylandShortcutCombo(0x4000 | 0x2000 | 0x74), "Control+Shift+F5");
    EXPECT_EQ(WaylandShortcutCombo('Q'), "q");
    EXPECT_EQ(WaylandShortcutCombo(0x07), ""); // no such key
    const std::string lines = WaylandBindingLines("/usr/bin/zorvane", 0x8000 | 0xC0);
    EXPECT_EQ(lines, "bindsym Mod4+Tab exec /usr/bin/zorvane --wintab\n"
                     "bindsym Mod4+Shift+Tab exec /usr/bin/zorvane --wintab-back\n"
                     "bindsym Mod1+grave exec /usr/bin/zorvane --show\n");
    EXPECT_EQ(WaylandBindingLines("zorvane", 0).find("--show"), std::string::npos);
}

TEST(WaylandBackendUnits, PlatformOptionIsCheckedBeforeAnythingStarts) {
    std::string error;
    const auto parse = [&](std::vector<std::string> words) {
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        error.clear();
        return PlatformKindFromArguments(static_cast<int>(argv.size()), argv.data(), error);
    };
    EXPECT_EQ(parse({"zorvane"}), PlatformKind::pkAuto);
    EXPECT_EQ(parse({"zorvane", "--platform", "Wayland"}), PlatformKind::pkWayland);
    EXPECT_EQ(parse({"zorvane", "--list-windows", "--platform=x11"}), PlatformKind::pkX11);
    EXPECT_FALSE(parse({"zorvane", "--platform", "mir"}));
    EXPECT_NE(error.find("mir"), std::string::npos);
    EXPECT_FALSE(parse({"zorvane", "--platform"}));
    EXPECT_FALSE(error.empty());
}

TEST(WaylandBackendUnits, KeyMessagesNameTheConfigurationLineOrGiveTheLinesToAdd) {
    THotKeyReport taken;
    taken.WinTab = KeyHolder::khOtherProgram;
    taken.HotKey = KeyHolder::khOurs;
    taken.ShortCut = 0x8000 | 0xC0;
    taken.WindowManager = "sway 1.7";
    taken.WinTabTakenBy = "sway, line 12 of its configuration: bindsym $mod+Tab focus next";
    const std::string message = HotKeyStatusMessage(taken);
    EXPECT_NE(message.find("taken by sway, line 12 of its configuration: bindsym $mod+Tab focus next"),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("swaymsg reload"), std::string::npos) << message;
    EXPECT_EQ(message.find("xfwm4"), std::string::npos) << "no X11 advice: " << message;

    THotKeyReport unbindable;
    unbindable.BindingLines = WaylandBindingLines("zorvane", 0x8000 | 0xC0);
    EXPECT_TRUE(HotKeysNeedTelling(unbindable));
    EXPECT_NE(HotKeyStatusMessage(unbindable).find("bindsym Mod4+Tab exec zorvane --wintab"),
              std::string::npos);
}

} // namespace
} // namespace zorvane
