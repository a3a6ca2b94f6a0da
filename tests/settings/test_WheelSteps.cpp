// Wheel steps: angle deltas of any size add up to one selection step per notch (120), either way.
#include "core/WheelSteps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zorvane;

namespace {

TEST(WheelSteps, AddUpToOneStepPerNotch) {
    struct Row {
        const char* what;
        std::vector<int> deltas;   // as the events bring them (negative: turned down)
        std::vector<int> expected; // the steps each event answers (positive: next window)
    };
    const Row rows[] = {
        // A classic wheel: every notch is one step, as before.
        {"classic down", {-120, -120}, {1, 1}},
        {"classic up", {120}, {-1}},
        {"two notches in one event", {-240}, {2}},
        // A touchpad or fine wheel: parts of a notch wait until a whole one is there.
        {"eighths of a notch", {-15, -15, -15, -15, -15, -15, -15, -15, -15}, {0, 0, 0, 0, 0, 0, 0, 1, 0}},
        {"uneven parts carry over", {-100, -100, -100}, {0, 1, 1}},
        {"up in parts", {50, 50, 50}, {0, 0, -1}},
        // Turning back drops what was added the other way: a reversal steps after one notch.
        {"reversal", {-100, 100, 20}, {0, 0, -1}},
        {"reversal after steps", {-130, 115, 5}, {1, 0, -1}},
        // No vertical turn (a horizontal scroll) changes nothing.
        {"zero", {-60, 0, -60}, {0, 0, 1}},
    };
    for (const Row& row : rows) {
        TWheelSteps wheel;
        std::vector<int> steps;
        for (const int delta : row.deltas)
            steps.push_back(wheel.Add(delta));
        EXPECT_EQ(steps, row.expected) << row.what;
    }
}

TEST(WheelSteps, ResetForgetsPartsOfANotch) {
    TWheelSteps wheel;
    EXPECT_EQ(wheel.Add(-90), 0);
    wheel.Reset();
    EXPECT_EQ(wheel.Add(-90), 0);
    EXPECT_EQ(wheel.Add(-30), 1);
    // Extreme deltas neither overflow nor lose their sign.
    EXPECT_EQ(wheel.Add(-2147483647 - 1), 2147483647 / 120);
    EXPECT_EQ(wheel.Add(2147483647), -(2147483647 / 120));
}

} // namespace
