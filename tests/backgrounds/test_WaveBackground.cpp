// Wave: the caustics frames, their pacing by local time, and their release.
#include "BackgroundTestSupport.h"

#include "backgrounds/BackgroundGL.h"
#include "backgrounds/unitEffectSub_Wave.h"

#include <memory>
#include <vector>

namespace zorvane::test {
namespace {

class WaveBackground : public BackgroundFixture {
protected:
    void SetUp() override {
        BackgroundFixture::SetUp();
        WritePatternImage("wave.bmp");
    }
    std::unique_ptr<TEffectSub_Wave> Make(const std::string& options = "wave.bmp") {
        return std::make_unique<TEffectSub_Wave>(Context(), options);
    }
    // Advances the clock, then draws one frame.
    void DrawAfter(TEffectSub_Wave& wave, std::int64_t ms) {
        clock.advance(ms);
        PrepareFrame();
        wave.Draw(1, 10);
    }
};

TEST_F(WaveBackground, LoadsAllThirtyTwoFrames) {
    auto wave = Make();
    EXPECT_TRUE(wave->FAnimated);
    EXPECT_EQ(wave->FrameIndex(), 1);
    for (int i = 1; i <= TEffectSub_Wave::kFrameCount; ++i)
        EXPECT_TRUE(IsGLTexture(wave->Frames()[i])) << "frame " << i;
    expectNoGLError("frames");
}

// The frame moves on once more than 0.864 / fps seconds have passed, one frame per Draw at most.
TEST_F(WaveBackground, FrameChangesAfterTheInterval) {
    struct Case {
        int fps;
        std::int64_t tooEarlyMs, lateEnoughMs;
    };
    const Case cases[] = {{20, 43, 44}, {50, 17, 18}, {1, 864, 865}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.fps) + " frames per second");
        auto wave = Make("wave.bmp,-1," + std::to_string(c.fps));
        DrawAfter(*wave, c.tooEarlyMs);
        EXPECT_EQ(wave->FrameIndex(), 1);
        DrawAfter(*wave, c.lateEnoughMs - c.tooEarlyMs);
        EXPECT_EQ(wave->FrameIndex(), 2);
        // Measured from the last change, not from the last Draw.
        DrawAfter(*wave, c.tooEarlyMs);
        EXPECT_EQ(wave->FrameIndex(), 2);
        DrawAfter(*wave, c.lateEnoughMs - c.tooEarlyMs);
        EXPECT_EQ(wave->FrameIndex(), 3);
        // A slow view slows the animation instead of skipping frames.
        DrawAfter(*wave, 60'000);
        EXPECT_EQ(wave->FrameIndex(), 4);
    }
}

TEST_F(WaveBackground, FramesLoopFromThirtyTwoBackToOne) {
    auto wave = Make();
    std::vector<int> seen;
    for (int i = 0; i < 34; ++i) {
        DrawAfter(*wave, 50);
        seen.push_back(wave->FrameIndex());
    }
    std::vector<int> expected;
    for (int i = 0; i < 34; ++i)
        expected.push_back(i % 32 + 2 > 32 ? i % 32 + 2 - 32 : i % 32 + 2);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(seen[30], 32);
    EXPECT_EQ(seen[31], 1);
}

// The frame holds still when the background is inactive, the rate is unusable, or the effect
// opens or closes; navigating does not stop it.
TEST_F(WaveBackground, FrameHoldsWhenPaused) {
    struct Case {
        const char* options;
        int effectState;
        int expectedFrame;
    };
    const Case cases[] = {
        {"wave.bmp,0,20", 1, 1},   {"wave.bmp,False,50", 2, 1}, // inactive
        {"wave.bmp,-1,20", 4, 1},  {"wave.bmp,-1,20", 5, 1},    // opening, closing
        {"wave.bmp,-1,0", 1, 1},   {"wave.bmp,-1,-20", 1, 1},   // no usable rate
        {"wave.bmp,-1,20", 2, 11},                              // navigating: moves
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.options) + " state " + std::to_string(c.effectState));
        effectState = c.effectState;
        auto wave = Make(c.options);
        for (int i = 0; i < 10; ++i)
            DrawAfter(*wave, 100);
        EXPECT_EQ(wave->FrameIndex(), c.expectedFrame);
    }
}

// Once the opening is over, the next Draw moves on if the interval has passed meanwhile.
TEST_F(WaveBackground, ResumesAfterOpening) {
    effectState = 4;
    auto wave = Make();
    DrawAfter(*wave, 300);
    EXPECT_EQ(wave->FrameIndex(), 1);
    effectState = 1;
    DrawAfter(*wave, 0);
    EXPECT_EQ(wave->FrameIndex(), 2);
    DrawAfter(*wave, 0);
    EXPECT_EQ(wave->FrameIndex(), 2);
}

// Local time that jumps back (end of daylight saving) must not freeze the animation for an hour.
TEST_F(WaveBackground, ClockGoingBackDoesNotFreezeTheFrames) {
    auto wave = Make();
    DrawAfter(*wave, 50);
    EXPECT_EQ(wave->FrameIndex(), 2);
    DrawAfter(*wave, -3'600'000);
    EXPECT_EQ(wave->FrameIndex(), 2);
    DrawAfter(*wave, 44);
    EXPECT_EQ(wave->FrameIndex(), 3);
}

TEST_F(WaveBackground, DestructionDeletesAllItsTextures) {
    auto wave = Make();
    std::vector<GLuint> made(wave->Frames().begin() + 1, wave->Frames().end());
    made.push_back(wave->FTexture.Texture);
    ASSERT_EQ(made.size(), 33u);
    for (GLuint name : made)
        ASSERT_TRUE(IsGLTexture(name));
    wave.reset();
    for (GLuint name : made)
        EXPECT_FALSE(IsGLTexture(name)) << name;
}

// The picture tiles 5 x 5 under caustics that only ever brighten it.
TEST_F(WaveBackground, CausticsBrightenThePicture) {
    WriteImage("grey.bmp", 0x404040);
    auto wave = Make("grey.bmp,0,20");
    PrepareFrame();
    wave->Draw(1, 10);
    gl->finish();
    const auto rgba = gl->readRGBA();
    int brighter = 0;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        ASSERT_GE(rgba[i], 0x40);
        ASSERT_EQ(rgba[i], rgba[i + 1]); // grey frames keep grey grey
        ASSERT_EQ(rgba[i], rgba[i + 2]);
        brighter += rgba[i] > 0x48;
    }
    EXPECT_GT(brighter, int(rgba.size() / 4 / 2));
    expectNoGLError("wave draw");
}

} // namespace
} // namespace zorvane::test
