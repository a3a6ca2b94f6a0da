// Tunnel: its shape over time, the fading segments, and the drawing path.
#include "BackgroundTestSupport.h"

#include "backgrounds/BackgroundGL.h"
#include "backgrounds/unitEffectSub_Tunnel.h"

#include <cmath>
#include <memory>

namespace zorvane::test {
namespace {

using Tunnel = TEffectSub_Tunnel;

// The tunnel's points straight from their formulas, evaluated point by point.
Tunnel::Rings FormulaRings(float t) {
    Tunnel::Rings rings{};
    for (int i = 0; i <= 12; ++i)
        for (int j = 0; j <= 32; ++j) {
            const double a = i * 0.5235987755982989, r = 3 - j / 12.0, e = 2.0 * j;
            const double x = r * std::cos(a) + 2 * std::sin((e + t) / 29) + std::cos((e + t) / 13) -
                             2 * std::sin(t / 29.0) - std::cos(t / 13.0);
            const double y = r * std::sin(a) + 2 * std::cos((e + t) / 33) + std::sin((e + t) / 17) -
                             2 * std::cos(t / 33.0) - std::sin(t / 17.0);
            rings[i][j] = {float(x), float(y), float(-j)};
        }
    return rings;
}

class TunnelBackground : public BackgroundFixture {
protected:
    void SetUp() override {
        BackgroundFixture::SetUp();
        WritePatternImage("tunnel.bmp");
    }
    std::unique_ptr<Tunnel> Make(const std::string& options = "tunnel.bmp") {
        return std::make_unique<Tunnel>(Context(), options);
    }
    void DrawFrame(Tunnel& tunnel) {
        PrepareFrame();
        tunnel.Draw(1, 10);
    }
};

TEST_F(TunnelBackground, FirstDrawUsesTimeOne) {
    auto tunnel = Make();
    EXPECT_TRUE(tunnel->FAnimated);
    EXPECT_EQ(tunnel->Time(), 0.0f);
    DrawFrame(*tunnel);
    EXPECT_EQ(tunnel->Time(), 1.0f);
    const auto& rings = tunnel->RingPoints();
    EXPECT_EQ(rings[0][0][0], 3.0f);
    EXPECT_NEAR(rings[0][0][1], 0.0f, 1e-12);
    EXPECT_EQ(rings[0][0][2], 0.0f);
    EXPECT_EQ(rings[3][0][2], 0.0f);
    EXPECT_EQ(rings[5][32][2], -32.0f);
}

// Each frame's points are exactly the formulas' at that frame's time, however they are computed.
TEST_F(TunnelBackground, PointsFollowTheFormulasFrameByFrame) {
    auto tunnel = Make();
    for (int frame = 1; frame <= 300; ++frame) {
        DrawFrame(*tunnel);
        ASSERT_EQ(tunnel->Time(), float(frame));
        const auto expected = FormulaRings(float(frame));
        for (int i = 0; i <= 12; ++i)
            for (int j = 0; j <= 32; ++j)
                ASSERT_EQ(tunnel->RingPoints()[i][j], expected[i][j])
                    << "t " << frame << " [" << i << "][" << j << "]";
    }
}

// The mouth stays centred on the axis with radius 3, ring 12 closes the tube, deeper rings narrow
// and swing.
TEST_F(TunnelBackground, MouthStaysOnTheAxis) {
    auto tunnel = Make();
    double widestSwing = 0;
    for (int frame = 1; frame <= 400; ++frame) {
        DrawFrame(*tunnel);
        const auto& rings = tunnel->RingPoints();
        for (int i = 0; i <= 12; ++i)
            ASSERT_NEAR(std::hypot(rings[i][0][0], rings[i][0][1]), 3.0, 1e-5) << frame << " " << i;
        for (int j = 0; j <= 32; ++j) {
            ASSERT_NEAR(rings[12][j][0], rings[0][j][0], 1e-5);
            ASSERT_NEAR(rings[12][j][1], rings[0][j][1], 1e-5);
        }
        // Centre of the deepest drawn ring: the mean of opposite points.
        const double cx = (rings[0][31][0] + rings[6][31][0]) / 2,
                     cy = (rings[0][31][1] + rings[6][31][1]) / 2;
        const double radius = std::hypot(rings[0][31][0] - cx, rings[0][31][1] - cy);
        ASSERT_NEAR(radius, 3 - 31 / 12.0, 1e-4);
        widestSwing = std::max(widestSwing, std::hypot(cx, cy));
    }
    EXPECT_GT(widestSwing, 1.0);
}

TEST(TunnelSegments, FadeTowardTheFarEnd) {
    const std::pair<int, float> cases[] = {{0, 1.0f}, {24, 1.0f}, {25, 0.9f}, {26, 0.8f}, {30, 0.4f}};
    for (auto [segment, brightness] : cases)
        EXPECT_FLOAT_EQ(Tunnel::SegmentBrightness(segment), brightness) << segment;
}

// The tunnel moves one step per drawn frame, whatever the options and the effect's state say.
TEST_F(TunnelBackground, MovesTheSameWhateverTheOptions) {
    struct Case {
        const char* options;
        int effectState;
    };
    const Case cases[] = {
        {"tunnel.bmp,0,20", 1}, {"tunnel.bmp,-1,0", 4}, {"tunnel.bmp,-1,-3", 5}, {"tunnel.bmp,-1,50", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        effectState = c.effectState;
        auto tunnel = Make(c.options);
        for (int i = 0; i < 7; ++i)
            DrawFrame(*tunnel); // no clock change: time plays no part
        EXPECT_EQ(tunnel->Time(), 7.0f);
        EXPECT_EQ(tunnel->RingPoints()[4][20], FormulaRings(7.0f)[4][20]);
    }
}

// The tunnel as the view draws it (vertex arrays) matches the plain quad-by-quad drawing pixel for
// pixel.
TEST_F(TunnelBackground, DrawingMatchesImmediateMode) {
    recreate(480, 270);
    auto tunnel = Make();
    for (int frame = 1; frame <= 37; ++frame) {
        DrawFrame(*tunnel);
        if (frame != 1 && frame != 37)
            continue;
        gl->finish();
        const auto fast = gl->readRGBA();

        const float t = float(frame);
        const auto rings = FormulaRings(t);
        PrepareFrame();
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
        glTranslatef(0.0f, 0.0f, -15.0f);
        glPushMatrix();
        glScalef(4.0f, 4.0f, 1.0f);
        glBindTexture(GL_TEXTURE_2D, tunnel->FTexture.Texture);
        for (int s = 0; s <= 30; ++s) {
            const float tA = float(s / 32.0 + t / 50.0), tB = float((s + 1) / 32.0 + t / 50.0);
            const float b = s <= 24 ? 1.0f : float(1 - (s - 24) / 10.0);
            glColor3f(b, b, b);
            glBegin(GL_QUADS);
            for (int i = 0; i <= 11; ++i) {
                glTexCoord2f(float((i - 3) / 12.0), tA);
                glVertex3fv(rings[i][s].data());
                glTexCoord2f(float((i - 2) / 12.0), tA);
                glVertex3fv(rings[i + 1][s].data());
                glTexCoord2f(float((i - 2) / 12.0), tB);
                glVertex3fv(rings[i + 1][s + 1].data());
                glTexCoord2f(float((i - 3) / 12.0), tB);
                glVertex3fv(rings[i][s + 1].data());
            }
            glEnd();
        }
        glPopMatrix();
        gl->finish();
        const auto plain = gl->readRGBA();
        EXPECT_EQ(DifferingPixels(fast, plain), 0)
            << "t " << frame << " max " << MaxChannelDifference(fast, plain);
        // The walls fill the screen but for the small far opening.
        EXPECT_LT(std::count(fast.begin(), fast.end(), 0), std::ptrdiff_t(fast.size() / 8));
    }
    expectNoGLError("tunnel");
}

} // namespace
} // namespace zorvane::test
