// Titles over the scene and the stack changing under the effects (typing to filter, a window
// closed), in a real offscreen Mesa context: where the plates land, that without titles the frame
// is the same pixel for pixel, which records the effects select and where their pictures go.
#include "effects/unitEffect_Flip.h"
#include "effects/unitEffect_Grid.h"
#include "effects/unitEffect_WaveFlip.h"
#include "render/RenderScene.h"
#include "support/GLFixture.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

namespace zorvane::test {
namespace {

constexpr int kScreenW = 400;
constexpr int kScreenH = 300;
constexpr std::uint32_t kPlateColour = 0xFF00FF;

std::shared_ptr<CaptureImage> Solid(int width, int height, std::uint32_t rgb) {
    auto image = std::make_shared<CaptureImage>(width, height);
    image->fill(rgb);
    return image;
}

std::vector<WindowSetup> Windows(int count) {
    std::vector<WindowSetup> windows;
    for (int i = 0; i < count; ++i) {
        const int left = 10 + 30 * i;
        windows.push_back({Rect{left, 20 + 10 * i, left + 160, 130 + 10 * i},
                           Solid(160, 110, 0x202020u * static_cast<std::uint32_t>(i + 1))});
    }
    return windows;
}

class TitlesAndStack : public GLFixture {
protected:
    void SetUp() override {
        recreate(kScreenW, kScreenH);
        SetUpViewGL(kScreenW, kScreenH);
        const std::vector<std::uint32_t> magenta(64 * 24, 0xFFFF00FFu); // RGBA bytes FF 00 FF FF
        glGenTextures(1, &plate);
        glBindTexture(GL_TEXTURE_2D, plate);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 64, 24, 0, GL_RGBA, GL_UNSIGNED_BYTE, magenta.data());
    }
    void TearDown() override {
        if (host)
            host->setEffect(nullptr);
        effect.reset();
        scene.reset();
        glDeleteTextures(1, &plate);
    }
    template <typename Effect> Effect& Build(int count, const std::string& options) {
        scene = std::make_unique<SceneWindows>(kScreenW, kScreenH, Windows(count));
        host = std::make_unique<RenderHost>(kScreenW, kScreenH);
        auto made = std::make_unique<Effect>(*host, options, scene->list());
        Effect& result = *made;
        effect = std::move(made);
        host->setEffect(effect.get());
        return result;
    }
    void ShowTitles() {
        host->titlePlates = [this](const TWindowInfo& window, int maxWidth, bool highlighted) {
            asked.push_back({&window, maxWidth, highlighted});
            return TTitleImage{plate, 64, 24};
        };
    }
    std::vector<std::uint32_t> Frame() {
        host->paint();
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < kScreenH; ++y)
            for (int x = 0; x < kScreenW; ++x)
                pixels.push_back(gl->pixel(x, y));
        return pixels;
    }
    std::vector<const TWindowInfo*> Snapshot() {
        std::vector<const TWindowInfo*> records;
        for (int i = 0; i < scene->list().Count(); ++i)
            records.push_back(&scene->list().Items(i));
        return records;
    }

    struct Asked {
        const TWindowInfo* window;
        int maxWidth;
        bool highlighted;
    };
    GLuint plate = 0;
    std::vector<Asked> asked;
    std::unique_ptr<SceneWindows> scene;
    std::unique_ptr<RenderHost> host;
    std::unique_ptr<TEffect> effect;
};

} // namespace

