// The grid effect's pictures in a real (offscreen Mesa) context: thumbnails scaled into their
// cells, the bright selection over dimmed cells, full brightness while opening and closing, the
// fading reflections, and the selected cell's lift with its reflection left in place.
#include "EffectDrawingFixture.h"
#include "effects/unitEffect_Grid.h"

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

// Every channel of actual (0xRRGGBB) within tolerance of the expected values.
::testing::AssertionResult ColorNear(std::uint32_t actual, double r, double g, double b, int tolerance = 3) {
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

// Four windows of 160 x 120 already sitting where the 2 x 2 grid puts them (centred in their
// 200 x 150 cells at scale 1), so the opening and closing change only colours, not places.
std::vector<WindowSetup> WindowsInTheirCells() {
    return {
        {Rect{20, 15, 180, 135}, Solid(160, 120, 0xFF0000)},
        {Rect{220, 15, 380, 135}, Solid(160, 120, 0x00FF00)},
        {Rect{20, 165, 180, 285}, Solid(160, 120, 0x0000FF)},
        {Rect{220, 165, 380, 285}, Solid(160, 120, 0xFFFF00)},
    };
}

// Cell centres of the four windows above.
constexpr int kCentreX[4] = {100, 300, 100, 300};
constexpr int kCentreY[4] = {75, 75, 225, 225};
constexpr double kRgb[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};

class GridDrawing : public EffectDrawingFixture<TEffect_Grid, kScreenW, kScreenH> {
protected:
    // Whether each of the four cells shows its colour at full (1.0) or dimmed (0.7) brightness.
    void ExpectCellShades(const double (&shade)[4]) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(ColorNear(gl->pixel(kCentreX[i], kCentreY[i]), kRgb[i][0] * shade[i],
                                  kRgb[i][1] * shade[i], kRgb[i][2] * shade[i]))
                << "cell " << i;
        }
    }
};

TEST_F(GridDrawing, ScreenWideWindowShrinksIntoItsCell) {
    // Two windows: two cells of 200 x 300; a full-screen window is drawn at 0.45, 180 x 135.
    Build({{Rect{0, 0, 400, 300}, Solid(400, 300, 0xFF0000)},
           {Rect{0, 0, 100, 100}, Solid(100, 100, 0x00FF00)}},
          "1,-1,-1,0,0");
    effect->StartAnimation();
    host->paint();
    expectNoGLError("paint");
    // Centred in cell 0 at (100, 150): x 10..190, y 82.5..217.5.
    EXPECT_TRUE(ColorNear(gl->pixel(12, 150), 255, 0, 0));
    EXPECT_TRUE(ColorNear(gl->pixel(188, 150), 255, 0, 0));
    EXPECT_TRUE(ColorNear(gl->pixel(100, 85), 255, 0, 0));
    EXPECT_TRUE(ColorNear(gl->pixel(100, 215), 255, 0, 0));
    EXPECT_TRUE(ColorNear(gl->pixel(7, 150), 0, 0, 0));
    EXPECT_TRUE(ColorNear(gl->pixel(193, 150), 0, 0, 0));
    EXPECT_TRUE(ColorNear(gl->pixel(100, 79), 0, 0, 0));
    EXPECT_TRUE(ColorNear(gl->pixel(100, 221), 0, 0, 0));
    // The small window keeps its size, dimmed, centred in cell 1 at (300, 150).
    EXPECT_TRUE(ColorNear(gl->pixel(300, 150), 0, 255 * 0.7, 0));
    EXPECT_TRUE(ColorNear(gl->pixel(300, 150 - 47), 0, 255 * 0.7, 0));
    EXPECT_TRUE(ColorNear(gl->pixel(300, 150 - 53), 0, 0, 0));
}

