// None and Background: what reaches the screen, who owns the texture, and the GL state left behind.
#include "BackgroundTestSupport.h"

#include "backgrounds/BackgroundFactory.h"
#include "backgrounds/BackgroundGL.h"
#include "backgrounds/unitEffectSub_Background.h"
#include "backgrounds/unitEffectSub_None.h"
#include "backgrounds/unitEffectSub_Raindrops.h"
#include "backgrounds/unitEffectSub_Tunnel.h"
#include "backgrounds/unitEffectSub_Wave.h"

#include <vector>

namespace zorvane::test {
namespace {

using StillBackgrounds = BackgroundFixture;

// Channels of 0xRRGGBB within one step of each other.
::testing::AssertionResult Near(std::uint32_t actual, std::uint32_t expected, int tolerance = 1) {
    for (int shift : {16, 8, 0}) {
        const int a = int(actual >> shift & 0xFF), e = int(expected >> shift & 0xFF);
        if (std::abs(a - e) > tolerance)
            return ::testing::AssertionFailure()
                   << std::hex << "0x" << actual << " is not near 0x" << expected;
    }
    return ::testing::AssertionSuccess();
}

// A desktop texture like the view's: the picture fills TexS x TexT of a 256 x 256 texture, from
// the top-left when shown with t from 0 (top) to -TexT (bottom); the rest is a colour that must
// never show.
TTextureInfo MakeDesktopTexture(std::uint32_t picture, std::uint32_t outside) {
    const int side = 256, width = 200, height = 150;
    std::vector<std::uint8_t> rgb(side * side * 3);
    for (int row = 0; row < side; ++row) // row 0 is the first one uploaded, t = 0 from below
        for (int x = 0; x < side; ++x) {
            const bool inside = x < width && row >= side - height;
            const std::uint32_t c = inside ? picture : outside;
            std::uint8_t* p = &rgb[(row * side + x) * 3];
            p[0] = c >> 16 & 0xFF;
            p[1] = c >> 8 & 0xFF;
            p[2] = c & 0xFF;
        }
    TTextureInfo info;
    glGenTextures(1, &info.Texture);
    glBindTexture(GL_TEXTURE_2D, info.Texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, side, side, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    info.TexS = float(width) / side;
    info.TexT = float(height) / side;
    info.FileName = "desktop";
    return info;
}

// None shows the desktop picture over the whole screen, dimmed by 5 % per opening step.
TEST_F(StillBackgrounds, NoneDimsTheDesktopWithTheOpeningStep) {
    const std::uint32_t picture = 0xC86432; // 200, 100, 50
    TTextureInfo desktop = MakeDesktopTexture(picture, 0xFF00FF);
    struct Case {
        int step;
        std::uint32_t expected;
    };
    const Case cases[] = {{0, picture}, {10, 0x643219}, {5, 0x964B26}};
    for (const Case& c : cases) {
        SCOPED_TRACE("step " + std::to_string(c.step));
        TEffectSub_None none(Context(), ",0,20");
        none.SetTexture(desktop);
        PrepareFrame();
        none.Draw(1, c.step);
        gl->finish();
        const int w = gl->width(), h = gl->height();
        // Centre and points near every corner: the picture, never the texture's unused part.
        for (auto [x, y] : {std::pair{w / 2, h / 2}, {4, 4}, {w - 5, 4}, {4, h - 5}, {w - 5, h - 5}})
            EXPECT_TRUE(Near(gl->pixel(x, y), c.expected)) << x << "," << y;
    }
    glDeleteTextures(1, &desktop.Texture);
    expectNoGLError("None");
}

// The desktop texture belongs to the view: destroying None keeps it; a picture None loaded from
// its options is its own and goes when the desktop picture replaces it.
TEST_F(StillBackgrounds, NoneLeavesTheDesktopTextureAlive) {
    WriteImage("back01.bmp", 0x123456);
    TTextureInfo desktop = MakeDesktopTexture(0x808080, 0);
    GLuint ownPicture = 0;
    {
        TEffectSub_None none(Context(), "back01.bmp");
        ownPicture = none.FTexture.Texture;
        ASSERT_TRUE(IsGLTexture(ownPicture));
        none.SetTexture(desktop);
        EXPECT_FALSE(IsGLTexture(ownPicture));
    }
    EXPECT_TRUE(IsGLTexture(desktop.Texture));
    {
        auto none = CreateBackground(0, ",0,20", [&] {
            BackgroundContext context = Context();
            context.desktopTexture = desktop;
            return context;
        }());
    }
    EXPECT_TRUE(IsGLTexture(desktop.Texture));
    glDeleteTextures(1, &desktop.Texture);
}

// Background stretches its picture over the screen, the top of the picture at the top.
TEST_F(StillBackgrounds, BackgroundFillsTheScreenUpright) {
    // Quadrants: red top-left, yellow top-right, green bottom-left, blue bottom-right.
    CaptureImage image(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            image.setPixel(x, y, y < 32 ? (x < 32 ? 0xFF0000 : 0xFFFF00) : (x < 32 ? 0x00FF00 : 0x0000FF));
    ASSERT_TRUE(image.saveBMP(dir + "/Images/back01.bmp"));
    TEffectSub_Background background(Context(), "back01.bmp");
    ASSERT_TRUE(IsGLTexture(background.FTexture.Texture));
    PrepareFrame();
    background.Draw(0, 10);
    gl->finish();
    const int w = gl->width(), h = gl->height();
    EXPECT_TRUE(Near(gl->pixel(w / 4, h / 4), 0xFF0000));
    EXPECT_TRUE(Near(gl->pixel(3 * w / 4, h / 4), 0xFFFF00));
    EXPECT_TRUE(Near(gl->pixel(w / 4, 3 * h / 4), 0x00FF00));
    EXPECT_TRUE(Near(gl->pixel(3 * w / 4, 3 * h / 4), 0x0000FF));
    // The step does not dim it.
    PrepareFrame();
    background.Draw(2, 0);
    gl->finish();
    EXPECT_TRUE(Near(gl->pixel(w / 4, h / 4), 0xFF0000));
    expectNoGLError("Background");
}

// Without a picture (None: without a desktop texture) a background draws nothing and stands still.
TEST_F(StillBackgrounds, MissingPictureDrawsNothing) {
    for (int type = 0; type <= 4; ++type) {
        SCOPED_TRACE("type " + std::to_string(type));
        auto background = CreateBackground(type, "nothing-here.bmp,-1,50", Context());
        ASSERT_NE(background, nullptr);
        for (int frame = 0; frame < 5; ++frame) {
            PrepareFrame();
            clock.advance(1000);
            background->Draw(1, 10);
        }
        gl->finish();
        const auto rgba = gl->readRGBA();
        EXPECT_EQ(std::count(rgba.begin(), rgba.end(), 0), std::ptrdiff_t(rgba.size() * 3 / 4));
        if (auto* wave = dynamic_cast<TEffectSub_Wave*>(background.get())) {
            EXPECT_EQ(wave->FrameIndex(), 1);
        }
        if (auto* tunnel = dynamic_cast<TEffectSub_Tunnel*>(background.get())) {
            EXPECT_EQ(tunnel->Time(), 0.0f);
        }
        if (auto* rain = dynamic_cast<TEffectSub_Raindrops*>(background.get())) {
            for (const auto& row : rain->Velocities())
                for (float v : row)
                    ASSERT_EQ(v, 0.0f);
        }
    }
    expectNoGLError("missing picture");
}

// Every background leaves matrices, enables, blending, colour, bindings and client arrays as the
// effect set them, whatever they were.
TEST_F(StillBackgrounds, DrawLeavesTheGLStateAsItFoundIt) {
    WritePatternImage("pic.bmp");
    TTextureInfo desktop = MakeDesktopTexture(0x808080, 0);
    BackgroundContext context = Context();
    context.desktopTexture = desktop;
    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    for (int type = 0; type <= 4; ++type) {
        auto background = CreateBackground(type, "pic.bmp,-1,20", context);
        ASSERT_NE(background, nullptr);
        for (bool unusual : {false, true}) {
            SCOPED_TRACE("type " + std::to_string(type) + (unusual ? " after unusual state" : ""));
            PrepareFrame();
            if (unusual) {
                glEnable(GL_BLEND);
                glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ZERO);
                glDisable(GL_DEPTH_TEST);
                glColor4f(0.25f, 0.5f, 0.75f, 0.125f);
                glTranslatef(0.5f, -0.25f, -3.0f);
                glEnableClientState(GL_COLOR_ARRAY);
            }
            glBindTexture(GL_TEXTURE_2D, other);
            const GLStateSnapshot before = GLStateSnapshot::Take();
            clock.advance(900);
            background->Draw(1, 10);
            EXPECT_EQ(GLStateSnapshot::Take().ChangesFrom(before), "");
            glDisableClientState(GL_COLOR_ARRAY);
            expectNoGLError("draw");
        }
    }
    glDeleteTextures(1, &other);
    glDeleteTextures(1, &desktop.Texture);
}

} // namespace
} // namespace zorvane::test
