// The desktop texture: wallpaper layouts over the desktop colour, wallpaper formats, pictures that
// cannot be used, and the power-of-two texture with its extents.
#include "PictureFiles.h"

#include "support/GLFixture.h"
#include "view/Textures.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>

namespace zorvane::test {
namespace {

constexpr std::uint32_t kDesk = 0x3A6EA5;

class FakeWallpaper : public WallpaperSource {
public:
    explicit FakeWallpaper(WallpaperInfo info) : info_(std::move(info)) {}
    WallpaperInfo wallpaperInfo() const override { return info_; }

private:
    WallpaperInfo info_;
};

class FakeScreen : public ScreenGeometry {
public:
    FakeScreen(int w, int h) : w_(w), h_(h) {}
    int screenWidth() const override { return w_; }
    int screenHeight() const override { return h_; }
    bool windowRect(WindowHandle, Rect&) const override { return false; }
    bool windowRegionBox(WindowHandle, Rect&) const override { return false; }

private:
    int w_, h_;
};

// A picture whose pixels name their place (red from x, green from y), far enough apart that a
// pixel out of place never passes for a rounding difference.
CaptureImage patterned(int w, int h) {
    CaptureImage image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y,
                           static_cast<std::uint32_t>((x * 37 % 256) << 16 | (y * 53 % 256) << 8 | 0x5A));
    return image;
}

WallpaperInfo wallpaperFile(const std::string& file, int style) {
    WallpaperInfo info;
    info.fileName = file;
    info.style = style;
    info.desktopColor = kDesk;
    return info;
}

// Converts with ImageMagick; format forces the output format whatever the file name says.
std::string convertTo(const TempDir& dir, const std::string& bmp, const std::string& target,
                      const std::string& format = "", const std::string& options = "") {
    const std::string out = dir.path(target).string();
    const std::string command =
        "/usr/bin/convert '" + bmp + "' " + options + " '" + format + out + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    return out;
}

// ---- Layout by style ---------------------------------------------------------------------------------

TEST(DesktopPicture, TileRepeatsFromTheTopLeftCorner) {
    TempDir dir;
    const CaptureImage picture = patterned(3, 2);
    ASSERT_TRUE(picture.saveBMP(dir.path("tile.bmp").string()));
    const auto canvas = RenderDesktopPicture(wallpaperFile(dir.path("tile.bmp").string(), wsTile), 8, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(canvas->pixel(x, y), picture.pixel(x % 3, y % 2)) << x << "," << y;
}

TEST(DesktopPicture, StretchScalesByNearestNeighbour) {
    TempDir dir;
    const CaptureImage picture = patterned(2, 3);
    ASSERT_TRUE(picture.saveBMP(dir.path("s.bmp").string()));
    const auto canvas = RenderDesktopPicture(wallpaperFile(dir.path("s.bmp").string(), wsStretch), 8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(canvas->pixel(x, y), picture.pixel(x / 4, y / 2)) << x << "," << y;
}

// Centre puts a smaller picture at the top-left and centres (and crops) a larger one, per direction.
TEST(DesktopPicture, CentrePlacesPictureByDirection) {
    struct Case {
        const char* what;
        int pictureW, pictureH;
        int left, top; // where the picture's top-left lands on the 10 x 8 canvas
    };
    const Case cases[] = {
        {"smaller both ways", 4, 3, 0, 0},        {"larger both ways", 14, 12, 5 - 7, 4 - 6},
        {"larger and odd", 13, 11, 5 - 6, 4 - 5}, {"wider only", 14, 3, 5 - 7, 0},
        {"taller only", 4, 12, 0, 4 - 6},         {"exactly the screen", 10, 8, 0, 0},
    };
    for (int style : {int{wsCentre}, 3, -1, 99}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + ", style " + std::to_string(style));
            TempDir dir;
            const CaptureImage picture = patterned(c.pictureW, c.pictureH);
            ASSERT_TRUE(picture.saveBMP(dir.path("c.bmp").string()));
            const auto canvas = RenderDesktopPicture(wallpaperFile(dir.path("c.bmp").string(), style), 10, 8);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 10; ++x) {
                    const int px = x - c.left, py = y - c.top;
                    const bool inside = px >= 0 && py >= 0 && px < c.pictureW && py < c.pictureH;
                    ASSERT_EQ(canvas->pixel(x, y), inside ? picture.pixel(px, py) : kDesk) << x << "," << y;
                }
        }
    }
}

TEST(DesktopPicture, LargerCentredPictureHasItsMiddleInTheScreenMiddle) {
    TempDir dir;
    const CaptureImage picture = patterned(200, 100);
    ASSERT_TRUE(picture.saveBMP(dir.path("big.bmp").string()));
    const auto canvas = RenderDesktopPicture(wallpaperFile(dir.path("big.bmp").string(), wsCentre), 64, 48);
    EXPECT_EQ(canvas->pixel(32, 24), picture.pixel(100, 50));
}

