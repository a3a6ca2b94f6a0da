// The grid effect's logic: shapes and scales, the opening and closing moves, selection by keys,
// wheel and hover, the pick click, and hit tests at the screen's edges.
#include "effects/EffectFactory.h"
#include "effects/EffectTestSupport.h"
#include "effects/unitEffect_Grid.h"
#include "effects/unitEffect_WaveFlip.h"

#include <gtest/gtest.h>

namespace zorvane::test {
namespace {

constexpr float kTolerance = 1e-5f;

// --- Grid shape and thumbnail scale -----------------------------------------------------------

TEST(GridLayout, ShapeGrowsColumnsFirst) {
    struct Case {
        int count, columns, rows;
    };
    const Case cases[] = {
        {2, 2, 1},  {3, 2, 2},  {4, 2, 2},  {5, 3, 2},  {6, 3, 2},  {7, 3, 3},  {8, 3, 3},  {9, 3, 3},
        {10, 4, 3}, {11, 4, 3}, {12, 4, 3}, {13, 4, 4}, {14, 4, 4}, {15, 4, 4}, {16, 4, 4}, {17, 5, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("count " + std::to_string(c.count));
        LogicWindowList windows(c.count);
        CountingHost host;
        TEffect_Grid grid(host, "", windows.list());
        EXPECT_EQ(grid.FColumns, c.columns);
        EXPECT_EQ(grid.FRows, c.rows);
        EXPECT_FLOAT_EQ(grid.FCellWidth, 1.0f / static_cast<float>(c.columns));
        EXPECT_FLOAT_EQ(grid.FCellHeight, 1.0f / static_cast<float>(c.rows));
        EXPECT_FLOAT_EQ(grid.FMaxWidth, 0.9f / static_cast<float>(c.columns));
        EXPECT_FLOAT_EQ(grid.FMaxHeight, 0.9f / static_cast<float>(c.rows));
    }
}

TEST(GridLayout, ScaleIsLargestStepThatFitsNinetyPercentOfTheCell) {
    struct Case {
        int count; // decides the shape
        float width, height;
        float scale;
    };
    const Case cases[] = {
        // A screen-wide, low window: limited by the cell width.
        {2, 1.0f, 0.1f, 0.45f},  // 2 columns
        {5, 1.0f, 0.1f, 0.30f},  // 3 columns
        {10, 1.0f, 0.1f, 0.20f}, // 4 columns (0.225 is not a step of 0.05)
        // A narrow, full-height window: limited by the cell height.
        {4, 0.1f, 1.0f, 0.45f}, // 2 rows
        {2, 0.1f, 1.0f, 0.90f}, // 1 row
        // A window that already fits keeps its size.
        {4, 0.4f, 0.3f, 1.0f},
        {4, 0.45f, 0.45f, 1.0f},
        // Just too big: one step down.
        {4, 0.46f, 0.2f, 0.95f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("count " + std::to_string(c.count) + " size " + std::to_string(c.width) + " x " +
                     std::to_string(c.height));
        LogicWindowList windows(c.count);
        CountingHost host;
        TEffect_Grid grid(host, "", windows.list());
        EXPECT_NEAR(grid.ThumbnailScale(c.width, c.height), c.scale, kTolerance);
    }
}

TEST(GridLayout, CameraDefaultsToCenterAndIsOnlyParsed) {
    LogicWindowList windows(3);
    CountingHost host;
    TEffect_Grid fromEmpty(host, "", windows.list());
    EXPECT_EQ(fromEmpty.FCameraPosition, cpCenter);
    TEffect_Grid fromText(host, "2,0,-1,0,-1", windows.list());
    EXPECT_EQ(fromText.FCameraPosition, cpBottom);
    EXPECT_FALSE(fromText.FStartingAnimation);
    EXPECT_FALSE(fromText.FBounceAnimation);
}

TEST(GridLayout, FactoryBuildsGridAndWaveFlipFromTheLowByte) {
    LogicWindowList windows(3);
    CountingHost host;
    EXPECT_NE(dynamic_cast<TEffect_Grid*>(CreateEffect(1, host, "", windows.list()).get()), nullptr);
    EXPECT_NE(dynamic_cast<TEffect_Grid*>(CreateEffect(257, host, "", windows.list()).get()), nullptr);
    EXPECT_NE(dynamic_cast<TEffect_WaveFlip*>(CreateEffect(2, host, "", windows.list()).get()), nullptr);
    EXPECT_EQ(dynamic_cast<TEffect_Grid*>(CreateEffect(3, host, "", windows.list()).get()), nullptr);
}

// --- Opening and closing --------------------------------------------------------------------

TEST(GridAnimation, FourWindowExampleEndsCentredInCellZero) {
    LogicWindowList windows({{-0.3f, 0.2f, 0.4f, 0.3f},
                             {-0.5f, 0.5f, 0.5f, 0.5f},
                             {0.0f, 0.0f, 0.5f, 0.5f},
                             {-0.2f, 0.1f, 1.0f, 1.0f}});
    CountingHost host;
    TEffect_Grid grid(host, "1,-1,-1,0,-1", windows.list());
    grid.StartAnimation();
    const TWindowInfo& first = windows.list().Items(0);
    EXPECT_NEAR(first.X, -0.45f, kTolerance);
    EXPECT_NEAR(first.Y, 0.4f, kTolerance);
    // Every record lands on its own target.
    for (int i = 0; i < 4; ++i) {
        float tx = 0.0f;
        float ty = 0.0f;
        grid.TargetPosition(i, tx, ty);
        EXPECT_NEAR(windows.list().Items(i).X, tx, kTolerance) << "record " << i;
        EXPECT_NEAR(windows.list().Items(i).Y, ty, kTolerance) << "record " << i;
    }
    // A full-screen window in the bottom-right cell: scaled to 0.45 and centred at (0.25, -0.25).
    float tx = 0.0f;
    float ty = 0.0f;
    grid.TargetPosition(3, tx, ty);
    EXPECT_NEAR(tx, 0.25f - 0.225f, kTolerance);
    EXPECT_NEAR(ty, -0.25f + 0.225f, kTolerance);
    EXPECT_EQ(grid.FState, esIdle);
    EXPECT_EQ(grid.FStep, 10);
    EXPECT_FLOAT_EQ(grid.FProgress, 1.0f);
}

TEST(GridAnimation, FramesAndSleepsFollowTheSwitches) {
    struct Case {
        const char* options;
        int openingFrames, openingSleeps;
        int closingFrames, closingSleeps;
    };
    const Case cases[] = {
        // Ten animated steps of 30 ms and a camera bounce of 2 x 5 + 1 frames each way.
        {"1,-1,-1,-1,-1", 21, 10, 21, 10},
        // Bounce off: only the steps.
        {"1,-1,-1,0,-1", 10, 10, 10, 10},
        // No opening animation: the last step is still shown; no closing animation: nothing.
        {"1,0,0,0,-1", 1, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        LogicWindowList windows(5);
        CountingHost host;
        TEffect_Grid grid(host, c.options, windows.list());
        grid.StartAnimation();
        EXPECT_EQ(host.frames, c.openingFrames);
        EXPECT_EQ(host.sleeps, c.openingSleeps);
        EXPECT_EQ(host.sleptMilliseconds, 30LL * c.openingSleeps);
        host.frames = host.sleeps = 0;
        grid.EndAnimation();
        EXPECT_EQ(host.frames, c.closingFrames);
        EXPECT_EQ(host.sleeps, c.closingSleeps);
        EXPECT_EQ(grid.FState, esClosing);
        EXPECT_EQ(grid.FStep, 0);
        EXPECT_FLOAT_EQ(grid.FCameraZ, 0.0f);
    }
}

TEST(GridAnimation, ClosingReturnsEveryRecordHome) {
    LogicWindowList windows(11);
    CountingHost host;
    TEffect_Grid grid(host, "", windows.list());
    grid.StayOpen();
    grid.StartAnimation();
    grid.EndAnimation();
    EXPECT_FALSE(grid.FStayOpen);
    EXPECT_FLOAT_EQ(grid.FProgress, 0.0f);
    for (int i = 0; i < windows.list().Count(); ++i) {
        const TWindowInfo& info = windows.list().Items(i);
        EXPECT_NEAR(info.X, info.HomeX, kTolerance) << "record " << i;
        EXPECT_NEAR(info.Y, info.HomeY, kTolerance) << "record " << i;
    }
}

// A close that runs nested inside an opening frame plays the whole closing there; the opening
// must then neither draw on nor go back to idle, and the records end at home.
TEST(GridAnimation, CloseInsideOpeningStaysClosedAndHome) {
    LogicWindowList windows(4);
    CountingHost host;
    TEffect_Grid grid(host, "", windows.list());
    host.onFrame = [&] {
        if (host.frames == 3) {
            grid.EndAnimation();
        }
    };
    grid.StartAnimation();
    EXPECT_EQ(grid.FState, esClosing);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(windows.list().Items(i).X, windows.list().Items(i).HomeX, kTolerance);
        EXPECT_NEAR(windows.list().Items(i).Y, windows.list().Items(i).HomeY, kTolerance);
    }
}

// --- Selection --------------------------------------------------------------------------------

TEST(GridSelection, NextAndPreviousWrapAround) {
    LogicWindowList windows(11);
    CountingHost host;
    TEffect_Grid grid(host, "", windows.list());
    grid.SelectPrevious();
    EXPECT_EQ(grid.FSelectedIndex, 10); // the last occupied cell, not the empty twelfth
    grid.SelectNext();
    EXPECT_EQ(grid.FSelectedIndex, 0);
    grid.SelectNext();
    EXPECT_EQ(grid.FSelectedIndex, 1);
    EXPECT_EQ(grid.FState, esIdle);
    EXPECT_EQ(grid.FBounce, 0.0f);
}

TEST(GridSelection, NextLiftsTheSelectedCellAndPreviousPushesItBack) {
    LogicWindowList windows(4);
    CountingHost host;
    TEffect_Grid grid(host, "1,-1,-1,-1,-1", windows.list());
    std::vector<float> offsets;
    host.onFrame = [&] { offsets.push_back(grid.FBounce); };
    grid.SelectNext();
    // One frame for the new selection, then 2 x 5 bounce frames ending exactly at 0.
    ASSERT_EQ(offsets.size(), 11u);
    EXPECT_EQ(offsets[0], 0.0f);
    EXPECT_NEAR(offsets[5], 0.05f, kTolerance);
    EXPECT_EQ(offsets.back(), 0.0f);
    offsets.clear();
    grid.SelectPrevious();
    ASSERT_EQ(offsets.size(), 11u);
    EXPECT_NEAR(offsets[5], -0.05f, kTolerance);
    EXPECT_EQ(offsets.back(), 0.0f);
    EXPECT_EQ(host.sleeps, 0);
}

TEST(GridSelection, KeysAndWheelActOnlyWhenIdle) {
    struct Case {
        std::uint16_t key;
        int delta; // +1 next, -1 previous, 0 nothing
    };
    const Case cases[] = {
        {vkLeft, -1},    {vkUp, -1},      {vkNumpad4, -1}, {vkNumpad8, -1}, {vkRight, +1}, {vkDown, +1},
        {vkNumpad2, +1}, {vkNumpad6, +1}, {vkTab, 0},      {vkReturn, 0},   {0x41, 0},     {0x65, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("key " + std::to_string(c.key));
        LogicWindowList windows(6);
        CountingHost host;
        TEffect_Grid grid(host, "", windows.list());
        grid.FSelectedIndex = 3;
        grid.KeyDown(c.key);
        EXPECT_EQ(grid.FSelectedIndex, 3 + c.delta);
        for (TEffectState busy : {esOpening, esNavigating, esClosing}) {
            grid.FState = busy;
            grid.KeyDown(c.key);
            EXPECT_EQ(grid.FSelectedIndex, 3 + c.delta) << "state " << int(busy);
        }
    }
    LogicWindowList windows(6);
    CountingHost host;
    TEffect_Grid grid(host, "", windows.list());
    grid.MouseWheel(1);
    EXPECT_EQ(grid.FSelectedIndex, 1);
    grid.MouseWheel(0);
    grid.MouseWheel(0);
    EXPECT_EQ(grid.FSelectedIndex, 5);
    grid.MouseWheel(7);
    EXPECT_EQ(grid.FSelectedIndex, 5);
    grid.FState = esOpening;
    grid.MouseWheel(1);
    EXPECT_EQ(grid.FSelectedIndex, 5);
}

// Tab and the tray click reach the effect in any state. A step taken during the closing changes
// the window to activate but must not bring the closing effect back to life.
TEST(GridSelection, TabDuringClosingKeepsTheClosingState) {
    LogicWindowList windows(4);
    CountingHost host;
    TEffect_Grid grid(host, "", windows.list());
    grid.StartAnimation();
    bool stepped = false;
    host.onFrame = [&] {
        if (!stepped && grid.FState == esClosing) {
            stepped = true;
            grid.SelectNext();
            EXPECT_EQ(grid.FState, esClosing);
        }
    };
    grid.EndAnimation();
    EXPECT_TRUE(stepped);
    EXPECT_EQ(grid.FState, esClosing);
    EXPECT_EQ(grid.FSelectedIndex, 1);
    EXPECT_EQ(grid.FBounce, 0.0f);
}

// A Tab during the opening must not cut the opening short: every record still reaches its cell.
TEST(GridSelection, TabDuringOpeningLetsTheOpeningFinish) {
    LogicWindowList windows(4);
    CountingHost host;
    TEffect_Grid grid(host, "", windows.list());
    int framesSeen = 0;
    host.onFrame = [&] {
        if (++framesSeen == 2) {
            grid.SelectNext();
            EXPECT_EQ(grid.FState, esOpening);
        }
    };
    grid.StartAnimation();
    EXPECT_EQ(grid.FState, esIdle);
    EXPECT_EQ(grid.FSelectedIndex, 1);
    EXPECT_EQ(grid.FStep, 10);
    for (int i = 0; i < 4; ++i) {
        float tx = 0.0f;
        float ty = 0.0f;
        grid.TargetPosition(i, tx, ty);
        EXPECT_NEAR(windows.list().Items(i).X, tx, kTolerance);
        EXPECT_NEAR(windows.list().Items(i).Y, ty, kTolerance);
    }
}

// --- Mouse --------------------------------------------------------------------------------------

// Eleven windows on 1280 x 720: four columns of 320 pixels, three rows of 240, the last cell empty.
TEST(GridMouse, HoverSelectsOccupiedCellsOnly) {
    LogicWindowList windows(11);
    CountingHost host;
    TEffect_Grid grid(host, "", windows.list());
    grid.MouseMove(400, 100);
    EXPECT_EQ(grid.FSelectedIndex, 1);
    EXPECT_EQ(host.frames, 1);
    // Hovering the selected cell again repaints it all the same.
    grid.MouseMove(410, 110);
    EXPECT_EQ(host.frames, 2);
    grid.MouseMove(2 * 320 + 5, 2 * 240 + 5);
    EXPECT_EQ(grid.FSelectedIndex, 10);
    const int before = host.frames;
    grid.MouseMove(3 * 320 + 5, 2 * 240 + 5); // the empty cell
    EXPECT_EQ(grid.FSelectedIndex, 10);
    EXPECT_EQ(host.frames, before);
    EXPECT_EQ(grid.FState, esIdle);
}

TEST(GridMouse, MoveDuringAnimationKeepsTheSelection) {
    LogicWindowList windows(4);
    CountingHost host;
    TEffect_Grid grid(host, "", windows.list());
    // Inside every frame of the opening, the next-step and the closing, the mouse crosses cell 3.
    host.onMessages = [&] { grid.MouseMove(1000, 600); };
    grid.StartAnimation();
    EXPECT_EQ(grid.FSelectedIndex, 0);
    grid.SelectNext();
    EXPECT_EQ(grid.FSelectedIndex, 1);
    grid.EndAnimation();
    EXPECT_EQ(grid.FSelectedIndex, 1);
    // Idle again, the same move selects.
    host.onMessages = nullptr;
    grid.FState = esIdle;
    grid.MouseMove(1000, 600);
    EXPECT_EQ(grid.FSelectedIndex, 3);
}

TEST(GridMouse, ClickPicksOnlyOccupiedCellsInStayOpenMode) {
    LogicWindowList windows(11);
    CountingHost host;
    TEffect_Grid grid(host, "", windows.list());
    // Win+Tab path: a click closes nothing.
    grid.MouseUp(100, 100);
    EXPECT_EQ(host.closeRequests, 0);
    grid.StayOpen();
    // The empty cell: no close, still staying open.
    grid.MouseUp(3 * 320 + 5, 2 * 240 + 5);
    EXPECT_EQ(host.closeRequests, 0);
    EXPECT_TRUE(grid.FStayOpen);
    // A window: one close request, and the clicked window is the one picked even though the
    // selection was elsewhere (no hover since the last key press).
    grid.FSelectedIndex = 0;
    grid.MouseUp(2 * 320 + 5, 240 + 5);
    EXPECT_EQ(host.closeRequests, 1);
    EXPECT_EQ(grid.FSelectedIndex, 6);
    EXPECT_FALSE(grid.FStayOpen);
    // A second release before the view closes posts nothing more.
    grid.MouseUp(5, 5);
    EXPECT_EQ(host.closeRequests, 1);
    EXPECT_EQ(grid.FSelectedIndex, 6);
}

TEST(GridMouse, HitTestsAtTheScreenEdgesLandInTheLastColumnAndRow) {
    struct Case {
        int width, height, count;
        int x, y;
        int cell;
    };
    const Case cases[] = {
        // 1283 x 722 with 4 x 3 cells of 320 x 240: the 3 right and 2 bottom pixels left over.
        {1283, 722, 12, 1279, 0, 3},
        {1283, 722, 12, 1280, 0, 3},
        {1283, 722, 12, 1282, 0, 3},
        {1283, 722, 12, 0, 720, 8},
        {1283, 722, 12, 0, 721, 8},
        {1283, 722, 12, 1282, 721, 11},
        // The view is one pixel taller than the screen.
        {1280, 720, 12, 5, 720, 8},
        // Left over at the bottom-right with that cell empty: still no window.
        {1283, 722, 11, 1282, 721, -1},
        // Outside the view.
        {1280, 720, 12, -1, 5, -1},
        {1280, 720, 12, 5, -1, -1},
        // A screen narrower than the grid has columns: cells one pixel wide, no division by zero.
        {3, 2, 12, 2, 1, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " + std::to_string(c.x) +
                     "," + std::to_string(c.y));
        LogicWindowList windows(c.count);
        CountingHost host;
        host.width = c.width;
        host.height = c.height;
        TEffect_Grid grid(host, "", windows.list());
        EXPECT_EQ(grid.HitTest(c.x, c.y), c.cell);
    }
}

} // namespace
} // namespace zorvane::test
