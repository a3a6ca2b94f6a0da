// TexturesDDS: a small DirectDraw Surface reader for wallpapers: the top-level surface of
// uncompressed RGB(A) files with channel masks, and of DXT1, DXT3 and DXT5 block-compressed files.
#include "view/TexturesInternal.h"

#include <array>
#include <bit>

namespace zorvane::textures_detail {

namespace {

constexpr std::size_t kHeaderSize = 4 + 124; // magic + header
constexpr std::uint32_t kPixelFormatFourCC = 0x4;
constexpr std::uint32_t kPixelFormatRGB = 0x40;

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

constexpr std::uint32_t fourCC(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b) << 8 |
           static_cast<std::uint32_t>(c) << 16 | static_cast<std::uint32_t>(d) << 24;
}

// A channel through its mask, scaled to 0..255.
std::uint32_t channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const std::uint64_t max = mask >> shift;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>((pixel & mask) >> shift) * 255 / max);
}

std::uint32_t rgb565(std::uint16_t c) {
    const std::uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return (r * 255 / 31) << 16 | (g * 255 / 63) << 8 | (b * 255 / 31);
}

std::uint32_t blend(std::uint32_t a, std::uint32_t b, int wa, int wb, int total) {
    std::uint32_t out = 0;
    for (int s = 0; s < 24; s += 8) {
        const std::uint32_t ca = (a >> s) & 255, cb = (b >> s) & 255;
        out |= ((ca * static_cast<std::uint32_t>(wa) + cb * static_cast<std::uint32_t>(wb)) /
                static_cast<std::uint32_t>(total))
               << s;
    }
    return out;
}

// The 16 colours of one colour block (8 bytes). DXT1 blocks with c0 <= c1 have a three-colour mode.
std::array<std::uint32_t, 16> colourBlock(const std::uint8_t* block, bool allowThreeColour) {
    const std::uint16_t c0 = le16(block), c1 = le16(block + 2);
    std::array<std::uint32_t, 4> palette{rgb565(c0), rgb565(c1), 0, 0};
    if (c0 > c1 || !allowThreeColour) {
        palette[2] = blend(palette[0], palette[1], 2, 1, 3);
        palette[3] = blend(palette[0], palette[1], 1, 2, 3);
    } else {
        palette[2] = blend(palette[0], palette[1], 1, 1, 2);
        palette[3] = 0; // transparent black; the wallpaper has no alpha
    }
    std::array<std::uint32_t, 16> out{};
    const std::uint32_t indices = le32(block + 4);
    for (int i = 0; i < 16; ++i)
        out[static_cast<std::size_t>(i)] = palette[(indices >> (2 * i)) & 3];
    return out;
}

} // namespace

std::unique_ptr<CaptureImage> decodeDDS(std::span<const std::uint8_t> data) {
    if (data.size() < kHeaderSize || le32(data.data()) != fourCC('D', 'D', 'S', ' '))
        return nullptr;
    const std::uint8_t* header = data.data() + 4;
    if (le32(header) != 124)
        return nullptr;
    const auto height = static_cast<std::int64_t>(le32(header + 8));
    const auto width = static_cast<std::int64_t>(le32(header + 12));
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        static_cast<std::size_t>(width * height) * 3 > kMaxPixelBytes)
        return nullptr;
    const std::uint8_t* format = header + 72;
    const std::uint32_t flags = le32(format + 4);
    const std::span<const std::uint8_t> body = data.subspan(kHeaderSize);
    const int w = static_cast<int>(width), h = static_cast<int>(height);

    if (flags & kPixelFormatFourCC) {
        const std::uint32_t code = le32(format + 8);
        const bool dxt1 = code == fourCC('D', 'X', 'T', '1');
        if (!dxt1 && code != fourCC('D', 'X', 'T', '3') && code != fourCC('D', 'X', 'T', '5'))
            return nullptr;
        const std::size_t blockBytes = dxt1 ? 8 : 16;
        const std::size_t blocksX = static_cast<std::size_t>((w + 3) / 4),
                          blocksY = static_cast<std::size_t>((h + 3) / 4);
        if (body.size() / blockBytes < blocksX * blocksY)
            return nullptr;
        auto image = std::make_unique<CaptureImage>(w, h);
        for (std::size_t by = 0; by < blocksY; ++by)
            for (std::size_t bx = 0; bx < blocksX; ++bx) {
                const std::uint8_t* block = body.data() + (by * blocksX + bx) * blockBytes;
                // DXT3 and DXT5 carry their alpha first; only the colour half matters here.
                const auto colours = colourBlock(dxt1 ? block : block + 8, dxt1);
                for (int i = 0; i < 16; ++i) {
                    const int x = static_cast<int>(bx) * 4 + i % 4, y = static_cast<int>(by) * 4 + i / 4;
                    if (x < w && y < h)
                        image->setPixel(x, y, colours[static_cast<std::size_t>(i)]);
                }
            }
        return image;
    }
    if (!(flags & kPixelFormatRGB))
        return nullptr;
    const std::uint32_t bits = le32(format + 12);
    if (bits != 16 && bits != 24 && bits != 32)
        return nullptr;
    const std::uint32_t red = le32(format + 16), green = le32(format + 20), blue = le32(format + 24);
    const std::size_t pixelBytes = bits / 8;
    // Rows are packed: the pitch of uncompressed surfaces is rounded up to whole bytes only.
    const std::size_t pitch = static_cast<std::size_t>(w) * pixelBytes;
    if (body.size() / pitch < static_cast<std::size_t>(h))
        return nullptr;
    auto image = std::make_unique<CaptureImage>(w, h);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = body.data() + static_cast<std::size_t>(y) * pitch;
        for (int x = 0; x < w; ++x) {
            std::uint32_t pixel = 0;
            for (std::size_t b = 0; b < pixelBytes; ++b)
                pixel |= static_cast<std::uint32_t>(row[static_cast<std::size_t>(x) * pixelBytes + b])
                         << (8 * b);
            image->setPixel(x, y,
                            channel(pixel, red) << 16 | channel(pixel, green) << 8 | channel(pixel, blue));
        }
    }
    return image;
}

} // namespace zorvane::textures_detail
