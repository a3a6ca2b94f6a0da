// Raindrops: the water rule, where drops land, what pauses the water, and the mesh drawing.
#include "BackgroundTestSupport.h"

#include "backgrounds/BackgroundGL.h"
#include "backgrounds/unitEffectSub_Raindrops.h"

#include <cmath>
#include <memory>

namespace zorvane::test {
namespace {

using Rain = TEffectSub_Raindrops;

class RaindropsBackground : public BackgroundFixture {
protected:
    void SetUp() override {
        BackgroundFixture::SetUp();
        WritePatternImage("rain.bmp");
    }
    std::unique_ptr<Rain> Make(const std::string& options = "rain.bmp") {
        return std::make_unique<Rain>(Context(), options);
    }
    void DrawAfter(Rain& rain, std::int64_t ms) {
        clock.advance(ms);
        PrepareFrame();
        rain.Draw(1, 10);
    }
    static bool Flat(const Rain& rain) {
        for (const auto& row : rain.Heights())
            for (float h : row)
                if (h != 0.0f)
                    return false;
        return true;
    }
    static bool AtRest(const Rain& rain) {
        for (const auto& row : rain.Velocities())
            for (float v : row)
                if (v != 0.0f)
                    return false;
        return Flat(rain);
    }
    static bool OnOuterRings(int k, int l) { return k < 2 || l < 2 || k > 58 || l > 58; }
};

TEST_F(RaindropsBackground, StartsFlatAndAtRest) {
    auto rain = Make();
    EXPECT_TRUE(rain->FAnimated);
    EXPECT_TRUE(AtRest(*rain));
    for (int k = 0; k < Rain::kSize; ++k)
        for (int l = 0; l < Rain::kSize; ++l) {
            const bool border = k == 0 || l == 0 || k == 60 || l == 60;
            const Rain::Vector up{0.0f, 1.0f, 0.0f}, down{0.0f, -1.0f, 0.0f};
            ASSERT_EQ(rain->Normals()[k][l], border ? up : down) << k << "," << l;
            const auto& v = rain->Vertices()[k][l];
            ASSERT_FLOAT_EQ(v[0], (k - 30) / 30.0f);
            ASSERT_EQ(v[1], 0.0f);
            ASSERT_FLOAT_EQ(v[2], (l - 30) / 30.0f);
        }
}

// One drop on still water: its own point, then its eight neighbours, by the damped wave rule.
TEST_F(RaindropsBackground, DropSpreadsToItsNeighbours) {
    auto rain = Make();
    rain->PlaceDrop(30, 20);
    rain->Step(true);
    EXPECT_EQ(rain->Heights()[30][20], -1060.0f);
    EXPECT_FLOAT_EQ(rain->Velocities()[30][20], 1017.6f);
    EXPECT_EQ(rain->Heights()[31][20], 0.0f); // neighbours not yet
    EXPECT_NEAR(rain->Vertices()[30][20][1], -1060.0 / 30720.0, 1e-7);

    rain->Step(true);
    const double edge = 4 * 1060.0 / 25 / 7; // about 24.23
    const double corner = 1060.0 / 25 / 7;   // about 6.06
    for (auto [k, l] : {std::pair{29, 20}, {31, 20}, {30, 19}, {30, 21}})
        EXPECT_NEAR(rain->Velocities()[k][l], edge * 0.96, 1e-4) << k << "," << l;
    for (auto [k, l] : {std::pair{29, 19}, {31, 19}, {29, 21}, {31, 21}})
        EXPECT_NEAR(rain->Velocities()[k][l], corner * 0.96, 1e-4) << k << "," << l;
    EXPECT_NEAR(rain->Heights()[29][20], -edge, 1e-4);
    EXPECT_NEAR(rain->Heights()[29][19], -corner, 1e-4);
    EXPECT_EQ(rain->Velocities()[28][20], 0.0f); // two away: untouched for now
    // The dropped point: its velocity grows by its own height's pull, 1017.6 + (-1060) / 7.
    EXPECT_NEAR(rain->Velocities()[30][20], (1017.6 - 1060.0 / 7) * 0.96, 1e-3);
    // Normals tilt away from the dip, still of unit length.
    const auto& n = rain->Normals()[31][20];
    EXPECT_GT(n[0], 0.0f);
    EXPECT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0, 1e-6);
}

// A drop falls once more than 0.864 s have passed, at the places the runtime generator gives,
// and the sequence goes on across openings when the program shares one generator.
TEST_F(RaindropsBackground, DropsLandWhereTheGeneratorSays) {
    auto rain = Make();
    DrawAfter(*rain, 864);
    EXPECT_TRUE(AtRest(*rain)) << "not yet: exactly 0.864 s";
    DrawAfter(*rain, 1);
    EXPECT_EQ(rain->Velocities()[2][3], 1060.0f); // generator: 0, 1
    EXPECT_TRUE(Flat(*rain)) << "the water moves at its next step";
    DrawAfter(*rain, 865);
    EXPECT_EQ(rain->Heights()[2][3], -1060.0f);
    EXPECT_EQ(rain->Heights()[50][13], -1060.0f); // 48, 11
    rain.reset();
    auto next = Make();
    DrawAfter(*next, 865);
    EXPECT_EQ(next->Heights()[17][39], -1060.0f); // 15, 37
}

// Hours of rain never move the outer two rings.
TEST_F(RaindropsBackground, OuterRingsNeverMove) {
    auto rain = Make("rain.bmp,-1,50");
    for (int i = 0; i < 400; ++i) {
        clock.advance(250);
        rain->Step(false);
    }
    bool rippled = false;
    for (int k = 0; k < Rain::kSize; ++k)
        for (int l = 0; l < Rain::kSize; ++l) {
            if (OnOuterRings(k, l)) {
                ASSERT_EQ(rain->Heights()[k][l], 0.0f) << k << "," << l;
                ASSERT_EQ(rain->Velocities()[k][l], 0.0f) << k << "," << l;
            } else {
                rippled = rippled || rain->Heights()[k][l] != 0.0f;
            }
        }
    EXPECT_TRUE(rippled);
    for (int k = 0; k < Rain::kSize; ++k) // the mesh border stays flat, its normals up
        EXPECT_EQ(rain->Vertices()[k][0][1], 0.0f);
}

TEST_F(RaindropsBackground, RipplesDieAway) {
    auto rain = Make();
    rain->PlaceDrop(30, 30);
    double first = 0, later = 0;
    for (int i = 0; i < 600; ++i) {
        rain->Step(true);
        double energy = 0;
        for (const auto& row : rain->Velocities())
            for (float v : row)
                energy += double(v) * v;
        (i == 0 ? first : later) = energy;
    }
    EXPECT_LT(later, first * 1e-6);
}

// What holds the water still: inactive, the effect opening or closing, no usable rate (drops are
// still placed then, but the water does not move), and the frame interval.
TEST_F(RaindropsBackground, WaterHoldsWhenPaused) {
    struct Case {
        const char* options;
        int effectState;
        bool dropPlaced;
        bool moved;
    };
    const Case cases[] = {
        {"rain.bmp,0,20", 1, false, false},                                     // inactive
        {"rain.bmp,-1,20", 4, false, false},                                    // opening
        {"rain.bmp,-1,20", 5, false, false},                                    // closing
        {"rain.bmp,-1,0", 1, true, false},                                      // no rate
        {"rain.bmp,-1,-7", 1, true, false},  {"rain.bmp,-1,20", 2, true, true}, // navigating: rains
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.options) + " state " + std::to_string(c.effectState));
        effectState = c.effectState;
        random = RuntimeRandom{};
        auto rain = Make(c.options);
        for (int i = 0; i < 5; ++i)
            DrawAfter(*rain, 900);
        EXPECT_EQ(rain->Velocities()[2][3] != 0.0f, c.dropPlaced);
        EXPECT_EQ(!Flat(*rain), c.moved);
    }
}