// ---- When there is no usable wallpaper ----------------------------------------------------------------

TEST(DesktopPicture, PlainDesktopColourWithoutAUsablePicture) {
    TempDir dir;
    const CaptureImage dot = patterned(1, 1);
    ASSERT_TRUE(dot.saveBMP(dir.path("dot.bmp").string()));
    std::filesystem::create_directory(dir.path("folder.bmp"));
    struct Case {
        const char* what;
        std::string file;
    };
    const Case cases[] = {
        {"no file name", ""},
        {"missing file", dir.path("gone.bmp").string()},
        {"a folder", dir.path("folder.bmp").string()},
        {"1 x 1 picture", dir.path("dot.bmp").string()},
        {"not a picture", dir.write("text.png", Bytes{'h', 'e', 'l', 'l', 'o'})},
        {"empty file", dir.write("empty.jpg", Bytes{})},
        {"cut JPEG header", dir.write("cut.jpg",
                                      [] {
                                          Bytes j = encodeJPEG(8, 8, 0xFF0000);
                                          j.resize(30);
                                          return j;
                                      }())},
        {"DDS with no surface", dir.write("short.dds", Bytes{'D', 'D', 'S', ' ', 124, 0, 0, 0})},
        {"BMP claiming a giant size", dir.write("giant.bmp", buildBMP({.width = 30000, .height = 30000}))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int style : {int{wsCentre}, int{wsTile}, int{wsStretch}}) {
            const auto canvas = RenderDesktopPicture(wallpaperFile(c.file, style), 6, 4);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 6; ++x)
                    ASSERT_EQ(canvas->pixel(x, y), kDesk) << x << "," << y;
        }
    }
    // Two pixels are enough to count as a picture.
    const CaptureImage pair = patterned(2, 1);
    ASSERT_TRUE(pair.saveBMP(dir.path("pair.bmp").string()));
    EXPECT_EQ(RenderDesktopPicture(wallpaperFile(dir.path("pair.bmp").string(), wsTile), 6, 4)->pixel(5, 3),
              pair.pixel(1, 0));
}

