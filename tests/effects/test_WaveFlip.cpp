// The Wave Flip effect's logic: the initial sheet, the travelling wave and its period, the flip
// behaviour it shares with Flip, and the one-shot pick click.
#include "effects/EffectTestSupport.h"
#include "effects/unitEffect_WaveFlip.h"
#include "support/GLFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace zorvane::test {
namespace {

using Mesh = decltype(TEffect_WaveFlip::FMesh);

TEST(WaveFlipSheet, InitialMeshIsOneSinePeriodAcrossTheImage) {
    LogicWindowList windows(3);
    CountingHost host;
    TEffect_WaveFlip wave(host, "", windows.list());
    EXPECT_TRUE(wave.FAnimated);
    EXPECT_EQ(wave.FFrame, 0);
    EXPECT_EQ(wave.FCameraPosition, cpTop);
    EXPECT_EQ(wave.FSelectedIndex, 0);
    struct Case {
        int p, q;
        float x, y, z;
    };
    const Case cases[] = {
        {0, 0, -4.5f, -4.5f, 0.0f},
        {44, 44, 4.3f, 4.3f, static_cast<float>(std::sin(2 * std::numbers::pi * 44 / 45))},
        {5, 30, -3.5f, 1.5f, static_cast<float>(std::sin(2 * std::numbers::pi * 5 / 45))},
        // A quarter period: the crest.
        {11, 7, -2.3f, -3.1f, static_cast<float>(std::sin(2 * std::numbers::pi * 11 / 45))},
        {34, 0, 2.3f, -4.5f, static_cast<float>(std::sin(2 * std::numbers::pi * 34 / 45))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("vertex " + std::to_string(c.p) + "," + std::to_string(c.q));
        EXPECT_NEAR(wave.FMesh[c.p][c.q].x, c.x, 1e-6f);
        EXPECT_NEAR(wave.FMesh[c.p][c.q].y, c.y, 1e-6f);
        EXPECT_NEAR(wave.FMesh[c.p][c.q].z, c.z, 1e-6f);
    }
    EXPECT_GT(wave.FMesh[11][0].z, 0.99f);
    EXPECT_LT(wave.FMesh[34][0].z, -0.99f);
    // Crests run vertically: the depth depends on the column only.
    for (int p = 0; p < 45; ++p) {
        for (int q = 1; q < 45; ++q) {
            ASSERT_EQ(wave.FMesh[p][q].z, wave.FMesh[p][0].z) << p << "," << q;
        }
    }
}

// Draw advances the wave, so these run in a real context.
class WaveFlipFrames : public GLFixture {};

TEST_F(WaveFlipFrames, WaveMovesOneColumnEveryThirdFrameAndRepeatsAfter135) {
    LogicWindowList windows(3);
    CountingHost host;
    TEffect_WaveFlip wave(host, "", windows.list());
    const Mesh initial = wave.FMesh;
    wave.Draw();
    wave.Draw();
    EXPECT_EQ(wave.FMesh, initial);
    EXPECT_EQ(wave.FFrame, 2);
    wave.Draw();
    EXPECT_EQ(wave.FFrame, 0);
    for (int p = 0; p < 45; ++p) {
        for (int q = 0; q < 45; ++q) {
            ASSERT_EQ(wave.FMesh[p][q].z, initial[(p + 1) % 45][q].z) << p << "," << q;
            ASSERT_EQ(wave.FMesh[p][q].x, initial[p][q].x);
            ASSERT_EQ(wave.FMesh[p][q].y, initial[p][q].y);
        }
    }
    for (int frame = 3; frame < 134; ++frame) {
        wave.Draw();
    }
    EXPECT_NE(wave.FMesh, initial);
    wave.Draw();
    EXPECT_EQ(wave.FMesh, initial);
    expectNoGLError("135 frames");
}

TEST_F(WaveFlipFrames, WaveKeepsTurningThroughOpeningAndClosing) {
    LogicWindowList windows(4);
    CountingHost host;
    TEffect_WaveFlip wave(host, "0,-1,-1,0,-1", windows.list());
    host.onFrame = [&] { wave.Draw(); };
    wave.StartAnimation();
    wave.EndAnimation();
    // Ten opening and ten closing frames: the wave moved six columns and stands at frame 2.
    EXPECT_EQ(host.frames, 20);
    EXPECT_EQ(wave.FFrame, 2);
    LogicWindowList fresh(1);
    TEffect_WaveFlip reference(host, "", fresh.list());
    EXPECT_EQ(wave.FMesh[0][0].z, reference.FMesh[6][0].z);
}

// --- Behaviour shared with Flip -------------------------------------------------------------

TEST(WaveFlipBehaviour, SelectionRotatesTheListLikeFlip) {
    LogicWindowList windows(4);
    CountingHost host;
    TEffect_WaveFlip wave(host, "0,-1,-1,0,-1", windows.list());
    wave.StartAnimation();
    EXPECT_EQ(wave.FState, esIdle);
    EXPECT_FLOAT_EQ(wave.FProgress, 1.0f);
    // Top camera: every image slides so its bottom-left corner meets the screen's.
    for (int i = 0; i < 4; ++i) {
        const TWindowInfo& info = windows.list().Items(i);
        EXPECT_NEAR(info.X, -0.5f, 1e-5f);
        EXPECT_NEAR(info.Y, info.Height - 0.5f, 1e-5f);
    }
    host.sleeps = 0;
    host.sleptMilliseconds = 0;
    wave.KeyDown(vkRight);
    EXPECT_EQ(windows.handles(), (std::vector<WindowHandle>{2, 3, 4, 1}));
    EXPECT_EQ(host.sleeps, 9);
    EXPECT_EQ(host.sleptMilliseconds, 90);
    wave.MouseWheel(0);
    EXPECT_EQ(windows.handles(), (std::vector<WindowHandle>{1, 2, 3, 4}));
    EXPECT_EQ(wave.FSelectedIndex, 0);
    EXPECT_EQ(wave.FFlip, 0.0f);
    EXPECT_EQ(wave.FBounce, 0.0f);
    wave.FState = esOpening;
    wave.SelectNext();
    EXPECT_EQ(windows.handles(), (std::vector<WindowHandle>{1, 2, 3, 4}));
}

TEST(WaveFlipBehaviour, DepthIsOneMoreThanFlips) {
    LogicWindowList windows(4);
    CountingHost host;
    TEffect_WaveFlip wave(host, "", windows.list());
    wave.FProgress = 1.0f;
    wave.FFlip = 0.25f;
    EXPECT_FLOAT_EQ(wave.SheetDepth(0), 9.25f);
    EXPECT_FLOAT_EQ(wave.SheetDepth(3), 7.75f);
}

TEST(WaveFlipBehaviour, OneReleasePostsOneClose) {
    LogicWindowList windows(3);
    CountingHost host;
    TEffect_WaveFlip wave(host, "", windows.list());
    // Not opened to stay: a release does nothing.
    wave.MouseUp(10, 10);
    EXPECT_EQ(host.closeRequests, 0);
    wave.StayOpen();
    wave.MouseUp(10, 10);
    EXPECT_EQ(host.closeRequests, 1);
    EXPECT_FALSE(wave.FStayOpen);
    // A second release before the view has closed.
    wave.MouseUp(500, 300);
    EXPECT_EQ(host.closeRequests, 1);
    EXPECT_EQ(wave.FSelectedIndex, 0);
}

} // namespace
} // namespace zorvane::test
