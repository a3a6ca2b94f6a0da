// The view's monitor: which one it opens on, and the desktop seen from it (its size, window places
// from its corner, its part of the desktop picture).
#include "windows/MonitorScreen.h"

#include "WindowListFixture.h"

#include <gtest/gtest.h>

namespace zorvane::test {
namespace {

// Two monitors side by side, the primary on the right (away from the root's corner), and a third
// below the left one that mirrors part of it.
const Monitor kLeft{"LEFT", Rect{0, 0, 1920, 1080}, false};
const Monitor kRight{"RIGHT", Rect{1920, 0, 3840, 1200}, true};
const Monitor kBelow{"BELOW", Rect{0, 1080, 1280, 1800}, false};

TEST(ChooseMonitor, FollowsThePointerOrTakesThePrimary) {
    struct Row {
        const char* what;
        std::vector<Monitor> monitors;
        std::optional<ScreenPoint> pointer;
        int choice;
        std::string expected; // name; "" for the empty answer
    };
    const Monitor mirror{"MIRROR", Rect{0, 0, 1920, 1080}, true};
    const Monitor unnamedFirst{"FIRST", Rect{0, 0, 800, 600}, false};
    const Monitor second{"SECOND", Rect{800, 0, 1600, 600}, false};
    const Row rows[] = {
        // The pointer's monitor, at its corners and edges.
        {"pointer on the left", {kLeft, kRight}, ScreenPoint{100, 100}, mcPointer, "LEFT"},
        {"pointer on the right", {kLeft, kRight}, ScreenPoint{2000, 1100}, mcPointer, "RIGHT"},
        {"first pixel of the right one", {kLeft, kRight}, ScreenPoint{1920, 0}, mcPointer, "RIGHT"},
        {"last pixel of the left one", {kLeft, kRight}, ScreenPoint{1919, 1079}, mcPointer, "LEFT"},
        {"below", {kLeft, kRight, kBelow}, ScreenPoint{5, 1500}, mcPointer, "BELOW"},
        // Where no monitor is (beside the short one), the nearest.
        {"in the gap", {kLeft, kRight, kBelow}, ScreenPoint{1700, 1150}, mcPointer, "LEFT"},
        {"far right of the gap", {kLeft, kRight, kBelow}, ScreenPoint{1900, 1900}, mcPointer, "BELOW"},
        // Mirrored monitors: the primary among them.
        {"mirror", {kLeft, mirror}, ScreenPoint{10, 10}, mcPointer, "MIRROR"},
        // The primary when asked, or when the pointer is elsewhere; else the first listed.
        {"primary asked", {kLeft, kRight}, ScreenPoint{100, 100}, mcPrimary, "RIGHT"},
        {"no pointer", {kLeft, kRight}, std::nullopt, mcPointer, "RIGHT"},
        {"no primary", {unnamedFirst, second}, std::nullopt, mcPrimary, "FIRST"},
        // A stored value the choice does not know reads as the pointer's monitor.
        {"unknown choice", {kLeft, kRight}, ScreenPoint{100, 100}, 7, "LEFT"},
        {"no monitors", {}, ScreenPoint{100, 100}, mcPointer, ""},
    };
    for (const Row& row : rows) {
        const Monitor chosen = ChooseMonitor(row.monitors, row.pointer, row.choice);
        EXPECT_EQ(chosen.name, row.expected) << row.what;
        if (row.expected.empty()) {
            EXPECT_TRUE(chosen.rect.empty()) << row.what;
        }
    }
}

TEST(MonitorScreen, PlacesWindowsFromItsCornerSoOthersLieBeyondItsEdges) {
    FakeScreen desktop;
    desktop.width = 1920; // the platform's own screen: the primary's size
    desktop.height = 1080;
    desktop.rects[1] = Rect{2020, 100, 2420, 400}; // on the right monitor
    desktop.rects[2] = Rect{200, 50, 600, 350};    // on the left one
    desktop.regions[2] = Rect{10, 20, 390, 290};
    struct NoWallpaper : WallpaperSource {
        WallpaperInfo wallpaperInfo() const override { return {}; }
    } wallpaper;
    const TMonitorScreen right(desktop, wallpaper, kRight.rect);
    EXPECT_EQ(right.screenWidth(), 1920);
    EXPECT_EQ(right.screenHeight(), 1200);
    Rect rect;
    ASSERT_TRUE(right.windowRect(1, rect));
    EXPECT_EQ(rect, (Rect{100, 100, 500, 400}));
    ASSERT_TRUE(right.windowRect(2, rect));
    EXPECT_EQ(rect, (Rect{-1720, 50, -1320, 350}));
    EXPECT_FALSE(right.windowRect(3, rect));
    Rect box;
    ASSERT_TRUE(right.windowRegionBox(2, box));
    EXPECT_EQ(box, (Rect{10, 20, 390, 290}));

    // Home places in view units: the right monitor's window inside the screen, the left one's beyond
    // the left edge (-0.5), where it really is, so it flies in from there.
    ASSERT_TRUE(right.windowRect(1, rect));
    const TextureLayout inside =
        ComputeTextureLayout(400, 300, right.screenWidth(), right.screenHeight(), rect, nullptr);
    EXPECT_NEAR(inside.HomeX, 100.0 / 1920 - 0.5, 1e-6);
    EXPECT_NEAR(inside.HomeY, 0.5 - 100.0 / 1200, 1e-6);
    ASSERT_TRUE(right.windowRect(2, rect));
    const TextureLayout beyond =
        ComputeTextureLayout(380, 270, right.screenWidth(), right.screenHeight(), rect, &box);
    EXPECT_LT(beyond.HomeX + beyond.Width, -0.5f);
    EXPECT_NEAR(beyond.HomeX, (-1720.0 + 10) / 1920 - 0.5, 1e-6);
}

TEST(MonitorScreen, DesktopPictureIsThatMonitorsPart) {
    // The whole desktop's picture: the left monitor's part red, the right one's green, a blue mark
    // at the right monitor's corner; it ends 100 pixels short of the right monitor's bottom.
    struct WholeDesktop : WallpaperSource {
        WallpaperInfo wallpaperInfo() const override {
            auto picture = std::make_shared<CaptureImage>(3840, 1100);
            picture->fill(0xFF0000);
            for (int y = 0; y < 1100; ++y)
                for (int x = 1920; x < 3840; ++x)
                    picture->setPixel(x, y, 0x00FF00);
            picture->setPixel(1920, 0, 0x0000FF);
            WallpaperInfo info;
            info.fileName = "_XROOTPMAP_ID:0x1";
            info.picture = picture;
            info.desktopColor = 0x808080;
            return info;
        }
    } whole;
    FakeScreen desktop;
    const WallpaperInfo right = TMonitorScreen(desktop, whole, kRight.rect).wallpaperInfo();
    ASSERT_TRUE(right.picture);
    EXPECT_EQ(right.fileName, "_XROOTPMAP_ID:0x1");
    EXPECT_EQ(right.picture->width(), 1920);
    EXPECT_EQ(right.picture->height(), 1200);
    EXPECT_EQ(right.picture->pixel(0, 0), 0x0000FFu);
    EXPECT_EQ(right.picture->pixel(1, 0), 0x00FF00u);
    EXPECT_EQ(right.picture->pixel(1919, 1099), 0x00FF00u);
    // Beyond the desktop's picture: the desktop colour.
    EXPECT_EQ(right.picture->pixel(5, 1150), 0x808080u);

    // The monitor at the corner reads the picture from the corner as it is.
    const WallpaperInfo left = TMonitorScreen(desktop, whole, kLeft.rect).wallpaperInfo();
    ASSERT_TRUE(left.picture);
    EXPECT_EQ(left.picture->pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(left.picture->pixel(1919, 0), 0xFF0000u);
}

} // namespace
} // namespace zorvane::test