TEST(DesktopPicture, ReadyPictureIsUsedAsIsOverTheDesktopColour) {
    WallpaperInfo info;
    info.fileName = "0x2a00001"; // a pixmap id, not a file
    info.style = wsStretch;      // ignored for a ready picture
    info.desktopColor = kDesk;
    info.picture = std::make_shared<CaptureImage>(patterned(5, 3));
    const auto canvas = RenderDesktopPicture(info, 6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(canvas->pixel(x, y), x < 5 && y < 3 ? info.picture->pixel(x, y) : kDesk)
                << x << "," << y;
    EXPECT_THROW(RenderDesktopPicture(info, 0, 4), std::invalid_argument);
}

// ---- Wallpaper formats ----------------------------------------------------------------------------------

TEST(DesktopPicture, WallpaperFormatsDecode) {
    TempDir dir;
    const CaptureImage picture = patterned(4, 3);
    const std::string bmp = dir.path("w.bmp").string();
    ASSERT_TRUE(picture.saveBMP(bmp));
    struct Case {
        const char* what;
        std::string file;
        int tolerance;
    };
    std::vector<Case> cases = {
        {"BMP", bmp, 0},
        {"PNG", convertTo(dir, bmp, "w.png"), 0},
        {"GIF", convertTo(dir, bmp, "w.gif"), 2}, // palette rounding
        // ImageMagick marks a Targa from a BMP as bottom-up but writes its rows top first; say it plainly.
        {"Targa", convertTo(dir, bmp, "w.tga", "", "-orient TopLeft"), 0},
        {"Targa bottom-up",
         dir.write("b.tga", buildTGA({.width = 4,
                                      .height = 3,
                                      .rows =
                                          [&] {
                                              std::vector<std::vector<std::uint32_t>> rows;
                                              for (int y = 2; y >= 0; --y) {
                                                  rows.emplace_back();
                                                  for (int x = 0; x < 4; ++x)
                                                      rows.back().push_back(picture.pixel(x, y));
                                              }
                                              return rows;
                                          }()})),
         0},
        {"PNG named .bmp", convertTo(dir, bmp, "w-png.bmp", "png:"), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.file.empty()) << "convert failed";
        const auto decoded = LoadWallpaperPicture(c.file);
        ASSERT_TRUE(decoded);
        ASSERT_EQ(decoded->width(), 4);
        ASSERT_EQ(decoded->height(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                ASSERT_LE(colourDistance(decoded->pixel(x, y), picture.pixel(x, y)), c.tolerance)
                    << x << "," << y;
    }
    const auto jpeg = LoadWallpaperPicture(dir.write("w.jpg", encodeJPEG(9, 7, 0x40A060)));
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->width(), 9);
    EXPECT_LE(colourDistance(jpeg->pixel(4, 3), 0x40A060), 6);
}

TEST(DesktopPicture, DdsSurfacesDecode) {
    TempDir dir;
    // Uncompressed 32-bit, red in the low byte.
    Bytes rgba = ddsHeader(2, 1, 0x40, 0, 32, {0x000000FF, 0x0000FF00, 0x00FF0000});
    for (std::uint8_t b : {0x11, 0x22, 0x33, 0xFF, 0x44, 0x55, 0x66, 0xFF})
        rgba.push_back(b);
    const auto flat = LoadWallpaperPicture(dir.write("flat.DDS", rgba));
    ASSERT_TRUE(flat);
    EXPECT_EQ(flat->pixel(0, 0), 0x112233u);
    EXPECT_EQ(flat->pixel(1, 0), 0x445566u);

    // DXT1, one 4 x 4 block: colour 0 pure red, colour 1 pure blue; the top row picks 0, 1, 2, 3.
    Bytes dxt1 = ddsHeader(4, 4, 0x4, 0x31545844 /* "DXT1" */, 0, {0, 0, 0});
    for (std::uint8_t b : {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00})
        dxt1.push_back(b);
    const auto block = LoadWallpaperPicture(dir.write("block.dds", dxt1));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(block->pixel(1, 0), 0x0000FFu);
    EXPECT_EQ(block->pixel(2, 0), 0xAA0055u); // two thirds red, one third blue
    EXPECT_EQ(block->pixel(3, 0), 0x5500AAu);
    EXPECT_EQ(block->pixel(3, 3), 0xFF0000u);

    // Surfaces that are short or of an unknown kind give nothing.
    dxt1.pop_back();
    EXPECT_FALSE(LoadWallpaperPicture(dir.write("cut.dds", dxt1)));
    EXPECT_FALSE(LoadWallpaperPicture(dir.write("bc7.dds", ddsHeader(4, 4, 0x4, 0x30315844, 0, {0, 0, 0}))));
    EXPECT_FALSE(LoadWallpaperPicture(
        dir.write("huge.dds", ddsHeader(60000, 60000, 0x40, 0, 32, {0xFF, 0xFF00, 0xFF0000}))));
}

// ---- The texture ---------------------------------------------------------------------------------------

class DesktopTexture : public GLFixture {};

TEST_F(DesktopTexture, ScreenSizesGivePowerOfTwoTexturesAndExtents) {
    struct Case {
        int w, h, textureW, textureH;
        float texS, texT;
    };
    const Case cases[] = {
        {1280, 1024, 2048, 1024, 0.625f, 1.0f},
        {100, 60, 128, 128, 0.78125f, 0.46875f},
        {1920, 1080, 2048, 2048, 0.9375f, 0.52734375f},
    };
    TempDir dir;
    const CaptureImage picture = patterned(2, 2);
    ASSERT_TRUE(picture.saveBMP(dir.path("t.bmp").string()));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        FakeWallpaper source(wallpaperFile(dir.path("t.bmp").string(), wsTile));
        TTextureInfo info;
        CreateDesktopTexture(source, FakeScreen(c.w, c.h), info);
        ASSERT_NE(info.Texture, 0u);
        EXPECT_EQ(info.TexS, c.texS);
        EXPECT_EQ(info.TexT, c.texT);
        EXPECT_EQ(info.FileName, dir.path("t.bmp").string());
        const TextureImage image = readTexture(info.Texture);
        ASSERT_EQ(image.width, c.textureW);
        ASSERT_EQ(image.height, c.textureH);
        // The first uploaded row is the bottom of the canvas, so the screen's top row is the last
        // one: t = 0 wraps onto it, and t = -TexT reaches the screen's bottom row.
        const int top = c.textureH - 1, bottom = c.textureH - c.h;
        EXPECT_EQ(image.rgb(0, top), picture.pixel(0, 0));
        EXPECT_EQ(image.rgb(1, top), picture.pixel(1, 0));
        EXPECT_EQ(image.rgb(0, top - 1), picture.pixel(0, 1));
        EXPECT_EQ(image.rgb(c.w - 1, bottom), picture.pixel((c.w - 1) % 2, (c.h - 1) % 2));
        glDeleteTextures(1, &info.Texture);
        expectNoGLError("CreateDesktopTexture");
    }
}

TEST_F(DesktopTexture, FileNameIsKeptAsReadEvenWithoutAFile) {
    FakeWallpaper source(wallpaperFile("/nowhere/wall.png", wsStretch));
    int style = -5;
    std::string name;
    GetWallpaperInfo(source, style, name);
    EXPECT_EQ(style, wsStretch);
    EXPECT_EQ(name, "/nowhere/wall.png");
    TTextureInfo info;
    CreateDesktopTexture(source, FakeScreen(200, 100), info);
    EXPECT_EQ(info.FileName, "/nowhere/wall.png");
    const TextureImage image = readTexture(info.Texture);
    EXPECT_EQ(image.rgb(0, 127), kDesk);
    EXPECT_EQ(image.rgb(199, 28), kDesk);
    glDeleteTextures(1, &info.Texture);
}

} // namespace
} // namespace zorvane::test
