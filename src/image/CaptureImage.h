// CaptureImage: a window picture in the layout both display servers' screen reads deliver: 32 bits a pixel
// in blue, green, red, unused order (0x00RRGGBB little-endian), rows top row first, no padding.
// Pictures stay in this layout from the server to the texture; only the stored BMP files are
// 24-bit bottom-up, converted when written and read.
#pragma once

#include "image/PixelMemory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zorvane {

// Bytes in one row of a 24-bit BMP file (rows padded to a multiple of 4 bytes).
constexpr std::size_t Bmp24Stride(int width) {
    return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
}

class CaptureImage {
public:
    static constexpr std::size_t kBytesPerPixel = 4;

    // A black image. Throws std::invalid_argument unless both sides are positive and the
    // pixel data stays below 1 GiB.
    CaptureImage(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    // Bytes in one row.
    std::size_t stride() const { return static_cast<std::size_t>(width_) * kBytesPerPixel; }

    // All rows, top row first, stride() bytes each.
    std::uint8_t* bits() { return pixels_.data(); }
    const std::uint8_t* bits() const { return pixels_.data(); }
    std::size_t byteSize() const { return pixels_.size(); }
    // Row y counted from the top of the picture.
    std::uint8_t* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * stride(); }
    const std::uint8_t* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * stride(); }

    // Pixel (x, y) from the top-left as 0xRRGGBB (the unused byte is ignored), and its setter.
    std::uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, std::uint32_t rgb);
    void fill(std::uint32_t rgb);

    // Changes the size in place: the existing pixels stay at the top-left corner, new area is
    // black, and a smaller size crops at the right and bottom.
    void resize(int width, int height);

    // Writes an uncompressed 24-bit BMP file (bottom-up, padded rows); returns false (and leaves
    // errno) when it cannot.
    bool saveBMP(const std::string& path) const;
    // Reads an uncompressed 24- or 32-bit BMP file (bottom-up or top-down). Returns null for a
    // missing, truncated or malformed file.
    static std::unique_ptr<CaptureImage> loadBMP(const std::string& path);
    static std::unique_ptr<CaptureImage> decodeBMP(const std::uint8_t* data, std::size_t size);

private:
    int width_;
    int height_;
    PixelMemory pixels_;
};

} // namespace zorvane
