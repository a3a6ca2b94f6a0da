// Built-in resources and the generated pictures: lookup by type and name, and the properties the
// backgrounds rely on (grey caustics that tile and loop, default pictures that load and tile).
#include "PictureFiles.h"

#include "resources/Resources.h"
#include "support/GLFixture.h"
#include "view/Textures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace zorvane::test {
namespace {

std::string waveName(int i) {
    return (i < 10 ? "WAVE_0" : "WAVE_") + std::to_string(i);
}

std::unique_ptr<CaptureImage> waveFrame(int i) {
    const auto data = FindResource("DATA", waveName(i));
    if (!data)
        return nullptr;
    return CaptureImage::decodeBMP(data->data(), data->size());
}

std::uint32_t le32(std::span<const std::uint8_t> d, std::size_t at) {
    return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
}

int grey(const CaptureImage& image, int x, int y) {
    return static_cast<int>(image.pixel(x, y) & 0xFF);
}

// Mean absolute difference between column a and column b (wrapping), or rows when byRows.
double lineDifference(const CaptureImage& image, int a, int b, bool byRows) {
    double sum = 0;
    const int n = byRows ? image.width() : image.height();
    for (int i = 0; i < n; ++i) {
        const std::uint32_t p = byRows ? image.pixel(i, a) : image.pixel(a, i);
        const std::uint32_t q = byRows ? image.pixel(i, b) : image.pixel(b, i);
        for (int s = 0; s < 24; s += 8)
            sum += std::abs(static_cast<int>((p >> s) & 255) - static_cast<int>((q >> s) & 255));
    }
    return sum / (3.0 * n);
}

// Seamless: the step across the wrap edge is like the steps next to it. A picture that does not
// wrap shows a jump there that its neighbourhood does not have.
void expectTilesSeamlessly(const CaptureImage& image) {
    for (bool byRows : {false, true}) {
        const int n = byRows ? image.height() : image.width();
        const double nearby =
            (lineDifference(image, n - 3, n - 2, byRows) + lineDifference(image, n - 2, n - 1, byRows) +
             lineDifference(image, 0, 1, byRows) + lineDifference(image, 1, 2, byRows)) /
            4;
        EXPECT_LE(lineDifference(image, n - 1, 0, byRows), 1.5 * nearby + 2.0)
            << (byRows ? "rows" : "columns");
    }
}

double frameDifference(const CaptureImage& a, const CaptureImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            sum += std::abs(grey(a, x, y) - grey(b, x, y));
    return sum / (a.width() * a.height());
}

// ---- Lookup ---------------------------------------------------------------------------------------------

TEST(Resources, FoundByTypeAndNameInAnyLetterCase) {
    struct Case {
        const char* type;
        const char* name;
        bool found;
    };
    const Case cases[] = {
        {"DATA", "WAVE_01", true},  {"data", "wave_01", true}, {"Data", "Wave_32", true},
        {"DATA", "WAVE_33", false}, {"DATA", "WAVE_1", false}, {"DATA", "WAVE_01.BMP", false},
        {"JPEG", "WAVE_01", false}, {"TGA", "WAVE_01", false}, {"", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindResource(c.type, c.name).has_value(), c.found) << c.type << " " << c.name;
    EXPECT_EQ(AllResources().size(), 32u);
}

// ---- The caustics frames ----------------------------------------------------------------------------------

TEST(WaveFrames, AreUncompressedBottomUp24BitGreyBitmaps) {
    for (int i = 1; i <= 32; ++i) {
        SCOPED_TRACE(waveName(i));
        const auto data = FindResource("DATA", waveName(i));
        ASSERT_TRUE(data);
        ASSERT_GE(data->size(), 54u);
        EXPECT_EQ((*data)[0], 'B');
        EXPECT_EQ((*data)[1], 'M');
        EXPECT_EQ(le32(*data, 14), 40u);  // info header size
        EXPECT_EQ(le32(*data, 18), 128u); // width
        EXPECT_EQ(le32(*data, 22), 128u); // height, positive: bottom-up
        EXPECT_EQ((*data)[28] | (*data)[29] << 8, 24);
        EXPECT_EQ(le32(*data, 30), 0u); // uncompressed
        EXPECT_EQ(data->size(), 54u + 128 * 128 * 3);
        const auto frame = waveFrame(i);
        ASSERT_TRUE(frame);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const std::uint32_t p = frame->pixel(x, y);
                ASSERT_TRUE((p >> 16) == (p & 0xFF) && ((p >> 8) & 0xFF) == (p & 0xFF)) << x << "," << y;
            }
    }
}

// Bright thin lines on a darker field: most pixels are dark grey, a small share is bright.
TEST(WaveFrames, ShowThinBrightLinesOnADarkerField) {
    for (int i = 1; i <= 32; ++i) {
        SCOPED_TRACE(waveName(i));
        const auto frame = waveFrame(i);
        ASSERT_TRUE(frame);
        int bright = 0, dark = 0, brightest = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const int g = grey(*frame, x, y);
                bright += g > 160;
                dark += g < 100;
                brightest = std::max(brightest, g);
            }
        const double total = 128.0 * 128.0;
        EXPECT_GT(brightest, 200);
        EXPECT_GT(bright / total, 0.02);
        EXPECT_LT(bright / total, 0.3);
        EXPECT_GT(dark / total, 0.5);
    }
}

