// The Flip effect's animations over a captured list: where the opening leaves the images, that the
// closing brings them home, the list rotation of Next and Previous, and closes arriving mid-animation.
#include "effects/EffectTestSupport.h"
#include "effects/unitEffect_Flip.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zorvane::test {
namespace {

// --- Opening and closing ---------------------------------------------------------------------

TEST(FlipOpening, EndsAtTheCornerOrCentreForEachCamera) {
    struct Case {
        const char* options;
        float x, y; // expected top-left of a record with Width 0.5, Height 0.4
    };
    const Case cases[] = {
        {"0,-1,-1,0,-1", -0.5f, -0.1f}, // Top: bottom-left corner on the screen's
        {"2,-1,-1,0,-1", -0.5f, -0.1f}, // Bottom: the same
        {"1,-1,-1,0,-1", -0.25f, 0.2f}, // Center: centred
        {"7,-1,-1,0,-1", 0.1f, 0.3f},   // no known camera: no sliding
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        LogicWindowList windows({{0.1f, 0.3f, 0.5f, 0.4f}, {-0.5f, 0.5f, 0.2f, 0.2f}});
        CountingHost host;
        TEffect_Flip flip(host, c.options, windows.list());
        flip.StartAnimation();
        const TWindowInfo& info = windows.list().Items(0);
        EXPECT_NEAR(info.X, c.x, 1e-5);
        EXPECT_NEAR(info.Y, c.y, 1e-5);
        EXPECT_EQ(flip.FState, esIdle);
        EXPECT_EQ(flip.FStep, 10);
        EXPECT_FLOAT_EQ(flip.FProgress, 1.0f);
    }
}

TEST(FlipOpening, ClosingBringsEveryRecordHomeForEachCamera) {
    for (const char* options : {"0", "1", "2", "9"}) {
        SCOPED_TRACE(options);
        // Twelve records: the two beyond the ten drawn move as well.
        LogicWindowList windows(12);
        CountingHost host;
        TEffect_Flip flip(host, options, windows.list());
        flip.StartAnimation();
        flip.EndAnimation();
        for (int i = 0; i < windows.list().Count(); ++i) {
            const TWindowInfo& info = windows.list().Items(i);
            EXPECT_NEAR(info.X, info.HomeX, 1e-5) << "record " << i;
            EXPECT_NEAR(info.Y, info.HomeY, 1e-5) << "record " << i;
        }
        EXPECT_EQ(flip.FState, esClosing);
        EXPECT_EQ(flip.FStep, 0);
        EXPECT_EQ(flip.FProgress, 0.0f);
    }
}

TEST(FlipOpening, RecordsBeyondTheTenDrawnAreAlreadyOpen) {
    LogicWindowList windows(12);
    CountingHost host;
    TEffect_Flip flip(host, "0", windows.list());
    flip.StartAnimation();
    EXPECT_EQ(flip.LastVisible(), 9);
    for (int i : {0, 9, 10, 11}) {
        const TWindowInfo& info = windows.list().Items(i);
        EXPECT_NEAR(info.X, -0.5f, 1e-5) << "record " << i;
        EXPECT_NEAR(info.Y, info.Height - 0.5f, 1e-5) << "record " << i;
    }
    // Rotating the eleventh record into view shows it in its open place at once.
    for (int i = 0; i < 10; ++i) {
        flip.SelectNext();
    }
    EXPECT_EQ(windows.list().Items(0).Handle, 11u);
}

TEST(FlipOpening, SwitchedOffAnimationsShowOnlyTheirRequiredFrames) {
    struct Case {
        const char* options;
        int openingFrames, openingSleeps, closingFrames, closingSleeps;
    };
    const Case cases[] = {
        {"0,-1,-1,0,-1", 10, 10, 10, 10},
        {"0,0,-1,0,-1", 1, 1, 10, 10},     // starting off: only the final frame
        {"0,-1,0,0,-1", 10, 10, 0, 0},     // ending off: the closing shows nothing of its own
        {"0,-1,-1,-1,-1", 23, 10, 23, 10}, // bounce on: 13 camera frames each, unslept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        LogicWindowList windows(3);
        CountingHost host;
        TEffect_Flip flip(host, c.options, windows.list());
        flip.StartAnimation();
        EXPECT_EQ(host.frames, c.openingFrames);
        EXPECT_EQ(host.sleeps, c.openingSleeps);
        EXPECT_EQ(host.sleptMilliseconds, 30LL * c.openingSleeps);
        host.frames = host.sleeps = 0;
        flip.EndAnimation();
        EXPECT_EQ(host.frames, c.closingFrames);
        EXPECT_EQ(host.sleeps, c.closingSleeps);
    }
}

TEST(FlipOpening, StateAndStepSeenByEachFrame) {
    LogicWindowList windows(3);
    CountingHost host;
    TEffect_Flip flip(host, "0,-1,-1,0,-1", windows.list());
    std::vector<int> steps;
    std::vector<TEffectState> states;
    host.onFrame = [&] {
        steps.push_back(flip.FStep);
        states.push_back(flip.FState);
    };
    flip.StartAnimation();
    flip.EndAnimation();
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(std::count(states.begin(), states.begin() + 10, esOpening), 10);
    EXPECT_EQ(std::count(states.begin() + 10, states.end(), esClosing), 10);
}

// --- Selection --------------------------------------------------------------------------------

TEST(FlipSelection, NextAndPreviousRotateTheList) {
    struct Case {
        const char* moves; // N next, P previous
        std::vector<WindowHandle> order;
    };
    const Case cases[] = {
        {"N", {2, 3, 4, 1}},    {"P", {4, 1, 2, 3}},   {"NP", {1, 2, 3, 4}},
        {"NNNN", {1, 2, 3, 4}}, {"PPN", {4, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.moves);
        LogicWindowList windows(4);
        CountingHost host;
        TEffect_Flip flip(host, "", windows.list());
        for (const char* m = c.moves; *m; ++m) {
            if (*m == 'N') {
                flip.SelectNext();
            } else {
                flip.SelectPrevious();
            }
            EXPECT_EQ(flip.FState, esIdle);
            EXPECT_EQ(flip.FFlip, 0.0f);
            EXPECT_EQ(flip.FBounce, 0.0f);
        }
        EXPECT_EQ(windows.handles(), c.order);
        EXPECT_EQ(flip.FSelectedIndex, 0);
    }
}

TEST(FlipSelection, FlipFramesMoveTheStackAndRotateAtTheRightMoment) {
    // Next flips the stack forward with the old order, then rotates; Previous rotates first.
    for (bool next : {true, false}) {
        SCOPED_TRACE(next ? "next" : "previous");
        LogicWindowList windows(3);
        CountingHost host;
        TEffect_Flip flip(host, "0,-1,-1,0,-1", windows.list());
        std::vector<float> flips;
        std::vector<WindowHandle> fronts;
        host.onFrame = [&] {
            flips.push_back(flip.FFlip);
            fronts.push_back(windows.list().Items(0).Handle);
        };
        if (next) {
            flip.SelectNext();
        } else {
            flip.SelectPrevious();
        }
        ASSERT_EQ(flips.size(), 10u);
        EXPECT_NEAR(flips.front(), next ? 0.05f : 0.5f, 1e-6);
        EXPECT_NEAR(flips[8], next ? 0.45f : 0.1f, 1e-6);
        EXPECT_EQ(flips.back(), 0.0f);
        EXPECT_EQ(fronts.front(), next ? 1u : 3u);
        EXPECT_EQ(fronts.back(), next ? 2u : 3u);
        EXPECT_EQ(host.sleeps, 9);
        EXPECT_EQ(host.sleptMilliseconds, 90);
    }
}

// --- Closes that arrive while an animation runs ------------------------------------------------

TEST(FlipNestedClose, CloseInsideAFlipEndsItAtItsNextStep) {
    for (bool next : {true, false}) {
        SCOPED_TRACE(next ? "next" : "previous");
        LogicWindowList windows(4);
        CountingHost host;
        TEffect_Flip flip(host, "0,-1,-1,-1,-1", windows.list());
        flip.StartAnimation();
        const std::vector<WindowHandle> before = windows.handles();
        int framesAtClose = -1;
        int flipFramesAfterClose = 0;
        host.frames = 0;
        host.onFrame = [&] {
            if (framesAtClose >= 0 && flip.FState != esClosing) {
                ++flipFramesAfterClose;
            }
            if (host.frames == 3 && framesAtClose < 0) {
                framesAtClose = host.frames;
                flip.EndAnimation(); // what the view does when a nested tick closes it
            }
        };
        if (next) {
            flip.SelectNext();
        } else {
            flip.SelectPrevious();
        }
        EXPECT_EQ(flipFramesAfterClose, 0);
        // The closing ran (10 steps + 13 camera frames); no flip frame or image bounce followed.
        EXPECT_EQ(host.frames, 3 + 10 + 13);
        EXPECT_EQ(flip.FState, esClosing);
        if (next) {
            EXPECT_EQ(windows.handles(), before); // the rotation comes after the flip: never reached
        } else {
            EXPECT_EQ(windows.handles().front(), before.back()); // Previous rotates first
        }
    }
}

TEST(FlipNestedClose, CloseInsideTheOpeningStaysClosedWithRecordsHome) {
    LogicWindowList windows(5);
    CountingHost host;
    TEffect_Flip flip(host, "1,-1,-1,-1,-1", windows.list());
    bool closed = false;
    host.onFrame = [&] {
        if (host.frames == 4 && !closed) {
            closed = true;
            flip.EndAnimation();
        }
    };
    flip.StartAnimation();
    // Closing is final: the opening must not put the effect back to idle, where input would act.
    EXPECT_EQ(flip.FState, esClosing);
    EXPECT_EQ(flip.FStep, 0);
    for (int i = 0; i < windows.list().Count(); ++i) {
        EXPECT_NEAR(windows.list().Items(i).X, windows.list().Items(i).HomeX, 1e-5);
        EXPECT_NEAR(windows.list().Items(i).Y, windows.list().Items(i).HomeY, 1e-5);
    }
    // 4 opening frames, then the whole closing (10 + 13); nothing after it.
    EXPECT_EQ(host.frames, 4 + 10 + 13);
    flip.SelectNext();
    EXPECT_EQ(host.frames, 27);
}

TEST(FlipNestedClose, TabDuringAFlipStartsNoSecondFlip) {
    LogicWindowList windows(4);
    CountingHost host;
    TEffect_Flip flip(host, "0,-1,-1,0,-1", windows.list());
    int nested = 0;
    host.onMessages = [&] {
        if (nested++ == 2) {
            flip.SelectNext(); // a Tab handled inside the running flip's Redraw
            flip.KeyDown(vkRight);
            flip.MouseWheel(1);
        }
    };
    flip.SelectNext();
    EXPECT_EQ(windows.handles(), (std::vector<WindowHandle>{2, 3, 4, 1}));
    EXPECT_EQ(host.frames, 10);
}

} // namespace
} // namespace zorvane::test
