// CaptureImage: storage, in-place resize and BMP file reading and writing of window pictures.
#include "image/CaptureImage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace zorvane {

namespace {

constexpr std::size_t kMaxBytes = std::size_t{1} << 30;
constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;

bool sizeAllowed(int width, int height) {
    if (width <= 0 || height <= 0)
        return false;
    return static_cast<std::size_t>(width) * CaptureImage::kBytesPerPixel <=
           kMaxBytes / static_cast<std::size_t>(height);
}

void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
std::uint16_t get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

} // namespace

CaptureImage::CaptureImage(int width, int height) : width_(width), height_(height) {
    if (!sizeAllowed(width, height))
        throw std::invalid_argument("capture image: bad size " + std::to_string(width) + " x " +
                                    std::to_string(height));
    pixels_ = PixelMemory(stride() * static_cast<std::size_t>(height));
}

std::uint32_t CaptureImage::pixel(int x, int y) const {
    const std::uint8_t* p = row(y) + static_cast<std::size_t>(x) * kBytesPerPixel;
    return std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
}

void CaptureImage::setPixel(int x, int y, std::uint32_t rgb) {
    std::uint8_t* p = row(y) + static_cast<std::size_t>(x) * kBytesPerPixel;
    p[0] = static_cast<std::uint8_t>(rgb);
    p[1] = static_cast<std::uint8_t>(rgb >> 8);
    p[2] = static_cast<std::uint8_t>(rgb >> 16);
    p[3] = 0;
}

void CaptureImage::fill(std::uint32_t rgb) {
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            setPixel(x, y, rgb);
}

void CaptureImage::resize(int width, int height) {
    if (width == width_ && height == height_)
        return;
    if (!sizeAllowed(width, height))
        throw std::invalid_argument("capture image: bad size " + std::to_string(width) + " x " +
                                    std::to_string(height));
    const std::size_t newStride = static_cast<std::size_t>(width) * kBytesPerPixel;
    PixelMemory grown(newStride * static_cast<std::size_t>(height));
    const std::size_t keep = static_cast<std::size_t>(std::min(width, width_)) * kBytesPerPixel;
    for (int y = 0; y < std::min(height, height_); ++y)
        std::memcpy(grown.data() + static_cast<std::size_t>(y) * newStride, row(y), keep);
    pixels_ = std::move(grown);
    width_ = width;
    height_ = height;
}

bool CaptureImage::saveBMP(const std::string& path) const {
    std::uint8_t header[kFileHeader + kInfoHeader] = {};
    const std::size_t fileStride = Bmp24Stride(width_);
    const auto dataSize = static_cast<std::uint32_t>(fileStride * static_cast<std::size_t>(height_));
    header[0] = 'B';
    header[1] = 'M';
    put32(header + 2, static_cast<std::uint32_t>(kFileHeader + kInfoHeader) + dataSize);
    put32(header + 10, kFileHeader + kInfoHeader);
    put32(header + 14, kInfoHeader);
    put32(header + 18, static_cast<std::uint32_t>(width_));
    put32(header + 22, static_cast<std::uint32_t>(height_));
    put16(header + 26, 1);
    put16(header + 28, 24);
    put32(header + 34, dataSize);
    put32(header + 38, 2835); // 72 dpi
    put32(header + 42, 2835);

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(header, sizeof header, 1, file) == 1;
    // Bottom row first, three bytes a pixel, each row padded with zeros.
    std::vector<std::uint8_t> line(fileStride, 0);
    for (int y = height_ - 1; ok && y >= 0; --y) {
        const std::uint8_t* in = row(y);
        for (int x = 0; x < width_; ++x) {
            line[3 * x] = in[4 * x];
            line[3 * x + 1] = in[4 * x + 1];
            line[3 * x + 2] = in[4 * x + 2];
        }
        ok = std::fwrite(line.data(), 1, fileStride, file) == fileStride;
    }
    ok = (std::fclose(file) == 0) && ok;
    return ok;
}

std::unique_ptr<CaptureImage> CaptureImage::loadBMP(const std::string& path) {
    // One block read: going through the stream a character at a time took over 100 ms for a
    // full-screen picture, and minimised windows are read back during every capture cycle.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return nullptr;
    const std::streamoff size = in.tellg();
    if (size <= 0 || static_cast<std::uint64_t>(size) > 2 * kMaxBytes) // 32-bit files hold a third more
        return nullptr;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(data.data()), size))
        return nullptr;
    return decodeBMP(data.data(), data.size());
}

std::unique_ptr<CaptureImage> CaptureImage::decodeBMP(const std::uint8_t* data, std::size_t size) {
    if (!data || size < kFileHeader + kInfoHeader || data[0] != 'B' || data[1] != 'M')
        return nullptr;
    const std::uint32_t offset = get32(data + 10);
    const std::uint32_t infoSize = get32(data + 14);
    if (infoSize < kInfoHeader)
        return nullptr;
    const auto width = static_cast<std::int32_t>(get32(data + 18));
    const auto rawHeight = static_cast<std::int32_t>(get32(data + 22));
    const std::uint16_t planes = get16(data + 26);
    const std::uint16_t bits = get16(data + 28);
    const std::uint32_t compression = get32(data + 30);
    if (planes != 1 || (bits != 24 && bits != 32) || compression != 0)
        return nullptr;
    if (rawHeight == INT32_MIN)
        return nullptr;
    const bool topDown = rawHeight < 0;
    const int height = topDown ? -rawHeight : rawHeight;
    if (!sizeAllowed(width, height))
        return nullptr;
    const std::size_t bytesPerPixel = bits / 8;
    const std::size_t srcStride = (static_cast<std::size_t>(width) * bytesPerPixel + 3) & ~std::size_t{3};
    if (offset < kFileHeader + infoSize || offset > size ||
        (size - offset) / srcStride < static_cast<std::size_t>(height))
        return nullptr;

    auto image = std::make_unique<CaptureImage>(width, height);
    for (int y = 0; y < height; ++y) {
        // File row index in storage order: bottom-up files store the bottom row first.
        const int fromTop = topDown ? y : height - 1 - y;
        const std::uint8_t* src = data + offset + static_cast<std::size_t>(y) * srcStride;
        std::uint8_t* dst = image->row(fromTop);
        for (int x = 0; x < width; ++x) {
            std::memcpy(dst + x * kBytesPerPixel, src + x * bytesPerPixel, 3);
            dst[x * kBytesPerPixel + 3] = 0;
        }
    }
    return image;
}

} // namespace zorvane
