// The Flip effect's pictures in a real (offscreen Mesa) context: images over their windows before
// opening, the grey last image, hanging reflections, centring after opening, the closing colours,
// and the ten-image limit.
#include "EffectDrawingFixture.h"
#include "effects/unitEffect_Flip.h"

#include <gtest/gtest.h>

namespace zorvane::test {
namespace {

constexpr int kScreenW = 400;
constexpr int kScreenH = 300;

std::shared_ptr<CaptureImage> Solid(int width, int height, std::uint32_t rgb) {
    auto image = std::make_shared<CaptureImage>(width, height);
    image->fill(rgb);
    return image;
}

int Channel(std::uint32_t rgb, int shift) {
    return static_cast<int>((rgb >> shift) & 0xFF);
}

// Every channel of actual within tolerance of expected (0xRRGGBB), each channel scaled first.
::testing::AssertionResult ColorNear(std::uint32_t actual, double r, double g, double b, int tolerance) {
    const double expected[3] = {r, g, b};
    for (int c = 0; c < 3; ++c) {
        const int got = Channel(actual, 16 - 8 * c);
        if (std::abs(got - expected[c]) > tolerance) {
            return ::testing::AssertionFailure()
                   << "pixel 0x" << std::hex << actual << std::dec << " channel " << c << " is " << got
                   << ", expected about " << expected[c];
        }
    }
    return ::testing::AssertionSuccess();
}

using FlipDrawing = EffectDrawingFixture<TEffect_Flip, kScreenW, kScreenH>;

// Before opening each image lies exactly over its window: within one pixel of its rectangle.
TEST_F(FlipDrawing, RestFrameCoversEachWindowRectangle) {
    const std::vector<WindowSetup> windows = {
        {Rect{10, 20, 130, 110}, Solid(120, 90, 0xFF0000)},
        {Rect{200, 30, 390, 140}, Solid(190, 110, 0x00FF00)},
        {Rect{33, 170, 251, 283}, Solid(218, 113, 0x0000FF)},
        {Rect{300, 200, 380, 290}, Solid(80, 90, 0xFFFFFF)}, // last visible: grey, left out here
    };
    Build(windows, "0,-1,-1,0,0");
    host->paint();
    expectNoGLError("paint");
    for (std::size_t i = 0; i + 1 < windows.size(); ++i) {
        SCOPED_TRACE("window " + std::to_string(i));
        const Rect& r = windows[i].rect;
        const std::uint32_t colour = windows[i].picture->pixel(0, 0);
        // Inside (one pixel in from each edge) the picture, outside (one pixel out) the black frame.
        for (int x = r.left + 1; x < r.right - 1; ++x) {
            EXPECT_EQ(At(x, r.top + 1), colour) << "x " << x;
            EXPECT_EQ(At(x, r.bottom - 2), colour) << "x " << x;
            EXPECT_EQ(At(x, r.top - 2), 0u) << "x " << x;
            EXPECT_EQ(At(x, r.bottom + 1), 0u) << "x " << x;
        }
        for (int y = r.top + 1; y < r.bottom - 1; ++y) {
            EXPECT_EQ(At(r.left + 1, y), colour) << "y " << y;
            EXPECT_EQ(At(r.right - 2, y), colour) << "y " << y;
            EXPECT_EQ(At(r.left - 2, y), 0u) << "y " << y;
            EXPECT_EQ(At(r.right + 1, y), 0u) << "y " << y;
        }
    }
}

// The last visible image is modulated to grey 0.5 and blended at alpha 0.5: over black it shows a
// quarter of its colour, over white a quarter plus half of the white.
TEST_F(FlipDrawing, LastVisibleImageIsGreyAndHalfTransparent) {
    Build({{Rect{0, 0, 100, 100}, Solid(100, 100, 0xFF0000)},
           {Rect{150, 100, 350, 250}, Solid(200, 150, 0xFFFFFF)}},
          "0,-1,-1,0,0");
    host->paint();
    EXPECT_TRUE(ColorNear(At(250, 175), 63.75, 63.75, 63.75, 2));
    host->clearColor = {1.0f, 1.0f, 1.0f, 1.0f};
    host->paint();
    EXPECT_TRUE(ColorNear(At(250, 175), 191.25, 191.25, 191.25, 2));
    // The front image stays opaque and unmodulated whatever lies behind.
    EXPECT_EQ(At(50, 50), 0xFF0000u);
}

// A reflection hangs under its image, mirrored (the bottom of the picture next to the image's
// bottom edge) and fading from 0.7 x 0.7 of the colour to nothing.
TEST_F(FlipDrawing, ReflectionHangsBelowMirroredAndFades) {
    auto picture = Solid(160, 100, 0x00FF00); // top half green
    for (int y = 50; y < 100; ++y) {
        for (int x = 0; x < 160; ++x) {
            picture->setPixel(x, y, 0xFF0000); // bottom half red
        }
    }
    Build({{Rect{40, 20, 200, 120}, picture}, {Rect{300, 0, 310, 10}, Solid(10, 10, 0xFFFFFF)}},
          "0,-1,-1,0,-1");
    host->paint();
    const int x = 120;
    // Just below the image: the picture's bottom row (red) at about 0.49 of full.
    EXPECT_TRUE(ColorNear(At(x, 121), 0.49 * 255, 0, 0, 4));
    // Further down, the mirrored top half (green), fainter.
    const std::uint32_t lower = At(x, 190);
    EXPECT_EQ(Channel(lower, 16), 0);
    EXPECT_GT(Channel(lower, 8), 10);
    EXPECT_LT(Channel(lower, 8), 0.25 * 255);
    // Brightness falls steadily with distance from the image and is gone past its height.
    int previous = 256;
    for (int y = 121; y < 170; y += 6) {
        const int red = Channel(At(x, y), 16);
        EXPECT_LE(red, previous) << "y " << y;
        previous = red;
    }
    EXPECT_EQ(At(x, 222), 0u);
    // Nothing is reflected above the image or beside it.
    EXPECT_EQ(At(x, 10), 0u);
    EXPECT_EQ(At(30, 150), 0u);
    // The last visible image has no reflection.
    EXPECT_EQ(At(305, 14), 0u);
    // During a flip the fading front image loses its reflection.
    effect->FFlip = 0.2f;
    host->paint();
    EXPECT_EQ(At(x, 190), 0u);
}

// Center camera: after opening, a record of Width 0.5 and Height 0.4 sits centred on the screen.
TEST_F(FlipDrawing, CenterCameraOpensToTheScreenCentre) {
    Build({{Rect{0, 150, 200, 270}, Solid(200, 120, 0xFFFF00)},
           {Rect{300, 0, 340, 30}, Solid(40, 30, 0x0000FF)}},
          "1,-1,-1,0,0");
    effect->StartAnimation();
    const TWindowInfo& front = scene->list().Items(0);
    EXPECT_NEAR(front.X, -0.25f, 1e-5);
    EXPECT_NEAR(front.Y, 0.2f, 1e-5);
    host->paint();
    int left = kScreenW, right = -1, top = kScreenH, bottom = -1;
    for (int y = 0; y < kScreenH; ++y) {
        for (int x = 0; x < kScreenW; ++x) {
            if (At(x, y) == 0xFFFF00u) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(right, 0) << "the front image is not drawn";
    EXPECT_NEAR(left, kScreenW - 1 - right, 1);
    EXPECT_NEAR(top, kScreenH - 1 - bottom, 1);
    // Drawn 0.3 deeper than the screen plane, so smaller than the window.
    EXPECT_LT(right - left + 1, 200);
}

// While closing every image is opaque white-modulated, the last one included; after it, all home.
TEST_F(FlipDrawing, ClosingDrawsEveryImageOpaqueAndEndsAtHome) {
    Build({{Rect{0, 0, 100, 100}, Solid(100, 100, 0xFF0000)},
           {Rect{150, 100, 350, 250}, Solid(200, 150, 0x00FFFF)}},
          "0,-1,-1,0,0");
    effect->StartAnimation();
    effect->EndAnimation();
    host->paint();
    EXPECT_EQ(At(250, 175), 0x00FFFFu);
    EXPECT_EQ(At(50, 50), 0xFF0000u);
    EXPECT_EQ(At(125, 50), 0u);
}

// Twelve windows: ten are drawn (the last of them grey), the two beyond are not.
TEST_F(FlipDrawing, MoreThanTenWindowsDrawTen) {
    std::vector<WindowSetup> windows;
    for (int i = 0; i < 12; ++i) {
        const int left = (i % 6) * 64;
        const int top = (i / 6) * 120;
        windows.push_back({Rect{left, top, left + 60, top + 100}, Solid(60, 100, 0xFFFFFF)});
    }
    Build(windows, "0,-1,-1,0,0");
    host->paint();
    EXPECT_EQ(At(30, 50), 0xFFFFFFu);                                     // record 0
    EXPECT_EQ(At(2 * 64 + 30, 170), 0xFFFFFFu);                           // record 8
    EXPECT_TRUE(ColorNear(At(3 * 64 + 30, 170), 63.75, 63.75, 63.75, 2)); // record 9: last, grey
    EXPECT_EQ(At(4 * 64 + 30, 170), 0u);                                  // record 10: not drawn
    EXPECT_EQ(At(5 * 64 + 30, 170), 0u);                                  // record 11: not drawn
}

} // namespace
} // namespace zorvane::test
