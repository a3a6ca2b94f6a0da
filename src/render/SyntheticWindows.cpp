// SyntheticWindows: window pictures, layouts and window-list files for drawing without a desktop.
#include "render/SyntheticWindows.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace zorvane {

namespace {

// 5 x 7 digit glyphs, one string per row, '#' set.
constexpr std::array<std::array<const char*, 7>, 10> kDigits = {{
    {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "},
    {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "},
    {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"},
    {"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "},
    {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "},
    {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "},
    {"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "},
    {"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "},
    {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "},
    {" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "},
}};

void FillRect(CaptureImage& image, int left, int top, int right, int bottom, std::uint32_t rgb) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, image.width());
    bottom = std::min(bottom, image.height());
    const auto b = static_cast<std::uint8_t>(rgb & 0xFF);
    const auto g = static_cast<std::uint8_t>((rgb >> 8) & 0xFF);
    const auto r = static_cast<std::uint8_t>((rgb >> 16) & 0xFF);
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* row = image.row(y);
        for (int x = left; x < right; ++x) {
            row[x * 3] = b;
            row[x * 3 + 1] = g;
            row[x * 3 + 2] = r;
        }
    }
}

std::uint32_t Blend(std::uint32_t a, std::uint32_t b, int weightOfB256) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        out |= static_cast<std::uint32_t>((ca * (256 - weightOfB256) + cb * weightOfB256) >> 8) << shift;
    }
    return out;
}

void DrawNumber(CaptureImage& image, int number, int centreX, int centreY, int cell, std::uint32_t rgb) {
    const std::string text = std::to_string(number);
    const int glyphWidth = 6 * cell;
    int x = centreX - (static_cast<int>(text.size()) * glyphWidth - cell) / 2;
    const int top = centreY - 7 * cell / 2;
    for (char c : text) {
        const auto& glyph = kDigits[static_cast<std::size_t>(c - '0')];
        for (int gy = 0; gy < 7; ++gy) {
            for (int gx = 0; gx < 5; ++gx) {
                if (glyph[static_cast<std::size_t>(gy)][gx] == '#') {
                    FillRect(image, x + gx * cell, top + gy * cell, x + (gx + 1) * cell,
                             top + (gy + 1) * cell, rgb);
                }
            }
        }
        x += glyphWidth;
    }
}

} // namespace

std::uint32_t SyntheticColor(int index) {
    // Strong, well separated hues; past the table the hues repeat at other brightnesses.
    static constexpr std::array<std::uint32_t, 12> kColors = {
        0x3A78D8, 0xD8543A, 0x3AB85A, 0xC8A030, 0x8A4AD0, 0x30B8C0,
        0xD04A90, 0x7A9A30, 0x5060A0, 0xB07050, 0x40A088, 0xA0A0A0,
    };
    const std::uint32_t base = kColors[static_cast<std::size_t>(index) % kColors.size()];
    const int round = index / static_cast<int>(kColors.size());
    return round % 2 == 0 ? base : Blend(base, 0x000000, 80);
}

std::unique_ptr<CaptureImage> MakeSyntheticPicture(int width, int height, int index) {
    auto image = std::make_unique<CaptureImage>(width, height);
    const std::uint32_t color = SyntheticColor(index);
    image->fill(color);
    const int title = std::clamp(height / 12, 1, 32);
    const int frame = std::max(1, std::min(width, height) / 120);
    FillRect(*image, 0, 0, width, height, Blend(color, 0xFFFFFF, 160));
    FillRect(*image, frame, frame, width - frame, height - frame, color);
    FillRect(*image, frame, frame, width - frame, frame + title, Blend(color, 0x000000, 170));
    // Stripes near the bottom make a mirrored reflection easy to tell from the image itself.
    const int stripe = std::max(2, height / 40);
    for (int i = 0; i < 3; ++i) {
        const int top = height - frame - (2 * i + 2) * stripe;
        FillRect(*image, frame, top, width - frame, top + stripe, Blend(color, 0xFFFFFF, 96));
    }
    const int cell = std::max(1, std::min(width / 16, (height - title) / 12));
    DrawNumber(*image, index + 1, width / 2, title + (height - title) / 2, cell, 0xFFFFFF);
    return image;
}

std::vector<WindowSpec> SyntheticLayout(int count, int screenWidth, int screenHeight,
                                        std::optional<std::pair<int, int>> fixedSize) {
    std::vector<WindowSpec> windows;
    for (int i = 0; i < count; ++i) {
        int width = 0;
        int height = 0;
        if (fixedSize) {
            width = fixedSize->first;
            height = fixedSize->second;
        } else {
            // Sizes from a third to two thirds of the screen, varied by a fixed pattern.
            width = screenWidth * (34 + (i * 37) % 33) / 100;
            height = screenHeight * (30 + (i * 53) % 37) / 100;
        }
        width = std::max(width, 1);
        height = std::max(height, 1);
        const int roomX = std::max(screenWidth - width, 0);
        const int roomY = std::max(screenHeight - height, 0);
        const int left = fixedSize ? (i * 40) % (roomX + 1) : roomX * ((i * 29) % 11) / 10;
        const int top = fixedSize ? (i * 30) % (roomY + 1) : roomY * ((i * 17) % 7) / 6;
        windows.push_back({Rect{left, top, left + width, top + height},
                           std::shared_ptr<const CaptureImage>(MakeSyntheticPicture(width, height, i))});
    }
    return windows;
}

std::vector<WindowSpec> ReadWindowsFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error(path + ": cannot be read");
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::vector<WindowSpec> windows;
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        const std::string where = path + ":" + std::to_string(lineNumber) + ": ";
        std::istringstream fields(line);
        std::string first;
        if (!(fields >> first) || first[0] == '#') {
            continue;
        }
        fields.clear();
        fields.str(line);
        long long left = 0;
        long long top = 0;
        long long width = 0;
        long long height = 0;
        if (!(fields >> left >> top >> width >> height)) {
            throw std::runtime_error(where + "expected \"left top width height [picture.bmp]\"");
        }
        constexpr long long kLimit = 1 << 15;
        if (width <= 0 || height <= 0 || width > kLimit || height > kLimit || left < -kLimit ||
            left > kLimit || top < -kLimit || top > kLimit) {
            throw std::runtime_error(where + "width and height must be 1 to 32768, places within +-32768");
        }
        WindowSpec spec;
        spec.rect = Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + width),
                         static_cast<int>(top + height)};
        std::string picture;
        if (fields >> picture) {
            std::string rest;
            if (fields >> rest) {
                throw std::runtime_error(where + "unexpected text after the picture name: " + rest);
            }
            std::filesystem::path file = picture;
            if (!std::filesystem::exists(file) && file.is_relative()) {
                file = folder / picture;
            }
            std::shared_ptr<const CaptureImage> image = CaptureImage::loadBMP(file.string());
            if (!image) {
                throw std::runtime_error(where + "picture " + picture +
                                         " is not a readable 24- or 32-bit BMP file");
            }
            spec.picture = std::move(image);
        } else {
            spec.picture = MakeSyntheticPicture(static_cast<int>(width), static_cast<int>(height),
                                                static_cast<int>(windows.size()));
        }
        windows.push_back(std::move(spec));
    }
    return windows;
}

std::unique_ptr<CaptureImage> MakeGradientWallpaper(int width, int height) {
    auto image = std::make_unique<CaptureImage>(width, height);
    for (int y = 0; y < height; ++y) {
        const int w = height > 1 ? y * 256 / height : 0;
        FillRect(*image, 0, y, width, y + 1, Blend(0x2A5C8A, 0x0E1A2A, w));
    }
    return image;
}

} // namespace zorvane