TEST_F(RaindropsBackground, WaterStepsAtTheFrameRate) {
    auto rain = Make("rain.bmp,-1,20");
    rain->PlaceDrop(10, 10);
    DrawAfter(*rain, 43);
    EXPECT_EQ(rain->Heights()[10][10], 0.0f);
    DrawAfter(*rain, 1);
    EXPECT_EQ(rain->Heights()[10][10], -1060.0f);
    // A clock that went back restarts the interval instead of stopping the water.
    DrawAfter(*rain, -3'600'000);
    DrawAfter(*rain, 44);
    EXPECT_NE(rain->Heights()[10][11], 0.0f);
}

// Ripples bend the picture where they run and leave still water elsewhere as it was.
TEST_F(RaindropsBackground, RipplesBendThePicture) {
    recreate(480, 270);
    auto rain = Make();
    PrepareFrame();
    rain->Draw(1, 10);
    gl->finish();
    const auto still = gl->readRGBA();
    rain->PlaceDrop(30, 30); // the middle of the screen
    for (int i = 0; i < 15; ++i)
        rain->Step(true);
    PrepareFrame();
    rain->Draw(1, 10);
    gl->finish();
    const auto rippled = gl->readRGBA();
    SavePNGIfAsked("raindrops-ripple.png");
    auto changed = [&](int x0, int y0, int x1, int y1) {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const std::size_t i = (std::size_t(y) * gl->width() + x) * 4;
                count += still[i] != rippled[i] || still[i + 1] != rippled[i + 1] ||
                         still[i + 2] != rippled[i + 2];
            }
        return count;
    };
    EXPECT_GT(changed(200, 95, 280, 175), 80 * 80 / 4); // around the drop
    EXPECT_EQ(changed(0, 0, 40, 30), 0);                // a corner far from it
}