// Counts the bright pixels of line a (a column, or a row when byRows) and those of them that go on
// into line b within two pixels: a bright line that crosses from a to b is continuous there.
void countContinuity(const CaptureImage& image, int a, int b, bool byRows, int& total, int& continued) {
    const int n = byRows ? image.width() : image.height();
    auto bright = [&](int line, int i) {
        i = (i + n) % n;
        return grey(image, byRows ? i : line, byRows ? line : i) > 160;
    };
    for (int i = 0; i < n; ++i) {
        if (!bright(a, i))
            continue;
        ++total;
        for (int d = -2; d <= 2; ++d)
            if (bright(b, i + d)) {
                ++continued;
                break;
            }
    }
}

// Lines that reach an edge go on at the opposite edge about as often as lines go on inside. One
// edge of one frame holds only a dozen bright pixels, so the counts are summed over all frames;
// a picture that does not tile scores about 0.3 there against 0.9 inside.
TEST(WaveFrames, EveryFrameTilesSeamlessly) {
    for (bool byRows : {false, true}) {
        SCOPED_TRACE(byRows ? "rows" : "columns");
        int edgeTotal = 0, edgeContinued = 0, insideTotal = 0, insideContinued = 0;
        for (int i = 1; i <= 32; ++i) {
            const auto frame = waveFrame(i);
            ASSERT_TRUE(frame);
            countContinuity(*frame, 127, 0, byRows, edgeTotal, edgeContinued);
            countContinuity(*frame, 0, 127, byRows, edgeTotal, edgeContinued);
            for (int j = 0; j < 127; ++j)
                countContinuity(*frame, j, j + 1, byRows, insideTotal, insideContinued);
        }
        ASSERT_GT(edgeTotal, 0);
        const double edge = static_cast<double>(edgeContinued) / edgeTotal;
        const double inside = static_cast<double>(insideContinued) / insideTotal;
        EXPECT_GT(edge, inside - 0.15) << "edge " << edge << " inside " << inside;
    }
}

// The frames move, and the step from frame 32 back to frame 1 is like any other step.
TEST(WaveFrames, FramesLoop) {
    std::vector<std::unique_ptr<CaptureImage>> frames;
    for (int i = 1; i <= 32; ++i) {
        frames.push_back(waveFrame(i));
        ASSERT_TRUE(frames.back());
    }
    double smallest = 1e9, largest = 0;
    for (int i = 0; i + 1 < 32; ++i) {
        const double d =
            frameDifference(*frames[static_cast<std::size_t>(i)], *frames[static_cast<std::size_t>(i + 1)]);
        smallest = std::min(smallest, d);
        largest = std::max(largest, d);
    }
    EXPECT_GT(smallest, 0.5); // every step moves
    const double wrap = frameDifference(*frames[31], *frames[0]);
    EXPECT_GT(wrap, 0.5 * smallest);
    EXPECT_LT(wrap, 1.5 * largest);
    // Half a loop apart the pattern is clearly different: the animation is not a flicker of one frame.
    EXPECT_GT(frameDifference(*frames[0], *frames[16]), 2 * largest);
}

// ---- The default pictures in Images/ -------------------------------------------------------------------

std::filesystem::path imagesDir() {
    // Beside the test programs, where ctest's ZORVANE_BIN_DIR also points.
    const char* bin = std::getenv("ZORVANE_BIN_DIR");
    return (bin ? std::filesystem::path(bin)
                : std::filesystem::read_symlink("/proc/self/exe").parent_path()) /
           "Images";
}

class DefaultPictures : public GLFixture {};

TEST_F(DefaultPictures, LoadAsTexturesAndTheTiledOnesTile) {
    struct Case {
        const char* name;
        bool tiles; // drawn repeated (wave: 5 x 5, tunnel: around and along the tunnel)
    };
    const Case cases[] = {
        {"back01.bmp", false}, {"wave.bmp", true}, {"rain.bmp", true}, {"tunnel.bmp", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = (imagesDir() / c.name).string();
        const auto picture = CaptureImage::loadBMP(path);
        ASSERT_TRUE(picture) << path;
        EXPECT_GE(picture->width(), 256);
        EXPECT_GE(picture->height(), 256);
        GLuint texture = 0;
        ASSERT_TRUE(LoadTexture(path, texture, false));
        const TextureImage image = readTexture(texture);
        EXPECT_EQ(image.width, picture->width());
        // Bottom-left texel is the picture's bottom-left pixel (stored first).
        EXPECT_EQ(image.rgb(0, 0), picture->pixel(0, picture->height() - 1));
        glDeleteTextures(1, &texture);
        if (c.tiles)
            expectTilesSeamlessly(*picture);
    }
}

} // namespace
} // namespace zorvane::test
