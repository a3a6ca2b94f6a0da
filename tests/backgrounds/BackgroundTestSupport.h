// Shared set-up for the background tests: the view's GL state, a private "Images" folder with
// pictures of known colours, and a clock and effect state the test controls.
#pragma once

#include "backgrounds/unitEffectSub.h"
#include "core/Clock.h"
#include "support/GLFixture.h"

#include <GL/gl.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zorvane::test {

class BackgroundFixture : public GLFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Projection, matrices and enables as the view sets them before an effect draws, then a
    // cleared frame (opaque black, depth 1).
    void PrepareFrame();
    // Writes an uncompressed 24-bit BMP of one colour (0xRRGGBB) into <dir>/Images/<name>.
    std::string WriteImage(const std::string& name, std::uint32_t rgb, int width = 64, int height = 64);
    // A BMP with a different colour in each quadrant and fine stripes, so distortions show.
    std::string WritePatternImage(const std::string& name, int width = 128, int height = 128);

    // Writes the frame as a PNG into $ZORVANE_BACKGROUND_SHOTS when that is set, for looking at.
    void SavePNGIfAsked(const std::string& name);
    // A context reading this fixture's clock, folder and effect state.
    BackgroundContext Context();

    // Largest difference of one channel between two RGBA readbacks.
    static int MaxChannelDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);
    // Pixels that differ at all.
    static int DifferingPixels(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

    std::string dir; // plays the executable's folder
    ManualClock clock;
    int effectState = 1; // esIdle
    RuntimeRandom random;
};

// One snapshot of the GL state a background may touch, to compare before and after a Draw.
struct GLStateSnapshot {
    static GLStateSnapshot Take();
    // The names of the values that differ, empty when none does.
    std::string ChangesFrom(const GLStateSnapshot& before) const;

    std::vector<std::pair<std::string, double>> values;
};

} // namespace zorvane::test
