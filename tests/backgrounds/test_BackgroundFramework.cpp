// The background framework: option texts, the "Images" lookup, the factory, the generator and
// the pacing rule shared by the animated backgrounds.
#include "BackgroundTestSupport.h"

#include "backgrounds/BackgroundFactory.h"
#include "backgrounds/BackgroundGL.h"
#include "backgrounds/unitEffectSub_Background.h"
#include "backgrounds/unitEffectSub_None.h"
#include "backgrounds/unitEffectSub_Raindrops.h"
#include "backgrounds/unitEffectSub_Tunnel.h"
#include "backgrounds/unitEffectSub_Wave.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>

namespace zorvane::test {
namespace {

namespace fs = std::filesystem;

using Framework = BackgroundFixture;

// Option texts: which file is looked up, whether a picture was loaded, the two numbers.
TEST_F(Framework, OptionTextsGiveFileActiveAndRate) {
    WriteImage("back01.bmp", 0x336699);
    fs::create_directories(dir + "/My Pictures, old");
    WriteImage("../My Pictures, old/pic.bmp", 0x996633);
    const std::string spaced = dir + "/My Pictures, old/pic.bmp";
    struct Case {
        std::string options;
        std::string file; // expected FImageFile
        bool loaded;
        bool active;
        int fps;
    };
    const Case cases[] = {
        // Nothing given: defaults, no lookup at all.
        {"", "", false, true, 20},
        // The initial setting: the lookup tries the Images folder itself, which is no file.
        {",0,20", dir + "/Images/", false, false, 20},
        // A bare name is found beside the program.
        {"back01.bmp", dir + "/Images/back01.bmp", true, true, 20},
        {"back01.bmp,0,35", dir + "/Images/back01.bmp", true, false, 35},
        // Words and numbers as booleans; a rate that is no number reads 20.
        {"back01.bmp,False,abc", dir + "/Images/back01.bmp", true, false, 20},
        {"back01.bmp,TRUE,7,ignored,fields", dir + "/Images/back01.bmp", true, true, 7},
        {"back01.bmp,maybe,", dir + "/Images/back01.bmp", true, true, 20},
        // A full path with a blank and a comma, quoted, is used as it is.
        {"\"" + spaced + "\",-1,50", spaced, true, true, 50},
        // A path whose file is gone falls back to the same name in Images.
        {"/no/such/folder/back01.bmp,-1,1", dir + "/Images/back01.bmp", true, true, 1},
        // A name written with backslashes still finds its picture.
        {"C:\\Pictures\\back01.bmp", dir + "/Images/back01.bmp", true, true, 20},
        // Missing everywhere: the Images path is kept, nothing loaded.
        {"missing.bmp,-1,5", dir + "/Images/missing.bmp", false, true, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("options: " + c.options);
        TEffectSub_Background background(Context(), c.options);
        EXPECT_EQ(background.FImageFile, c.file);
        EXPECT_EQ(IsGLTexture(background.FTexture.Texture), c.loaded);
        EXPECT_EQ(background.FActive, c.active);
        EXPECT_EQ(background.FFramesPerSecond, c.fps);
        EXPECT_FALSE(background.FAnimated);
        // The loader fills the name only.
        EXPECT_EQ(background.FTexture.TexS, 0.0f);
        EXPECT_EQ(background.FTexture.TexT, 0.0f);
    }
    expectNoGLError("option texts");
}

// GetOptions writes a text that SetOptions reads back to the same values, whatever the path holds.
TEST_F(Framework, GetOptionsReadsBackToTheSameValues) {
    fs::create_directories(dir + "/odd \"quoted\", dir");
    const std::string odd = dir + "/odd \"quoted\", dir/p.bmp";
    WriteImage("../odd \"quoted\", dir/p.bmp", 0x102030);
    // (An empty picture field comes back as "" and looks in Images: still no picture.)
    const std::string texts[] = {",0,20", "back01.bmp,-1,33", "\"" + dir + "/a b.bmp\",0,1"};
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        TEffectSub_Background first(Context(), text);
        TEffectSub_Background second(Context(), first.GetOptions());
        EXPECT_EQ(second.FImageFile, first.FImageFile);
        EXPECT_EQ(second.FActive, first.FActive);
        EXPECT_EQ(second.FFramesPerSecond, first.FFramesPerSecond);
    }
    // A double quote inside the path must not cut it short.
    TEffectSub_Background quoted(Context(), "");
    quoted.FImageFile = odd;
    quoted.FActive = false;
    quoted.FFramesPerSecond = 12;
    TEffectSub_Background back(Context(), quoted.GetOptions());
    EXPECT_EQ(back.FImageFile, odd);
    EXPECT_TRUE(IsGLTexture(back.FTexture.Texture));
    EXPECT_EQ(TEffectSub_Background(Context(), ",0,20").GetOptions(), "\"" + dir + "/Images/\",0,20");
}

// Setting new options frees the picture of the old ones; destruction frees the last.
TEST_F(Framework, NewOptionsReplaceThePicture) {
    WriteImage("one.bmp", 0x111111);
    WriteImage("two.bmp", 0x222222);
    GLuint second = 0;
    {
        TEffectSub_Background background(Context(), "one.bmp");
        const GLuint first = background.FTexture.Texture;
        ASSERT_TRUE(IsGLTexture(first));
        background.SetOptions("two.bmp,0,9");
        second = background.FTexture.Texture;
        EXPECT_TRUE(IsGLTexture(second));
        EXPECT_FALSE(IsGLTexture(first) && first != second);
        background.SetOptions("gone.bmp");
        EXPECT_EQ(background.FTexture.Texture, 0u);
        EXPECT_FALSE(IsGLTexture(second));
        background.SetOptions("two.bmp");
        second = background.FTexture.Texture;
    }
    EXPECT_FALSE(IsGLTexture(second));
}

// Installed layout: <prefix>/bin/zorvane and <prefix>/share/zorvane/Images.
TEST_F(Framework, PicturesAreFoundInTheSharedImagesFolder) {
    fs::create_directories(dir + "/bin");
    fs::create_directories(dir + "/share/zorvane/Images");
    WriteImage("../share/zorvane/Images/tunnel.bmp", 0x445566);
    EXPECT_EQ(LookUpImageFile("tunnel.bmp", dir + "/bin"), dir + "/share/zorvane/Images/tunnel.bmp");
    // Beside the program wins over the shared folder.
    fs::create_directories(dir + "/bin/Images");
    WriteImage("../bin/Images/tunnel.bmp", 0x445566);
    EXPECT_EQ(LookUpImageFile("tunnel.bmp", dir + "/bin"), dir + "/bin/Images/tunnel.bmp");
    // Found nowhere: the path beside the program.
    EXPECT_EQ(LookUpImageFile("gone.bmp", dir + "/bin"), dir + "/bin/Images/gone.bmp");
    // A folder is not a picture.
    EXPECT_EQ(LookUpImageFile(dir + "/bin", dir + "/bin"), dir + "/bin/Images/bin");
    EXPECT_FALSE(ExecutableDir().empty());
    EXPECT_TRUE(fs::is_directory(ExecutableDir()));
}

// Pictures the loader cannot read leave the background without a texture and without an error.
TEST_F(Framework, UnreadablePicturesGiveNoTexture) {
    {
        std::ofstream(dir + "/Images/broken.bmp") << "BM this is not a bitmap";
        std::ofstream(dir + "/Images/short.bmp", std::ios::binary).write("BM\x36\x10\0\0", 6);
        std::ofstream(dir + "/Images/picture.png") << "not loaded by extension";
    }
    for (const char* name : {"broken.bmp", "short.bmp", "picture.png"})
        for (int type = 1; type <= 4; ++type) {
            SCOPED_TRACE(std::string(name) + " type " + std::to_string(type));
            auto background = CreateBackground(type, name, Context());
            ASSERT_NE(background, nullptr);
            EXPECT_EQ(background->FTexture.Texture, 0u);
            EXPECT_EQ(background->FImageFile, dir + "/Images/" + name);
            // And it draws nothing: the cleared black frame stays.
            PrepareFrame();
            background->Draw(1, 10);
            gl->finish();
            const auto rgba = gl->readRGBA();
            EXPECT_EQ(std::count(rgba.begin(), rgba.end(), 0), std::ptrdiff_t(rgba.size() * 3 / 4));
        }
    expectNoGLError("unreadable pictures");
}

// The factory: the class for each type, the desktop picture for None, nothing for other values.
TEST_F(Framework, FactoryMakesTheNamedBackground) {
    WriteImage("pic.bmp", 0x808080);
    TTextureInfo desktop;
    glGenTextures(1, &desktop.Texture);
    glBindTexture(GL_TEXTURE_2D, desktop.Texture);
    desktop.FileName = "wallpaper";
    desktop.TexS = 0.75f;
    desktop.TexT = 0.5f;
    BackgroundContext context = Context();
    context.desktopTexture = desktop;

    auto none = CreateBackground(0, ",0,20", context);
    ASSERT_NE(dynamic_cast<TEffectSub_None*>(none.get()), nullptr);
    EXPECT_EQ(none->FTexture.Texture, desktop.Texture);
    EXPECT_EQ(none->FTexture.FileName, "wallpaper");
    EXPECT_EQ(none->FTexture.TexS, 0.75f);
    EXPECT_EQ(none->FTexture.TexT, 0.5f);
    EXPECT_FALSE(none->FAnimated);

    auto still = CreateBackground(1, "pic.bmp", context);
    EXPECT_NE(dynamic_cast<TEffectSub_Background*>(still.get()), nullptr);
    EXPECT_FALSE(still->FAnimated);
    auto wave = CreateBackground(2, "pic.bmp", context);
    EXPECT_NE(dynamic_cast<TEffectSub_Wave*>(wave.get()), nullptr);
    EXPECT_TRUE(wave->FAnimated);
    auto rain = CreateBackground(3, "pic.bmp", context);
    EXPECT_NE(dynamic_cast<TEffectSub_Raindrops*>(rain.get()), nullptr);
    EXPECT_TRUE(rain->FAnimated);
    auto tunnel = CreateBackground(4, "pic.bmp", context);
    EXPECT_NE(dynamic_cast<TEffectSub_Tunnel*>(tunnel.get()), nullptr);
    EXPECT_TRUE(tunnel->FAnimated);

    for (int type : {5, 7, 127, -1, 1000})
        EXPECT_EQ(CreateBackground(type, "pic.bmp", context), nullptr) << type;
    // Only the low seven bits of the setting count.
    EXPECT_NE(dynamic_cast<TEffectSub_None*>(CreateBackground(128, "", context).get()), nullptr);
    EXPECT_NE(dynamic_cast<TEffectSub_Wave*>(CreateBackground(256 + 2, "pic.bmp", context).get()), nullptr);
    glDeleteTextures(1, &desktop.Texture);
}

// The runtime generator never seeded: the same numbers in every run, always inside the range.
TEST(RuntimeRandomTest, FollowsTheRuntimeSequence) {
    RuntimeRandom random;
    const int expected[] = {0, 1, 48, 11, 15, 37, 17, 9};
    for (int value : expected)
        EXPECT_EQ(random.Next(56), value);

    RuntimeRandom wide;
    for (int i = 0; i < 100000; ++i) {
        const int value = wide.Next(56);
        ASSERT_GE(value, 0);
        ASSERT_LT(value, 56);
    }
    // The seed wraps at 32 bits: 0xFFFFFFFF * 134775813 + 1 leaves 4160191484.
    RuntimeRandom big;
    big.seed = 0xFFFFFFFFu;
    EXPECT_EQ(big.Next(std::numeric_limits<std::int32_t>::max()), 2080095741);
    EXPECT_EQ(big.seed, 4160191484u);
}

// 0.864 / fps seconds must have passed, counted in whole milliseconds of local time.
TEST(FrameIntervalTest, ElapsesAfterTheRatesInterval) {
    struct Case {
        std::int64_t elapsedMs;
        int fps;
        bool elapsed;
    };
    const Case cases[] = {
        {43, 20, false},
        {44, 20, true}, // 43.2 ms at the default 20
        {17, 50, false},
        {18, 50, true}, // 17.28 ms at 50
        {864, 1, false},
        {865, 1, true}, // exactly the interval is not enough
        {1, 864, false},
        {2, 864, true},
        {1'000'000, 0, false},
        {1'000'000, -5, false}, // no rate: never
        {-10, 20, false},
        {0, 1000, false},                                                    // no time passed
        {1'000'000'000'000, std::numeric_limits<std::int32_t>::max(), true}, // no overflow
    };
    const std::int64_t base = Clock::millisecondsAt(2026, 12, 8, 18, 0, 0);
    for (const Case& c : cases)
        EXPECT_EQ(FrameIntervalElapsed(base + c.elapsedMs, base, c.fps), c.elapsed)
            << c.elapsedMs << " ms at " << c.fps;
}

} // namespace
} // namespace zorvane::test
