// The picture loader: BMP, Targa and JPEG files and resources become textures with the right
// colours and rows, and damaged or unsupported pictures give false or a TextureError, never a crash.
#include "PictureFiles.h"

#include "support/GLFixture.h"
#include "view/Textures.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zorvane::test {
namespace {

constexpr GLuint kUntouched = 0xDEAD;

class TextureLoader : public GLFixture {
protected:
    void TearDown() override {
        for (GLuint t : made_)
            glDeleteTextures(1, &t);
    }
    // A texture made by the loader, deleted after the test.
    GLuint keep(GLuint texture) {
        made_.push_back(texture);
        return texture;
    }
    TempDir dir;

private:
    std::vector<GLuint> made_;
};

// ---- BMP: colours, padding, rows --------------------------------------------------------------------

TEST_F(TextureLoader, Bmp24SmallPicturesComeOutPixelExact) {
    // 2 pixels wide: 6 bytes a row padded to 8, so a loader that ignores the padding shears the rows.
    BmpLayout layout{.width = 2, .height = 2, .rows = {{0xFF0000, 0x00FF00}, {0x0000FF, 0x123456}}};
    GLuint texture = kUntouched;
    ASSERT_TRUE(LoadTexture(dir.write("small.bmp", buildBMP(layout)), texture, false));
    keep(texture);
    const TextureImage image = readTexture(texture);
    ASSERT_EQ(image.width, 2);
    ASSERT_EQ(image.height, 2);
    EXPECT_EQ(image.rgb(0, 0), 0xFF0000u); // first stored row is the texture's first row
    EXPECT_EQ(image.rgb(1, 0), 0x00FF00u);
    EXPECT_EQ(image.rgb(0, 1), 0x0000FFu);
    EXPECT_EQ(image.rgb(1, 1), 0x123456u);
    expectNoGLError("Bmp24SmallPicturesComeOutPixelExact");
}

// Widths that are not a multiple of 4, stored bottom-up and top-down, with and without the
// image-size field: every texture row must be one clean colour in the stored order.
TEST_F(TextureLoader, Bmp24PaddedRowsStayUnsheared) {
    const std::vector<std::uint32_t> colours{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    struct Case {
        const char* what;
        int width;
        bool topDown;
        std::int64_t imageSize;
    };
    const Case cases[] = {
        {"width 5, bottom-up", 5, false, -1},   {"width 5, image size 0", 5, false, 0},
        {"width 7, image size 0", 7, false, 0}, {"width 130, image size 0", 130, false, 0},
        {"width 5, top-down", 5, true, -1},     {"width 3, top-down, image size 0", 3, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint32_t> stored = colours;
        if (c.topDown)
            stored.assign(colours.rbegin(), colours.rend());
        BmpLayout layout{.width = c.width,
                         .height = c.topDown ? -4 : 4,
                         .imageSize = c.imageSize,
                         .rows = uniformRows(c.width, stored)};
        GLuint texture = kUntouched;
        ASSERT_TRUE(LoadTexture(dir.write("rows.bmp", buildBMP(layout)), texture, false));
        keep(texture);
        const TextureImage image = readTexture(texture);
        ASSERT_EQ(image.height, 4);
        for (int row = 0; row < 4; ++row)
            for (int x = 0; x < image.width; ++x)
                ASSERT_EQ(image.rgb(x, row), colours[static_cast<std::size_t>(row)])
                    << "row " << row << " x " << x;
    }
}

// Newer info headers (V5: 124 bytes) put the pixels after the longer header.
TEST_F(TextureLoader, BmpWithV5HeaderLoads) {
    BmpLayout layout{.width = 2, .height = 1, .headerSize = 124, .rows = {{0x102030, 0x405060}}};
    GLuint texture = kUntouched;
    ASSERT_TRUE(LoadTexture(dir.write("v5.bmp", buildBMP(layout)), texture, false));
    keep(texture);
    const TextureImage image = readTexture(texture);
    EXPECT_EQ(image.rgb(0, 0), 0x102030u);
    EXPECT_EQ(image.rgb(1, 0), 0x405060u);
}

// ---- 32-bit BMP: the colour key --------------------------------------------------------------------

TEST_F(TextureLoader, Bmp32ColourKeyMakesFirstPixelsColourTransparent) {
    struct Case {
        const char* what;
        std::vector<std::vector<std::uint32_t>> rows;
        std::vector<std::vector<std::uint32_t>> expected; // 0xAARRGGBB per texture row
    };
    const Case cases[] = {
        {"all pixels equal: fully transparent",
         {{0xFF336699, 0xFF336699}, {0xFF336699, 0xFF336699}},
         {{0x00336699, 0x00336699}, {0x00336699, 0x00336699}}},
        {"unique bottom-left pixel: only it transparent",
         {{0x00112233, 0x00445566}, {0x00445566, 0x00778899}},
         {{0x00112233, 0xFF445566}, {0xFF445566, 0xFF778899}}},
        {"same colour, other stored alpha: not the key",
         {{0x00AABBCC, 0x80AABBCC}, {0x00AABBCC, 0x00010203}},
         {{0x00AABBCC, 0xFFAABBCC}, {0x00AABBCC, 0xFF010203}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BmpLayout layout{.width = 2, .height = 2, .bitCount = 32, .rows = c.rows};
        GLuint texture = kUntouched;
        ASSERT_TRUE(LoadTexture(dir.write("key.bmp", buildBMP(layout)), texture, false));
        keep(texture);
        const TextureImage image = readTexture(texture);
        for (int row = 0; row < 2; ++row)
            for (int x = 0; x < 2; ++x)
                EXPECT_EQ(image.argb(x, row),
                          c.expected[static_cast<std::size_t>(row)][static_cast<std::size_t>(x)])
                    << "row " << row << " x " << x;
    }
}

// Bit-field pictures whose channels are whole bytes in another order come out in the right colours.
TEST_F(TextureLoader, Bmp32BitFieldsInRgbaOrderKeepTheirColours) {
    // Red in byte 0, green in byte 1, blue in byte 2: 0xAABBGGRR in the builder's notation.
    BmpLayout layout{.width = 2,
                     .height = 1,
                     .bitCount = 32,
                     .compression = 3,
                     .masks = {0x000000FF, 0x0000FF00, 0x00FF0000},
                     .rows = {{0x00332211, 0x00665544}}};
    GLuint texture = kUntouched;
    ASSERT_TRUE(LoadTexture(dir.write("rgba.bmp", buildBMP(layout)), texture, false));
    keep(texture);
    const TextureImage image = readTexture(texture);
    EXPECT_EQ(image.argb(0, 0), 0x00112233u);
    EXPECT_EQ(image.argb(1, 0), 0xFF445566u);
}

// ---- BMP: pictures the loader refuses ---------------------------------------------------------------

TEST_F(TextureLoader, BmpUnsupportedOrImpossiblePicturesGiveFalse) {
    const auto row8 = uniformRows(4, {0x01, 0x02});
    struct Case {
        const char* what;
        BmpLayout layout;
    };
    const Case cases[] = {
        {"8 bits", {.width = 4, .height = 2, .bitCount = 8, .rows = row8}},
        {"1 bit", {.width = 4, .height = 2, .bitCount = 1, .rows = {}}},
        {"16 bits", {.width = 4, .height = 2, .bitCount = 16, .rows = uniformRows(4, {0x7C00, 0x03E0})}},
        {"48 bits", {.width = 1, .height = 1, .bitCount = 48, .rows = {{0x1}}}},
        {"zero width", {.width = 0, .height = 2, .rows = {}}},
        {"negative width", {.width = -4, .height = 2, .rows = {}}},
        {"zero height", {.width = 4, .height = 0, .rows = {}}},
        {"wider than any texture", {.width = 40000, .height = 1, .imageSize = 0, .rows = {}}},
        {"giant picture in a short file", {.width = 30000, .height = 30000, .rows = {}}},
        {"image size smaller than the rows",
         {.width = 5, .height = 2, .imageSize = 30, .rows = uniformRows(5, {1, 2})}},
        {"huge colour table count", {.width = 1, .height = 1, .coloursUsed = 0x40000000, .rows = {{0x1}}}},
        {"unknown compression", {.width = 1, .height = 1, .compression = 4, .rows = {{0x1}}}},
        {"32-bit fields not whole bytes",
         {.width = 1,
          .height = 1,
          .bitCount = 32,
          .compression = 3,
          .masks = {0x3FF00000, 0x000FFC00, 0x000003FF},
          .rows = {{0x1}}}},
        {"header shorter than 40 bytes", {.width = 1, .height = 1, .headerSize = 12, .rows = {{0x1}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GLuint texture = kUntouched;
        EXPECT_FALSE(LoadTexture(dir.write("bad.bmp", buildBMP(c.layout)), texture, false));
        EXPECT_EQ(texture, kUntouched);
    }
}

// Headers out of bounds with every byte they claim present, so that a loader reading past them
// would find a whole picture: a colour table of more than 256 entries, an info header longer than
// 124 bytes. Both are refused; the largest of each still loads.
TEST_F(TextureLoader, BmpHeadersPastTheirBoundsAreRefusedEvenWithTheDataThere) {
    const auto grow = [](Bytes bytes, std::size_t field, std::size_t at, std::size_t extra) {
        const std::uint32_t value = bytes[field] | bytes[field + 1] << 8 | bytes[field + 2] << 16 |
                                    static_cast<std::uint32_t>(bytes[field + 3]) << 24;
        const std::uint32_t grown = value + static_cast<std::uint32_t>(field == 14 ? extra : extra / 4);
        for (int i = 0; i < 4; ++i)
            bytes[field + i] = static_cast<std::uint8_t>(grown >> (8 * i));
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), extra, 0);
        return bytes;
    };
    const auto rows = uniformRows(2, {0x102030});
    const Bytes fullTable = buildBMP({.width = 2, .height = 1, .coloursUsed = 256, .rows = rows});
    const Bytes longestHeader = buildBMP({.width = 2, .height = 1, .headerSize = 124, .rows = rows});
    struct Case {
        const char* what;
        Bytes bytes;
        bool loads;
    };
    const Case cases[] = {
        {"256 colours", fullTable, true},
        {"257 colours", grow(fullTable, 14 + 32, 14 + 40 + 1024, 4), false},
        {"124-byte header", longestHeader, true},
        {"125-byte header", grow(longestHeader, 14, 14 + 124, 1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GLuint texture = kUntouched;
        EXPECT_EQ(LoadTexture(dir.write("edge.bmp", c.bytes), texture, false), c.loads);
        if (c.loads)
            keep(texture);
        else
            EXPECT_EQ(texture, kUntouched);
    }
}

TEST_F(TextureLoader, BmpReadErrorsFromFilesReachTheCaller) {
    const Bytes good = buildBMP({.width = 5, .height = 4, .rows = uniformRows(5, {1, 2, 3, 4})});
    struct Case {
        const char* what;
        Bytes bytes;
        const char* message;
    };
    const Case cases[] = {
        {"pixel data cut short", Bytes(good.begin(), good.end() - 10), "ends early"},
        {"info header cut short", Bytes(good.begin(), good.begin() + 30), "ends early"},
        {"empty file", Bytes{}, "ends early"},
        {"run-length encoded 8 bits", buildBMP({.width = 4, .height = 1, .bitCount = 8, .compression = 1}),
         "Compressed Bitmaps not handled"},
        {"run-length encoded 4 bits", buildBMP({.width = 4, .height = 1, .bitCount = 4, .compression = 2}),
         "Compressed Bitmaps not handled"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GLuint texture = kUntouched;
        try {
            LoadTexture(dir.write("cut.bmp", c.bytes), texture, false);
            ADD_FAILURE() << "no error";
        } catch (const TextureError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        EXPECT_EQ(texture, kUntouched);
    }
    GLuint texture = kUntouched;
    EXPECT_THROW(LoadBMP(dir.path("missing.bmp").string(), texture, false), TextureError);
}

TEST_F(TextureLoader, BmpStreamReadsFromItsPosition) {
    const Bytes bmp = buildBMP({.width = 1, .height = 1, .rows = {{0xABCDEF}}});
    std::string bytes = "junk";
    bytes.append(bmp.begin(), bmp.end());
    std::istringstream stream(bytes);
    stream.seekg(4);
    GLuint texture = kUntouched;
    ASSERT_TRUE(LoadBMPStream(stream, texture));
    keep(texture);
    EXPECT_EQ(readTexture(texture).rgb(0, 0), 0xABCDEFu);
}

// ---- Targa -----------------------------------------------------------------------------------------

TEST_F(TextureLoader, Tga24At130WideIsUnsheared) {
    // 130 pixels of 3 bytes are 390 bytes a row: read with 4-byte row alignment the rows would drift.
    const std::vector<std::uint32_t> colours{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
    TgaLayout layout{.width = 130, .height = 4, .rows = uniformRows(130, colours)};
    GLuint texture = kUntouched;
    ASSERT_TRUE(LoadTexture(dir.write("wide.tga", buildTGA(layout)), texture, false));
    keep(texture);
    const TextureImage image = readTexture(texture);
    ASSERT_EQ(image.height, 4);
    for (int row = 0; row < 4; ++row)
        for (int x = 0; x < image.width; ++x)
            ASSERT_EQ(image.rgb(x, row), colours[static_cast<std::size_t>(row)])
                << "row " << row << " x " << x;
}

TEST_F(TextureLoader, TgaVariantsLoadInStoredOrder) {
    struct Case {
        const char* what;
        TgaLayout layout;
        std::uint32_t firstRow; // expected 0xAARRGGBB of texture row 0
    };
    const Case cases[] = {
        {"32 bits keep their alpha",
         {.width = 2, .height = 2, .bits = 32, .rows = uniformRows(2, {0x80102030, 0xFF405060})},
         0x80102030},
        {"identification field skipped",
         {.width = 2, .height = 2, .id = "made by hand", .rows = uniformRows(2, {0x102030, 0x405060})},
         0xFF102030},
        {"top-left origin turned bottom-up",
         {.width = 2, .height = 2, .descriptor = 0x20, .rows = uniformRows(2, {0x102030, 0x405060})},
         0xFF405060},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GLuint texture = kUntouched;
        ASSERT_TRUE(LoadTexture(dir.write("v.TGA", buildTGA(c.layout)), texture, false));
        keep(texture);
        const TextureImage image = readTexture(texture);
        EXPECT_EQ(image.argb(0, 0), c.firstRow);
        EXPECT_EQ(image.argb(1, 0), c.firstRow);
    }
}

TEST_F(TextureLoader, TgaOtherKindsGiveFalse) {
    const auto rows = uniformRows(2, {1, 2});
    struct Case {
        const char* what;
        Bytes bytes;
    };
    Bytes shortPixels = buildTGA({.width = 2, .height = 2, .rows = rows});
    shortPixels.resize(shortPixels.size() - 1);
    const Case cases[] = {
        {"run-length encoded (type 10)", buildTGA({.width = 2, .height = 2, .imageType = 10, .rows = rows})},
        {"16 bits", buildTGA({.width = 2, .height = 2, .bits = 16, .rows = rows})},
        {"8 bits", buildTGA({.width = 2, .height = 2, .bits = 8, .rows = rows})},
        {"40 bits", buildTGA({.width = 2, .height = 2, .bits = 40, .rows = rows})},
        {"colour map present", buildTGA({.width = 2, .height = 2, .colourMapType = 1, .rows = rows})},
        {"zero width", buildTGA({.width = 0, .height = 2})},
        {"pixel data one byte short", shortPixels},
        {"giant size, no pixels", buildTGA({.width = 65535, .height = 65535, .bits = 32})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GLuint texture = kUntouched;
        EXPECT_FALSE(LoadTexture(dir.write("bad.tga", c.bytes), texture, false));
        EXPECT_EQ(texture, kUntouched);
    }
    GLuint texture = kUntouched;
    EXPECT_FALSE(LoadTGA(dir.path("missing.tga").string(), texture, false));
    EXPECT_THROW(LoadTGA(dir.write("header.tga", Bytes(10, 0)), texture, false), TextureError);
    EXPECT_FALSE(LoadTGA("NOSUCH.TGA", texture, true));
    EXPECT_EQ(texture, kUntouched);
}

// ---- JPEG and the choice by file name ---------------------------------------------------------------

TEST_F(TextureLoader, FileNameEndingChoosesTheLoader) {
    const Bytes jpeg = encodeJPEG(16, 8, 0xE01010);
    struct Case {
        const char* name;
        bool loads;
    };
    const Case cases[] = {
        {"a.jpg", true},  {"b.JPG", true}, {"c.Jpg", true},      {"d.jpeg", false},
        {"e.png", false}, {"jpg", false},  {"f.jpg.txt", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GLuint texture = kUntouched;
        EXPECT_EQ(LoadTexture(dir.write(c.name, jpeg), texture, false), c.loads);
        if (!c.loads) {
            EXPECT_EQ(texture, kUntouched);
            continue;
        }
        keep(texture);
        const TextureImage image = readTexture(texture);
        ASSERT_EQ(image.width, 16);
        ASSERT_EQ(image.height, 8);
        EXPECT_LE(colourDistance(image.rgb(3, 3), 0xE01010), 6) << std::hex << image.rgb(3, 3);
    }
}

TEST_F(TextureLoader, DamagedJpegGivesFalseAndTheProcessGoesOn) {
    const Bytes jpeg = encodeJPEG(32, 32, 0x2040C0);
    Bytes garbage = jpeg;
    for (std::size_t i = 2; i < garbage.size(); ++i)
        garbage[i] = static_cast<std::uint8_t>(i * 37);
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"empty", Bytes{}},
        {"only the start marker", Bytes(jpeg.begin(), jpeg.begin() + 2)},
        {"header cut short", Bytes(jpeg.begin(), jpeg.begin() + 40)},
        {"garbage after the start marker", garbage},
        {"a BMP named .jpg", buildBMP({.width = 1, .height = 1, .rows = {{0x1}}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GLuint texture = kUntouched;
        EXPECT_FALSE(LoadTexture(dir.write("bad.jpg", c.bytes), texture, false));
        EXPECT_EQ(texture, kUntouched);
    }
    GLuint texture = kUntouched;
    EXPECT_FALSE(LoadJPG(dir.path("missing.jpg").string(), texture, false));
    EXPECT_FALSE(LoadJPG("NOSUCH.JPG", texture, true));
    EXPECT_EQ(texture, kUntouched);
}

// A JPEG cut in the middle of its scan shows what arrived, as image viewers do.
TEST_F(TextureLoader, JpegCutInItsScanShowsTheRowsThatArrived) {
    const Bytes jpeg = encodeJPEG(64, 64, 0x2040C0);
    std::size_t scan = 0; // the start-of-scan marker
    for (std::size_t i = 0; i + 1 < jpeg.size() && scan == 0; ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
            scan = i;
    ASSERT_NE(scan, 0u);
    const Bytes cut(jpeg.begin(),
                    jpeg.begin() + static_cast<std::ptrdiff_t>(scan + (jpeg.size() - scan) / 2));
    GLuint texture = kUntouched;
    ASSERT_TRUE(LoadTexture(dir.write("cut.jpg", cut), texture, false));
    keep(texture);
    const TextureImage image = readTexture(texture);
    ASSERT_EQ(image.height, 64);
    EXPECT_LE(colourDistance(image.rgb(10, 63), 0x2040C0), 8); // the top row is the last uploaded
}

// Found by fuzzing: a few hundred bytes whose header claims 8000 x 8000 pixels. libjpeg goes on
// decoding made-up data to the last row once the data has run out (seconds of work, every row
// the colour of the last real block); decoding stops there, and the rows that never arrived are black.
TEST_F(TextureLoader, JpegClaimingFarMoreRowsThanItHoldsStopsWhereItsDataEnds) {
    Bytes jpeg = encodeJPEG(8, 8, 0xE0E0E0);
    std::size_t frame = 0; // the start-of-frame marker: FF C0, length, precision, height, width
    for (std::size_t i = 0; i + 1 < jpeg.size() && frame == 0; ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0)
            frame = i;
    ASSERT_NE(frame, 0u);
    for (std::size_t at : {frame + 5, frame + 7}) {
        jpeg[at] = 8000 >> 8;
        jpeg[at + 1] = 8000 & 0xFF;
    }
    const auto picture = LoadWallpaperPicture(dir.write("claims.jpg", jpeg));
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->width(), 8000);
    ASSERT_EQ(picture->height(), 8000);
    EXPECT_LE(colourDistance(picture->pixel(3, 3), 0xE0E0E0), 8) << "the rows that arrived";
    EXPECT_EQ(picture->pixel(3, 4000), 0x000000u);
    EXPECT_EQ(picture->pixel(7999, 7999), 0x000000u);
}

// Pictures whose sides are not powers of two are scaled to the nearest power of two with no row
// lost: GLU's own scaling blanks the last row when only the width changes.
TEST_F(TextureLoader, ScaledPicturesKeepEveryRow) {
    struct Case {
        int width, height, textureW, textureH;
    };
    const Case cases[] = {{5, 4, 4, 4}, {100, 64, 128, 64}, {7, 3, 8, 4}, {3, 5, 4, 4}, {6, 6, 8, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        std::vector<std::uint32_t> colours;
        for (int y = 0; y < c.height; ++y)
            colours.push_back(0xC08040);
        GLuint texture = kUntouched;
        ASSERT_TRUE(LoadTexture(dir.write("s.bmp", buildBMP({.width = c.width,
                                                             .height = c.height,
                                                             .rows = uniformRows(c.width, colours)})),
                                texture, false));
        keep(texture);
        const TextureImage image = readTexture(texture);
        ASSERT_EQ(image.width, c.textureW);
        ASSERT_EQ(image.height, c.textureH);
        for (int row = 0; row < image.height; ++row)
            for (int x = 0; x < image.width; ++x)
                ASSERT_EQ(image.rgb(x, row), 0xC08040u) << "row " << row << " x " << x;
    }
}

// ---- Resources ---------------------------------------------------------------------------------------

TEST_F(TextureLoader, ResourceNameIsTheFileNameUpToItsFirstDot) {
    for (const char* name : {"WAVE_01.BMP", "wave_01.bmp", "WAVE_01.anything.BMP", "WAVE_32.BMP"}) {
        SCOPED_TRACE(name);
        GLuint texture = kUntouched;
        ASSERT_TRUE(LoadTexture(name, texture, true));
        keep(texture);
        const TextureImage image = readTexture(texture);
        EXPECT_EQ(image.width, 128);
        EXPECT_EQ(image.height, 128);
    }
    GLuint texture = kUntouched;
    EXPECT_THROW(LoadTexture("WAVE_33.BMP", texture, true), TextureError);
    EXPECT_FALSE(LoadTexture("WAVE_01.TGA", texture, true)); // no Targa of that name
    EXPECT_FALSE(LoadTexture("WAVE_01.JPG", texture, true));
    EXPECT_EQ(texture, kUntouched);
}

} // namespace
} // namespace zorvane::test