// The water as the view draws it (vertex arrays) matches the plain per-vertex drawing pixel for
// pixel, so the faster path changes nothing on screen.
TEST_F(RaindropsBackground, MeshDrawingMatchesImmediateMode) {
    recreate(480, 270);
    auto rain = Make();
    rain->PlaceDrop(20, 25);
    rain->PlaceDrop(40, 35);
    for (int i = 0; i < 12; ++i)
        rain->Step(true);
    effectState = 4; // hold the water while drawing
    PrepareFrame();
    rain->Draw(1, 10);
    gl->finish();
    const auto fast = gl->readRGBA();

    PrepareFrame();
    glEnable(GL_DEPTH_TEST);
    glColor3f(0.85f, 1.0f, 0.85f);
    glTranslatef(0.0f, 0.0f, -15.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glPushMatrix();
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glScalef(6.2f, 1.0f, 6.2f);
    glBindTexture(GL_TEXTURE_2D, rain->FTexture.Texture);
    for (int s = 0; s < 60; ++s) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int k = 0; k <= 60; ++k) {
            glNormal3fv(rain->Normals()[k][s + 1].data());
            glVertex3fv(rain->Vertices()[k][s + 1].data());
            glNormal3fv(rain->Normals()[k][s].data());
            glVertex3fv(rain->Vertices()[k][s].data());
        }
        glEnd();
    }
    glPopMatrix();
    gl->finish();
    const auto plain = gl->readRGBA();
    EXPECT_EQ(DifferingPixels(fast, plain), 0);
    // And the picture is really there, green-tinted and squared.
    int lit = 0;
    for (std::size_t i = 0; i < fast.size(); i += 4)
        lit += fast[i + 1] > 0;
    EXPECT_GT(lit, int(fast.size() / 4 * 9 / 10));
    expectNoGLError("raindrops");
}

} // namespace
} // namespace zorvane::test