// Flip and Wave Flip, open and idle: only the front window's plate shows, centred under its
// picture; the rest of the frame is exactly the frame without titles. Nothing shows while opening.
TEST_F(TitlesAndStack, FrontTitleSitsUnderItsPictureAndChangesNothingElse) {
    for (int kind = 0; kind < 2; ++kind) {
        SCOPED_TRACE(kind == 0 ? "Flip" : "Wave Flip");
        TEffect& flip = kind == 0 ? static_cast<TEffect&>(Build<TEffect_Flip>(4, "1,0,0,0,0"))
                                  : static_cast<TEffect&>(Build<TEffect_WaveFlip>(4, "1,0,0,0,0"));
        asked.clear();
        ShowTitles();
        host->onFrame = [&] {
            if (flip.FState == esOpening) {
                EXPECT_TRUE(asked.empty()) << "no title while opening";
            }
        };
        flip.StartAnimation();
        host->onFrame = nullptr;
        if (kind == 1)
            continue; // the wave moves from frame to frame: the pixel comparison is Flip's
        const auto titled = Frame();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].window, &scene->list().Items(0));
        EXPECT_FALSE(asked[0].highlighted);
        const TScreenBox box = flip.FPictureBoxes.at(0).second;
        ASSERT_TRUE(box.Valid);
        const int left = static_cast<int>(std::lround((box.Left + box.Right) / 2 - 32));
        const int top = static_cast<int>(std::lround(box.Bottom + 8));
        host->titlePlates = nullptr;
        const auto plain = Frame();
        int plateInside = 0;
        for (int y = 0; y < kScreenH; ++y) {
            for (int x = 0; x < kScreenW; ++x) {
                const std::size_t at = static_cast<std::size_t>(y * kScreenW + x);
                const bool inPlate = x >= left && x < left + 64 && y >= top && y < top + 24;
                if (inPlate)
                    plateInside += titled[at] == kPlateColour ? 1 : 0;
                else
                    ASSERT_EQ(titled[at], plain[at]) << x << "," << y;
            }
        }
        EXPECT_EQ(plateInside, 64 * 24);
    }
}

// Wave Flip with reflections: the front title goes below the visible part of the front
// picture's reflection. Where the plate lands, the frame without titles shows nothing but the
// empty (black) scene: no picture and no reflection lies under it.
TEST_F(TitlesAndStack, WaveFlipTitleCoversNeitherThePictureNorItsReflection) {
    for (const char* options : {"1,0,0,0,-1", "0,0,0,0,-1"}) {
        SCOPED_TRACE(options);
        TEffect_WaveFlip& wave = Build<TEffect_WaveFlip>(4, options);
        asked.clear();
        ShowTitles();
        wave.StartAnimation();
        const auto titled = Frame();
        ASSERT_EQ(asked.size(), 1u);
        int left = kScreenW, top = kScreenH, right = -1, bottom = -1;
        for (int y = 0; y < kScreenH; ++y) {
            for (int x = 0; x < kScreenW; ++x) {
                if (titled[static_cast<std::size_t>(y * kScreenW + x)] == kPlateColour) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
            }
        }
        ASSERT_EQ(right - left + 1, 64);
        ASSERT_EQ(bottom - top + 1, 24);
        host->titlePlates = nullptr;
        const auto plain = Frame();
        int covered = 0;
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x)
                covered += plain[static_cast<std::size_t>(y * kScreenW + x)] != 0 ? 1 : 0;
        EXPECT_EQ(covered, 0) << "the plate at " << left << "," << top << " covers drawn pixels";
        // The plate is under the front picture's reflection, not beside it.
        const TScreenBox picture = wave.FPictureBoxes.at(0).second;
        EXPECT_GT(static_cast<float>(top), picture.Bottom);
    }
}

