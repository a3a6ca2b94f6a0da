// Capture pictures: layout, in-place resize and BMP round trips, also of damaged files.
#include "image/CaptureImage.h"
#include "windows/unitUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

using zorvane::CaptureImage;

namespace {

std::filesystem::path tempFile(const char* name) {
    return std::filesystem::temp_directory_path() / (std::string("zv-capture-") + name);
}

void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A picture whose every pixel says where it is, so any shift or flip shows.
CaptureImage patterned(int w, int h) {
    CaptureImage image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, static_cast<std::uint32_t>((x * 7) << 16 | (y * 5) << 8 | ((x + y) & 0xff)));
    return image;
}

} // namespace

// The layout the server's image reads deliver and the texture upload takes: 32-bit blue, green,
// red, unused; top row first; no padding.
TEST(CaptureImage, LayoutIsTopDownBgrxWithoutPadding) {
    CaptureImage image(5, 3);
    EXPECT_EQ(image.stride(), 20u);
    EXPECT_EQ(image.byteSize(), 60u);
    image.setPixel(0, 0, 0x112233); // top-left is the first pixel stored
    EXPECT_EQ(image.bits()[0], 0x33);
    EXPECT_EQ(image.bits()[1], 0x22);
    EXPECT_EQ(image.bits()[2], 0x11);
    image.setPixel(4, 2, 0x445566);
    const std::uint8_t* last = image.bits() + 2 * image.stride() + 4 * 4;
    EXPECT_EQ(last[0], 0x66);
    EXPECT_EQ(last[2], 0x44);
    // The unused byte never shows in a pixel's value.
    image.bits()[3] = 0xff;
    EXPECT_EQ(image.pixel(0, 0), 0x112233u);
}

TEST(CaptureImage, ResizeKeepsTopLeftAndCropsRightAndBottom) {
    CaptureImage image = patterned(13, 7);
    const CaptureImage original = image;
    image.resize(130, 128);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            ASSERT_EQ(image.pixel(x, y), original.pixel(x, y)) << x << "," << y;
    image.resize(13, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            ASSERT_EQ(image.pixel(x, y), original.pixel(x, y));
    image.resize(4, 2);
    EXPECT_EQ(image.pixel(3, 1), original.pixel(3, 1));
}

// Small pictures live in the heap, large ones in mapped memory of their own: both start black,
// copy into memory of their own and survive a resize across the two.
TEST(CaptureImage, SmallAndLargePicturesStartBlackAndCopyAndGrowIntact) {
    for (const auto& [w, h] : {std::pair{7, 5}, std::pair{1280, 720}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        CaptureImage image(w, h);
        const std::uint8_t* bits = image.bits();
        EXPECT_TRUE(std::all_of(bits, bits + image.byteSize(), [](std::uint8_t b) { return b == 0; }));
        image.setPixel(w - 1, h - 1, 0xABCDEF);
        CaptureImage copy = image;
        image.setPixel(w - 1, h - 1, 0x123456);
        EXPECT_EQ(copy.pixel(w - 1, h - 1), 0xABCDEFu);
        const CaptureImage moved = std::move(copy);
        EXPECT_EQ(moved.pixel(w - 1, h - 1), 0xABCDEFu);
        image.resize(w * 2, h);
        EXPECT_EQ(image.pixel(w - 1, h - 1), 0x123456u);
        EXPECT_EQ(image.pixel(2 * w - 1, h - 1), 0u);
    }
}

TEST(CaptureImage, RejectsImpossibleSizes) {
    EXPECT_THROW(CaptureImage(0, 5), std::invalid_argument);
    EXPECT_THROW(CaptureImage(5, -1), std::invalid_argument);
    EXPECT_THROW(CaptureImage(70000, 70000), std::invalid_argument);
}

TEST(CaptureImage, BmpRoundTripForOddWidths) {
    for (int w : {1, 2, 3, 5, 101}) {
        const CaptureImage image = patterned(w, 9);
        const auto path = tempFile("roundtrip.bmp");
        ASSERT_TRUE(image.saveBMP(path.string()));
        // Stored files stay 24-bit, bottom-up, rows padded to 4 bytes.
        EXPECT_EQ(std::filesystem::file_size(path), 54 + zorvane::Bmp24Stride(w) * 9);
        const std::vector<std::uint8_t> bytes = readBytes(path);
        EXPECT_EQ(bytes[28], 24);
        EXPECT_EQ(bytes[54], image.pixel(0, 8) & 0xff) << "the bottom row comes first";
        auto loaded = CaptureImage::loadBMP(path.string());
        ASSERT_TRUE(loaded);
        ASSERT_EQ(loaded->width(), w);
        ASSERT_EQ(loaded->height(), 9);
        EXPECT_EQ(0, std::memcmp(loaded->bits(), image.bits(), image.byteSize()));
        std::filesystem::remove(path);
    }
}

TEST(CaptureImage, DamagedFilesFailCleanly) {
    const CaptureImage image = patterned(21, 11);
    const auto path = tempFile("damaged.bmp");
    ASSERT_TRUE(image.saveBMP(path.string()));
    const std::vector<std::uint8_t> good = readBytes(path);

    // Truncated anywhere: header, pixel data, or empty.
    for (std::size_t cut : {std::size_t{0}, std::size_t{10}, std::size_t{53}, good.size() - 1}) {
        writeBytes(path, std::vector<std::uint8_t>(good.begin(), good.begin() + cut));
        EXPECT_FALSE(CaptureImage::loadBMP(path.string())) << "cut at " << cut;
    }
    // Header fields that lie.
    auto patched = [&](std::size_t at, std::uint32_t value) {
        std::vector<std::uint8_t> bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        writeBytes(path, bytes);
        return CaptureImage::loadBMP(path.string());
    };
    EXPECT_FALSE(patched(18, 0));          // width 0
    EXPECT_FALSE(patched(18, 0x7fffffff)); // absurd width
    EXPECT_FALSE(patched(22, 0x80000000)); // most negative height
    EXPECT_FALSE(patched(10, 0xffffff00)); // pixel offset past the end
    EXPECT_FALSE(patched(28, 8));          // 8 bits a pixel
    EXPECT_FALSE(patched(30, 1));          // compressed
    EXPECT_FALSE(CaptureImage::loadBMP((path.string() + ".missing")));

    // A top-down file (negative height) reads the right way up.
    auto topDown = patched(22, static_cast<std::uint32_t>(-11));
    ASSERT_TRUE(topDown);
    EXPECT_EQ(topDown->pixel(3, 0), image.pixel(3, 10));
    std::filesystem::remove(path);
}

TEST(NextPowerOfTwo, ClampsToTextureRange) {
    EXPECT_EQ(zorvane::NextPowerOfTwo(1), 128);
    EXPECT_EQ(zorvane::NextPowerOfTwo(128), 128);
    EXPECT_EQ(zorvane::NextPowerOfTwo(129), 256);
    EXPECT_EQ(zorvane::NextPowerOfTwo(1000), 1024);
    EXPECT_EQ(zorvane::NextPowerOfTwo(32768), 32768);
    EXPECT_EQ(zorvane::NextPowerOfTwo(40000), 32768);
}
