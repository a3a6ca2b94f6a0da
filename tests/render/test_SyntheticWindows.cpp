// The made-up desktops of zorvane-render: window pictures that tell windows apart at a glance, of
// exactly the size asked for, and layouts that keep every window on the screen.
#include "render/SyntheticWindows.h"

#include <gtest/gtest.h>

#include <string>

namespace zorvane {
namespace {

double DifferingShare(const CaptureImage& a, const CaptureImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            differing += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return static_cast<double>(differing) / (a.width() * a.height());
}

TEST(SyntheticPictures, EveryWindowLooksDifferentFromTheOthers) {
    std::vector<std::unique_ptr<CaptureImage>> pictures;
    for (int i = 0; i < 12; ++i) {
        pictures.push_back(MakeSyntheticPicture(320, 200, i));
    }
    // Windows of the same kind of program (five apart) still differ in colour, text and number;
    // windows next to each other in the stack are different kinds of program.
    for (int i = 0; i < 12; ++i) {
        for (int j = i + 1; j < 12; ++j) {
            EXPECT_GT(DifferingShare(*pictures[i], *pictures[j]), j == i + 1 ? 0.6 : 0.15)
                << "windows " << i << " and " << j;
        }
    }
    // The same number always gives the same picture.
    EXPECT_EQ(DifferingShare(*pictures[5], *MakeSyntheticPicture(320, 200, 5)), 0.0);
}

TEST(SyntheticPictures, HaveExactlyTheSizeAskedFor) {
    const int sizes[][2] = {{1, 1}, {2, 3}, {7, 5}, {3, 900}, {900, 3}, {1281, 719}};
    for (const auto& size : sizes) {
        for (int index : {0, 1, 2, 3, 4, 9, 23}) {
            SCOPED_TRACE(std::to_string(size[0]) + " x " + std::to_string(size[1]) + ", window " +
                         std::to_string(index));
            const auto picture = MakeSyntheticPicture(size[0], size[1], index);
            EXPECT_EQ(picture->width(), size[0]);
            EXPECT_EQ(picture->height(), size[1]);
        }
    }
}

TEST(SyntheticLayouts, KeepEveryWindowOnTheScreen) {
    struct Case {
        int count, screenWidth, screenHeight;
        std::optional<std::pair<int, int>> size;
    };
    const Case cases[] = {
        {10, 1920, 1080, std::pair{1280, 720}},
        {16, 1280, 720, std::nullopt},
        {3, 160, 120, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " windows on " + std::to_string(c.screenWidth));
        const std::vector<WindowSetup> windows =
            SyntheticLayout(c.count, c.screenWidth, c.screenHeight, c.size);
        ASSERT_EQ(static_cast<int>(windows.size()), c.count);
        for (const WindowSetup& window : windows) {
            EXPECT_GE(window.rect.left, 0);
            EXPECT_GE(window.rect.top, 0);
            EXPECT_LE(window.rect.right, c.screenWidth);
            EXPECT_LE(window.rect.bottom, c.screenHeight);
            ASSERT_TRUE(window.picture);
            EXPECT_EQ(window.picture->width(), window.rect.width());
            EXPECT_EQ(window.picture->height(), window.rect.height());
            if (c.size) {
                EXPECT_EQ(window.rect.width(), c.size->first);
                EXPECT_EQ(window.rect.height(), c.size->second);
            }
        }
    }
}

} // namespace
} // namespace zorvane