// Grid: every cell asks for its plate, the selected one highlighted, each no wider than the
// screen; the mouse finds the picture under it from the frame just drawn.
TEST_F(TitlesAndStack, GridTitlesEveryCellAndFindsPicturesUnderThePointer) {
    auto& grid = Build<TEffect_Grid>(4, "1,0,0,0,0");
    grid.StartAnimation();
    ShowTitles();
    grid.FSelectedIndex = 2;
    host->paint();
    ASSERT_EQ(asked.size(), 4u);
    int highlighted = 0;
    for (const Asked& a : asked) {
        highlighted += a.highlighted ? 1 : 0;
        EXPECT_EQ(a.highlighted, a.window == &scene->list().Items(2));
        EXPECT_LE(a.maxWidth, kScreenW);
    }
    EXPECT_EQ(highlighted, 1);
    for (const auto& [window, box] : grid.FPictureBoxes) {
        EXPECT_EQ(grid.PictureAt((box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2), window);
    }
    EXPECT_EQ(grid.PictureAt(1, 1), nullptr) << "the corner between cells";
}

// Flip: a window leaves (or the filter narrows): the chosen record comes to the front, the
// pictures slide through places between their old and new ones, the leaving one fades, and when
// it is over nothing of the old list is referred to and the effect is idle again.
TEST_F(TitlesAndStack, FlipStackSlidesToTheNewOrderWithItsOwnPacing) {
    auto& flip = Build<TEffect_Flip>(5, "0,0,0,0,0");
    flip.StartAnimation();
    const auto before = Snapshot();
    TWindowInfos& list = scene->list();
    std::unique_ptr<TWindowInfo> gone = list.Take(0);
    const TWindowInfo* third = &list.Items(2);
    std::vector<double> slots;
    host->onFrame = [&] {
        if (flip.FMotion.Active) {
            EXPECT_EQ(flip.FState, esNavigating);
            EXPECT_EQ(flip.FMotion.Leaving.size(), 1u);
            slots.push_back(flip.FMotion.Slot(third, 0));
        }
    };
    const int sleeps = host->sleeps;
    flip.StackChanged(before, third);
    EXPECT_EQ(&list.Items(0), third) << "the chosen window is in front";
    EXPECT_EQ(flip.FSelectedIndex, 0);
    ASSERT_EQ(slots.size(), 9u);
    EXPECT_GT(slots.front(), 2.0);
    EXPECT_LT(slots.front(), 3.0) << "it starts near its old place, 3";
    EXPECT_DOUBLE_EQ(slots.back(), 0.0);
    EXPECT_EQ(host->sleeps - sleeps, 9);
    EXPECT_EQ(host->sleptMilliseconds % 10, 0);
    EXPECT_FALSE(flip.FMotion.Active);
    EXPECT_TRUE(flip.FMotion.Before.empty());
    EXPECT_EQ(flip.FState, esIdle);
}

// Grid: the grid takes the shape for the new count, every picture ends in its new cell, the
// selection follows the chosen record; a close during the motion ends it and stays final.
TEST_F(TitlesAndStack, GridTakesTheNewShapeAndAClosingStaysFinal) {
    auto& grid = Build<TEffect_Grid>(5, "1,0,0,0,0");
    grid.StartAnimation();
    EXPECT_EQ(grid.FColumns, 3);
    TWindowInfos& list = scene->list();
    auto before = Snapshot();
    std::unique_ptr<TWindowInfo> first = list.Take(0);
    std::unique_ptr<TWindowInfo> second = list.Take(0);
    const TWindowInfo* last = &list.Items(2);
    grid.StackChanged(before, last);
    EXPECT_EQ(grid.FColumns, 2);
    EXPECT_EQ(grid.FRows, 2);
    EXPECT_EQ(grid.FSelectedIndex, 2);
    for (int i = 0; i < list.Count(); ++i) {
        float x = 0, y = 0;
        grid.TargetPosition(i, x, y);
        EXPECT_EQ(list.Items(i).X, x) << i;
        EXPECT_EQ(list.Items(i).Y, y) << i;
    }

    before = Snapshot();
    std::unique_ptr<TWindowInfo> third = list.Take(0);
    host->onMessages = [&] {
        if (grid.FMotion.Active && grid.FState == esNavigating)
            grid.EndAnimation(); // a render tick closed the view inside a frame
    };
    grid.StackChanged(before, &list.Items(0));
    host->onMessages = nullptr;
    EXPECT_EQ(grid.FState, esClosing);
    EXPECT_FALSE(grid.FMotion.Active);
}

} // namespace zorvane::test
