// PictureFiles: builds picture files byte by byte for the loader tests (well-formed and damaged),
// reads textures back, and keeps test files in a private folder that is removed afterwards.
#pragma once

#include <GL/gl.h>

#include <array>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zorvane::test {

using Bytes = std::vector<std::uint8_t>;

// A BMP described field by field. rows[y] holds the pixels of stored row y (the first stored row
// first) as 0xAARRGGBB; the builder writes them in the file's byte order and pads 24-bit rows.
struct BmpLayout {
    int width = 0;
    int height = 0; // negative: stored top row first
    int bitCount = 24;
    std::uint32_t compression = 0;
    std::int64_t imageSize = -1; // -1: the padded size, as a careful writer fills it in
    std::uint32_t coloursUsed = 0;
    std::uint32_t headerSize = 40;
    std::uint32_t masks[3] = {0, 0, 0}; // written after a 40-byte header when compression is 3
    std::vector<std::vector<std::uint32_t>> rows{};
};
Bytes buildBMP(const BmpLayout& layout);

// An uncompressed Targa: rows in stored order as 0xAARRGGBB, pixels blue-green-red(-alpha).
struct TgaLayout {
    int width = 0;
    int height = 0;
    int bits = 24;
    int imageType = 2;
    int colourMapType = 0;
    std::uint8_t descriptor = 0;
    std::string id{}; // identification field between header and pixels
    std::vector<std::vector<std::uint32_t>> rows{};
};
Bytes buildTGA(const TgaLayout& layout);

// The magic "DDS " and the 124-byte DirectDraw Surface header of a w x h surface with the given
// pixel-format flags, FourCC code, bit count and red, green and blue masks; the pixels follow.
Bytes ddsHeader(int w, int h, std::uint32_t pfFlags, std::uint32_t fourCC, std::uint32_t bits,
                std::array<std::uint32_t, 3> masks);

// Rows of equal pixels: rows[y] is width copies of colours[y].
std::vector<std::vector<std::uint32_t>> uniformRows(int width, const std::vector<std::uint32_t>& colours);

// A baseline JPEG of one colour (0xRRGGBB) through libjpeg.
Bytes encodeJPEG(int width, int height, std::uint32_t rgb);

// A folder under the temporary directory, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::filesystem::path path(const std::string& name) const { return dir_ / name; }
    std::string write(const std::string& name, const Bytes& bytes) const;

private:
    std::filesystem::path dir_;
};

// Level 0 of a texture as RGBA rows, the first uploaded row first.
struct TextureImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    std::uint32_t argb(int x, int row) const; // 0xAARRGGBB
    std::uint32_t rgb(int x, int row) const { return argb(x, row) & 0xFFFFFF; }
};
TextureImage readTexture(GLuint texture);

// Largest difference of any channel between two 0xRRGGBB colours.
int colourDistance(std::uint32_t a, std::uint32_t b);

} // namespace zorvane::test
