// The effect framework: option texts, camera and image bounces, input ignored outside idle,
// stay-open clicks and background ownership (through the Flip effect, the framework's default user).
#include "backgrounds/unitEffectSub.h"
#include "effects/EffectFactory.h"
#include "effects/EffectTestSupport.h"
#include "effects/unitEffect_Flip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

namespace zorvane::test {
namespace {

bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// --- Option texts ---------------------------------------------------------------------------

struct OptionCase {
    const char* text;
    std::uint8_t defaultCamera;
    std::uint8_t camera;
    bool starting, ending, bounce, reflection;
};

TEST(EffectOptions, CommaTextsGiveCameraAndSwitches) {
    const OptionCase cases[] = {
        // Empty text: the effect's camera default, every switch on.
        {"", cpTop, cpTop, true, true, true, true},
        {"", cpCenter, cpCenter, true, true, true, true},
        // Only the camera.
        {"2", cpTop, cpBottom, true, true, true, true},
        // Five zeros: Top, everything off.
        {"0,0,0,0,0", cpTop, cpTop, false, false, false, false},
        // The default setting: bounce off.
        {"0,-1,-1,0,-1", cpTop, cpTop, true, true, false, true},
        // Blanks around fields are skipped; words in any case.
        {"  1 , 0 ,\t-1 , true ,FALSE ", cpTop, cpCenter, false, true, true, false},
        // Unreadable fields keep their defaults (Grid's camera default is Center).
        {"x,maybe,,7,0", cpCenter, cpCenter, true, true, true, false},
        // The camera is kept in 8 bits.
        {"258", cpTop, cpBottom, true, true, true, true},
        // Items after the fifth are ignored.
        {"1,0,0,0,0,1,1", cpTop, cpCenter, false, false, false, false},
    };
    for (const OptionCase& c : cases) {
        SCOPED_TRACE(std::string("options \"") + c.text + "\"");
        const TEffectOptions parsed = ParseEffectOptions(c.text, c.defaultCamera);
        EXPECT_EQ(parsed.cameraPosition, c.camera);
        EXPECT_EQ(parsed.startingAnimation, c.starting);
        EXPECT_EQ(parsed.endingAnimation, c.ending);
        EXPECT_EQ(parsed.bounceAnimation, c.bounce);
        EXPECT_EQ(parsed.reflection, c.reflection);
    }
}

TEST(EffectOptions, ConstructionParsesOptionsAndStartsIdle) {
    LogicWindowList windows(3);
    CountingHost host;
    TEffect_Flip flip(host, "2,0,-1,0,-1", windows.list());
    EXPECT_EQ(flip.FCameraPosition, cpBottom);
    EXPECT_FALSE(flip.FStartingAnimation);
    EXPECT_TRUE(flip.FEndingAnimation);
    EXPECT_FALSE(flip.FBounceAnimation);
    EXPECT_EQ(flip.FState, esIdle);
    EXPECT_EQ(flip.FSelectedIndex, 0);
    EXPECT_EQ(flip.FStep, 0);
    EXPECT_FALSE(flip.FStayOpen);
    EXPECT_FALSE(flip.FAnimated);
    EXPECT_FALSE(flip.FBackground);
    EXPECT_EQ(host.frames, 0);
}

TEST(EffectFactory, TypeSettingPicksFlipForUnknownValues) {
    LogicWindowList windows(2);
    CountingHost host;
    for (int type : {0, 7, -1, 256, 3}) {
        SCOPED_TRACE(type);
        auto effect = CreateEffect(type, host, "", windows.list());
        EXPECT_NE(dynamic_cast<TEffect_Flip*>(effect.get()), nullptr);
    }
}

// --- Bounces --------------------------------------------------------------------------------

TEST(EffectBounce, CameraBounceRestoresCameraExactly) {
    for (std::uint8_t kind : {bkCameraRecoil, bkCameraPush}) {
        SCOPED_TRACE(static_cast<int>(kind));
        LogicWindowList windows(2);
        CountingHost host;
        TEffect_Flip flip(host, "0,-1,-1,-1,-1", windows.list());
        // A value that float steps of 0.02 do not return to exactly.
        flip.FCameraZ = 0.1f;
        float lowest = flip.FCameraZ;
        float highest = flip.FCameraZ;
        host.onFrame = [&] {
            lowest = std::min(lowest, flip.FCameraZ);
            highest = std::max(highest, flip.FCameraZ);
        };
        flip.Bounce(kind, 6, 0.02f);
        EXPECT_TRUE(SameBits(flip.FCameraZ, 0.1f)) << flip.FCameraZ;
        EXPECT_EQ(host.frames, 13);
        EXPECT_EQ(host.sleeps, 0);
        if (kind == bkCameraRecoil) { // away from the viewer: further down -z
            EXPECT_NEAR(lowest, 0.1f - 0.12f, 1e-5);
            EXPECT_EQ(highest, 0.1f);
        } else {
            EXPECT_NEAR(highest, 0.1f + 0.12f, 1e-5);
            EXPECT_EQ(lowest, 0.1f);
        }
        EXPECT_EQ(flip.FBounce, 0.0f);
    }
}

TEST(EffectBounce, ImageBounceEndsAtExactlyZero) {
    for (std::uint8_t kind : {bkPushBack, bkPullForward}) {
        SCOPED_TRACE(static_cast<int>(kind));
        LogicWindowList windows(2);
        CountingHost host;
        TEffect_Flip flip(host, "0,-1,-1,-1,-1", windows.list());
        float extreme = 0.0f;
        host.onFrame = [&] {
            if (std::abs(flip.FBounce) > std::abs(extreme)) {
                extreme = flip.FBounce;
            }
        };
        flip.Bounce(kind, 5, 0.01f);
        EXPECT_EQ(flip.FBounce, 0.0f);
        EXPECT_FALSE(std::signbit(flip.FBounce));
        EXPECT_EQ(host.frames, 10);
        EXPECT_NEAR(extreme, kind == bkPullForward ? 0.05f : -0.05f, 1e-6);
        EXPECT_EQ(flip.FCameraZ, 0.0f);
    }
}

TEST(EffectBounce, BounceSwitchedOffDrawsNothingAndTouchesNothing) {
    for (std::uint8_t kind : {bkCameraRecoil, bkCameraPush, bkPushBack, bkPullForward}) {
        SCOPED_TRACE(static_cast<int>(kind));
        LogicWindowList windows(2);
        CountingHost host;
        TEffect_Flip flip(host, "0,-1,-1,0,-1", windows.list());
        flip.FCameraZ = 0.25f;
        flip.FBounce = 0.125f;
        flip.Bounce(kind, 6, 0.02f);
        EXPECT_EQ(host.frames, 0);
        EXPECT_EQ(flip.FCameraZ, 0.25f);
        EXPECT_EQ(flip.FBounce, 0.125f);
    }
}

// --- Input outside the idle state ------------------------------------------------------------

TEST(EffectInput, KeysWheelAndSelectionIgnoredOutsideIdle) {
    using Input = std::function<void(TEffect&)>;
    const std::pair<const char*, Input> inputs[] = {
        {"Left", [](TEffect& e) { e.KeyDown(vkLeft); }},
        {"Up", [](TEffect& e) { e.KeyDown(vkUp); }},
        {"Right", [](TEffect& e) { e.KeyDown(vkRight); }},
        {"Down", [](TEffect& e) { e.KeyDown(vkDown); }},
        {"wheel up", [](TEffect& e) { e.MouseWheel(0); }},
        {"wheel down", [](TEffect& e) { e.MouseWheel(1); }},
        {"Tab", [](TEffect& e) { e.SelectNext(); }},
        {"Shift+Tab", [](TEffect& e) { e.SelectPrevious(); }},
    };
    for (TEffectState state : {esOpening, esNavigating, esClosing}) {
        for (const auto& [name, input] : inputs) {
            SCOPED_TRACE(std::string(name) + " in state " + std::to_string(state));
            LogicWindowList windows(4);
            CountingHost host;
            TEffect_Flip flip(host, "", windows.list());
            flip.FState = state;
            input(flip);
            EXPECT_EQ(host.frames, 0);
            EXPECT_EQ(windows.handles(), (std::vector<WindowHandle>{1, 2, 3, 4}));
            EXPECT_EQ(flip.FState, state);
        }
    }
}

TEST(EffectInput, IdleInputMovesOnlyForItsKeys) {
    struct Case {
        const char* name;
        std::function<void(TEffect&)> input;
        std::vector<WindowHandle> order;
    };
    const Case cases[] = {
        {"Left", [](TEffect& e) { e.KeyDown(vkLeft); }, {4, 1, 2, 3}},
        {"Up", [](TEffect& e) { e.KeyDown(vkUp); }, {4, 1, 2, 3}},
        {"Right", [](TEffect& e) { e.KeyDown(vkRight); }, {2, 3, 4, 1}},
        {"Down", [](TEffect& e) { e.KeyDown(vkDown); }, {2, 3, 4, 1}},
        {"letter A", [](TEffect& e) { e.KeyDown('A'); }, {1, 2, 3, 4}},
        {"keypad 6 (Grid only)", [](TEffect& e) { e.KeyDown(vkNumpad6); }, {1, 2, 3, 4}},
        {"wheel up", [](TEffect& e) { e.MouseWheel(0); }, {4, 1, 2, 3}},
        {"wheel down", [](TEffect& e) { e.MouseWheel(1); }, {2, 3, 4, 1}},
        {"wheel direction 2", [](TEffect& e) { e.MouseWheel(2); }, {1, 2, 3, 4}},
        {"mouse down and move",
         [](TEffect& e) {
             e.MouseDown(5, 5);
             e.MouseMove(50, 50);
         },
         {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogicWindowList windows(4);
        CountingHost host;
        TEffect_Flip flip(host, "", windows.list());
        c.input(flip);
        EXPECT_EQ(windows.handles(), c.order);
        EXPECT_EQ(flip.FState, esIdle);
        EXPECT_EQ(flip.FSelectedIndex, 0);
    }
}

// The close request keeps the number it has always had (WM_USER + 501).
static_assert(WM_EFFECTCLOSE == 1525);

TEST(EffectInput, ReleaseInStayOpenModePostsOneCloseEachTime) {
    LogicWindowList windows(3);
    CountingHost host;
    TEffect_Flip flip(host, "", windows.list());
    flip.MouseUp(10, 10);
    EXPECT_EQ(host.closeRequests, 0); // a Win+Tab view closes on the key, not on clicks
    flip.StayOpen();
    flip.MouseUp(10, 10);
    flip.MouseUp(600, 400);
    EXPECT_EQ(host.closeRequests, 2);
    EXPECT_TRUE(flip.FStayOpen);
    flip.EndAnimation();
    EXPECT_FALSE(flip.FStayOpen);
    flip.MouseUp(10, 10);
    EXPECT_EQ(host.closeRequests, 2);
}

// --- The background ------------------------------------------------------------------------

class ProbeBackground final : public TEffectSub {
public:
    ProbeBackground(bool& destroyed, std::vector<std::pair<int, int>>& calls)
        : TEffectSub(BackgroundContext{}, ""), destroyed_(destroyed), calls_(calls) {}
    ~ProbeBackground() override { destroyed_ = true; }
    void Draw(std::uint8_t cameraPosition, std::int32_t step) override {
        calls_.emplace_back(cameraPosition, step);
    }

private:
    bool& destroyed_;
    std::vector<std::pair<int, int>>& calls_;
};

TEST(EffectBackground, OwnedAndDrawnWithCameraAndStep) {
    bool destroyed = false;
    std::vector<std::pair<int, int>> calls;
    {
        LogicWindowList windows(2);
        CountingHost host;
        TEffect_Flip flip(host, "2", windows.list());
        flip.FBackground = std::make_unique<ProbeBackground>(destroyed, calls);
        flip.FStep = 7;
        flip.TEffect::Draw();
        EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{cpBottom, 7}}));
        EXPECT_FALSE(destroyed);
    }
    EXPECT_TRUE(destroyed);
}

} // namespace
} // namespace zorvane::test