TEST_F(GridDrawing, SelectionIsBrightExceptWhileOpeningAndClosing) {
    Build(WindowsInTheirCells(), "1,-1,-1,0,0");
    std::vector<std::vector<std::uint8_t>> openingFrames;
    host->onFrame = [&] { openingFrames.push_back(gl->readRGBA()); };
    effect->StartAnimation();
    // The last opening frame: still opening, every cell bright.
    ExpectCellShades({1, 1, 1, 1});
    host->onFrame = nullptr;
    host->paint();
    ExpectCellShades({1, 0.7, 0.7, 0.7});
    effect->SelectNext();
    ExpectCellShades({0.7, 1, 0.7, 0.7});
    // The first closing frame: all bright again.
    bool checked = false;
    host->onFrame = [&] {
        if (!checked) {
            checked = true;
            ExpectCellShades({1, 1, 1, 1});
        }
    };
    effect->EndAnimation();
    EXPECT_TRUE(checked);
    EXPECT_EQ(openingFrames.size(), 10u);
}

TEST_F(GridDrawing, ReflectionFadesBelowEachImage) {
    Build(WindowsInTheirCells(), "1,-1,-1,0,-1");
    effect->StartAnimation();
    host->paint();
    // Image 0 ends at y = 135; its reflection is 24 pixels high (a fifth of 120), starting at 0.7
    // of 0.7 of the colour and fading to nothing (colour and alpha both fall, so the first row,
    // half a pixel in, is at 0.49 x (1 - 0.5 / 24)^2). Dimmed cells reflect just as brightly.
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE("cell " + std::to_string(i));
        const int x = kCentreX[i];
        const std::uint32_t top = gl->pixel(x, 135);
        const std::uint32_t middle = gl->pixel(x, 147);
        const std::uint32_t bottom = gl->pixel(x, 158);
        const int channel = i == 0 ? 16 : 8;
        EXPECT_NEAR(Channel(top, channel), 255 * 0.49 * 0.959, 6);
        EXPECT_LT(Channel(middle, channel), Channel(top, channel));
        EXPECT_GT(Channel(middle, channel), Channel(bottom, channel));
        EXPECT_LT(Channel(bottom, channel), 20);
        EXPECT_TRUE(ColorNear(gl->pixel(x, 161), 0, 0, 0));
    }
}

TEST_F(GridDrawing, SelectedImageLiftsWhileItsReflectionStays) {
    Build(WindowsInTheirCells(), "1,-1,-1,-1,-1");
    effect->StartAnimation();
    host->paint();
    const std::vector<std::uint8_t> rest = gl->readRGBA();
    std::vector<std::uint8_t> peak;
    host->onFrame = [&] {
        if (effect->FBounce > 0.049f && peak.empty()) {
            peak = gl->readRGBA();
        }
    };
    effect->Bounce(bkPullForward, 5, 0.01f);
    ASSERT_FALSE(peak.empty());
    auto at = [](const std::vector<std::uint8_t>& rgba, int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * kScreenW + x) * 4;
        return (std::uint32_t{rgba[i]} << 16) | (std::uint32_t{rgba[i + 1]} << 8) | rgba[i + 2];
    };
    // Nearer to the viewer, image 0 grows about the screen centre: its top-left corner moves from
    // (20, 15) to about (12, 9).
    EXPECT_TRUE(ColorNear(at(rest, 16, 75), 0, 0, 0));
    EXPECT_TRUE(ColorNear(at(peak, 16, 75), 255, 0, 0));
    EXPECT_TRUE(ColorNear(at(peak, 100, 11), 255, 0, 0));
    // The unselected image beside it does not move.
    EXPECT_EQ(at(rest, 221, 16), at(peak, 221, 16));
    // The reflection rows under image 0 are unchanged, pixel for pixel.
    for (int y = 137; y < 160; ++y) {
        for (int x = 20; x < 180; ++x) {
            ASSERT_EQ(at(rest, x, y), at(peak, x, y)) << "at " << x << "," << y;
        }
    }
}

} // namespace
} // namespace zorvane::test
