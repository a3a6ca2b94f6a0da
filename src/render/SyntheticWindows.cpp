// SyntheticWindows: window pictures, layouts and window-list files for drawing without a desktop.
#include "render/SyntheticWindows.h"

#include <algorithm>
#include <array>
#include <cmath>
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
            row[x * 4] = b;
            row[x * 4 + 1] = g;
            row[x * 4 + 2] = r;
        }
    }
}

std::uint32_t Blend(std::uint32_t a, std::uint32_t b, int weightOfB256) {
    // Outside 0..256 a channel could leave 0..255 and spill into its neighbours.
    weightOfB256 = std::clamp(weightOfB256, 0, 256);
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        out |= static_cast<std::uint32_t>((ca * (256 - weightOfB256) + cb * weightOfB256) >> 8) << shift;
    }
    return out;
}

// A filled disc of the given radius around (cx, cy).
void FillDisc(CaptureImage& image, int cx, int cy, int radius, std::uint32_t rgb) {
    for (int y = -radius; y <= radius; ++y) {
        for (int x = -radius; x <= radius; ++x) {
            if (x * x + y * y <= radius * radius && cx + x >= 0 && cx + x < image.width() && cy + y >= 0 &&
                cy + y < image.height()) {
                image.setPixel(cx + x, cy + y, rgb);
            }
        }
    }
}

// A small deterministic generator, so that every window number always gets the same content.
class Pattern {
public:
    explicit Pattern(int seed) : state_(static_cast<std::uint32_t>(seed) * 2654435761u + 12345u) {}
    int next(int range) {
        state_ = state_ * 1664525u + 1013904223u;
        return range > 0 ? static_cast<int>((state_ >> 8) % static_cast<std::uint32_t>(range)) : 0;
    }

private:
    std::uint32_t state_;
};

// A line of made-up text: words as blocks of the line's height, gaps between them.
void TextLine(CaptureImage& image, Pattern& pattern, int left, int right, int top, int height,
              std::uint32_t rgb) {
    int x = left;
    const int end = left + (right - left) * (55 + pattern.next(45)) / 100;
    while (x < end) {
        const int word = height * (2 + pattern.next(6)) / 2 + 2;
        FillRect(image, x, top, std::min(x + word, end), top + height, rgb);
        x += word + std::max(2, height);
    }
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

// The client area of a window, by kind of program. All of them stay inside the given box.
struct Box {
    int left, top, right, bottom;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// A document: a white page with a coloured heading and paragraphs of grey text.
void DrawDocument(CaptureImage& image, const Box& box, std::uint32_t accent, Pattern& pattern) {
    FillRect(image, box.left, box.top, box.right, box.bottom, 0xD8DCE2);
    const int margin = std::max(2, box.width() / 10);
    const Box page{box.left + margin, box.top + margin / 2, box.right - margin, box.bottom};
    FillRect(image, page.left, page.top, page.right, page.bottom, 0xFCFCFA);
    const int line = std::max(1, box.height() / 45);
    const int pad = std::max(2, page.width() / 14);
    int y = page.top + pad;
    TextLine(image, pattern, page.left + pad, page.right - pad, y, line * 2, accent);
    y += line * 5;
    while (y + line < page.bottom - pad) {
        for (int i = 0; i < 3 + pattern.next(3) && y + line < page.bottom - pad; ++i) {
            TextLine(image, pattern, page.left + pad, page.right - pad, y, line, 0x8A8F98);
            y += line * 2;
        }
        y += line * 2;
    }
}

// A terminal: dark, with prompts and output lines in light green and grey.
void DrawTerminal(CaptureImage& image, const Box& box, std::uint32_t accent, Pattern& pattern) {
    FillRect(image, box.left, box.top, box.right, box.bottom, 0x16181D);
    const int line = std::max(1, box.height() / 40);
    const int pad = std::max(2, line);
    for (int y = box.top + pad; y + line < box.bottom - pad; y += line * 2) {
        const bool prompt = pattern.next(4) == 0;
        if (prompt) {
            FillRect(image, box.left + pad, y, box.left + pad + line * 3, y + line,
                     Blend(accent, 0xFFFFFF, 96));
            TextLine(image, pattern, box.left + pad + line * 4, box.right - pad, y, line, 0x7CE08A);
        } else {
            TextLine(image, pattern, box.left + pad, box.right - pad, y, line, 0xB8BCC4);
        }
    }
}

// A spreadsheet: a header row, ruled cells with some figures, and a bar chart.
void DrawSheet(CaptureImage& image, const Box& box, std::uint32_t accent, Pattern& pattern) {
    FillRect(image, box.left, box.top, box.right, box.bottom, 0xFFFFFF);
    const int rowHeight = std::max(3, box.height() / 16);
    const int columnWidth = std::max(6, box.width() / 7);
    FillRect(image, box.left, box.top, box.right, box.top + rowHeight, Blend(accent, 0xFFFFFF, 150));
    for (int y = box.top + rowHeight; y < box.bottom; y += rowHeight) {
        FillRect(image, box.left, y, box.right, y + 1, 0xC8CCD2);
        for (int x = box.left; x < box.right; x += columnWidth) {
            if (pattern.next(3) != 0) {
                const int w = columnWidth * (3 + pattern.next(5)) / 10;
                FillRect(image, x + columnWidth - w - 3, y + rowHeight / 3, x + columnWidth - 3,
                         y + rowHeight * 2 / 3 + 1, 0x6A707A);
            }
        }
    }
    for (int x = box.left; x < box.right; x += columnWidth) {
        FillRect(image, x, box.top, x + 1, box.bottom, 0xC8CCD2);
    }
    // The chart floats over the right half of the sheet.
    const Box chart{box.left + box.width() / 2, box.top + box.height() / 3, box.right - columnWidth / 2,
                    box.bottom - rowHeight};
    if (chart.width() > 8 && chart.height() > 8) {
        FillRect(image, chart.left, chart.top, chart.right, chart.bottom, 0xF4F6F8);
        const int bars = 6;
        const int barWidth = chart.width() / (bars * 2 + 1);
        for (int i = 0; i < bars; ++i) {
            const int h = chart.height() * (25 + pattern.next(65)) / 100;
            const int x = chart.left + barWidth * (2 * i + 1);
            FillRect(image, x, chart.bottom - h, x + barWidth, chart.bottom,
                     i % 2 == 0 ? accent : Blend(accent, 0x000000, 90));
        }
    }
}

// A picture viewer: a landscape at dusk in the window's colours.
void DrawPicture(CaptureImage& image, const Box& box, std::uint32_t accent, Pattern& pattern) {
    const int horizon = box.top + box.height() * 3 / 5;
    for (int y = box.top; y < box.bottom; ++y) {
        const std::uint32_t sky =
            Blend(0x1C2A5A, Blend(accent, 0xFFC070, 128),
                  std::clamp((y - box.top) * 256 / std::max(1, horizon - box.top), 0, 256));
        FillRect(image, box.left, y, box.right, y + 1, sky);
    }
    FillDisc(image, box.left + box.width() * (25 + pattern.next(50)) / 100, horizon - box.height() / 8,
             std::max(1, box.height() / 10), 0xFFE8B0);
    // Two ranges of hills, the nearer one darker.
    for (int layer = 0; layer < 2; ++layer) {
        const std::uint32_t ground = Blend(accent, 0x000000, 150 + 60 * layer);
        const int base = horizon + layer * box.height() / 8;
        const int amplitude = box.height() / (6 + 4 * layer);
        const int phase = pattern.next(360);
        for (int x = box.left; x < box.right; ++x) {
            const double t = (x - box.left) / static_cast<double>(std::max(1, box.width()));
            const int top = base - static_cast<int>(amplitude * (0.5 + 0.5 * std::sin(t * 7.0 + phase)));
            FillRect(image, x, top, x + 1, box.bottom, ground);
        }
    }
}

// A file manager: a side bar of places and a grid of folder icons with names.
void DrawFiles(CaptureImage& image, const Box& box, std::uint32_t accent, Pattern& pattern) {
    const int side = box.width() / 4;
    FillRect(image, box.left, box.top, box.left + side, box.bottom, 0xE6E8EC);
    FillRect(image, box.left + side, box.top, box.right, box.bottom, 0xFAFAFB);
    const int line = std::max(1, box.height() / 40);
    for (int y = box.top + line * 2, i = 0; y + line < box.bottom && i < 8; y += line * 3, ++i) {
        FillRect(image, box.left + line * 2, y, box.left + line * 3, y + line, accent);
        TextLine(image, pattern, box.left + line * 4, box.left + side - line, y, line, 0x707680);
    }
    const int cell = std::max(8, std::min(box.width() - side, box.height()) / 4);
    for (int y = box.top + cell / 4; y + cell < box.bottom; y += cell) {
        for (int x = box.left + side + cell / 4; x + cell < box.right; x += cell) {
            const std::uint32_t folder = pattern.next(5) == 0 ? 0x9AA2AE : Blend(accent, 0xFFFFFF, 60);
            const int w = cell * 3 / 5;
            const int h = cell * 2 / 5;
            const int fx = x + (cell - w) / 2;
            FillRect(image, fx, y + h / 5, fx + w / 2, y + h / 3, folder);
            FillRect(image, fx, y + h / 3, fx + w, y + h, folder);
            FillRect(image, x + cell / 5, y + h + cell / 10, x + cell * 4 / 5, y + h + cell / 10 + line,
                     0x8A8F98);
        }
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
    const std::uint32_t accent = SyntheticColor(index);
    Pattern pattern(index);
    // Frame and title bar in the window's colour, so that windows are told apart at a glance.
    image->fill(Blend(accent, 0x000000, 120));
    const int frame = std::max(1, std::min(width, height) / 200);
    const int title = std::clamp(height / 14, 1, 34);
    for (int y = frame; y < frame + title; ++y) {
        FillRect(*image, frame, y, width - frame, y + 1,
                 Blend(accent, 0xFFFFFF, 40 - 40 * (y - frame) / title));
    }
    const int button = title / 4;
    if (button >= 1) {
        const std::uint32_t buttons[] = {0xE0533F, 0xF2B640, 0x4CC25E};
        for (int i = 0; i < 3; ++i) {
            FillDisc(*image, width - frame - title / 2 - i * title * 3 / 4, frame + title / 2, button,
                     buttons[i]);
        }
        TextLine(*image, pattern, frame + title / 2, width / 2, frame + title / 2 - button / 2,
                 std::max(1, button), 0xFFFFFF);
    }
    // A tool bar, the program's content, and a status bar.
    const int toolbar = std::max(1, title * 3 / 4);
    const Box toolbarBox{frame, frame + title, width - frame, frame + title + toolbar};
    FillRect(*image, toolbarBox.left, toolbarBox.top, toolbarBox.right, toolbarBox.bottom, 0xEEF0F3);
    for (int x = toolbarBox.left + toolbar / 3, i = 0; x + toolbar / 2 < toolbarBox.right && i < 8;
         x += toolbar, ++i) {
        FillRect(*image, x, toolbarBox.top + toolbar / 4, x + toolbar / 2, toolbarBox.bottom - toolbar / 4,
                 i == 0 ? accent : 0xA8AEB8);
    }
    const int status = std::max(1, title / 2);
    const Box content{frame, toolbarBox.bottom, width - frame, height - frame - status};
    FillRect(*image, frame, content.bottom, width - frame, height - frame, Blend(accent, 0xFFFFFF, 110));
    if (content.width() > 4 && content.height() > 4) {
        switch (index % 5) {
        case 0:
            DrawDocument(*image, content, accent, pattern);
            break;
        case 1:
            DrawTerminal(*image, content, accent, pattern);
            break;
        case 2:
            DrawSheet(*image, content, accent, pattern);
            break;
        case 3:
            DrawPicture(*image, content, accent, pattern);
            break;
        default:
            DrawFiles(*image, content, accent, pattern);
            break;
        }
    }
    // The window's number on a badge of its colour: which window is which stays plain in every frame.
    const int cell = std::max(1, std::min(width / 44, height / 34));
    const int badge = cell * 6;
    const int cx = width - frame - badge - cell * 2;
    const int cy = content.bottom - badge - cell * 2;
    FillDisc(*image, cx, cy, badge, Blend(accent, 0xFFFFFF, 30));
    DrawNumber(*image, index + 1, cx, cy, index + 1 >= 10 ? cell * 4 / 5 : cell, 0xFFFFFF);
    return image;
}

std::vector<WindowSetup> SyntheticLayout(int count, int screenWidth, int screenHeight,
                                         std::optional<std::pair<int, int>> fixedSize) {
    std::vector<WindowSetup> windows;
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

std::vector<WindowSetup> ReadWindowsFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error(path + ": cannot be read");
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::vector<WindowSetup> windows;
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
        WindowSetup setup;
        setup.rect = Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + width),
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
            setup.picture = std::move(image);
        } else {
            setup.picture = MakeSyntheticPicture(static_cast<int>(width), static_cast<int>(height),
                                                 static_cast<int>(windows.size()));
        }
        windows.push_back(std::move(setup));
    }
    return windows;
}

std::unique_ptr<CaptureImage> MakeGradientWallpaper(int width, int height) {
    auto image = std::make_unique<CaptureImage>(width, height);
    // A night-blue sky darkening downward, lit by two wide soft glows (teal and violet).
    struct Glow {
        double x, y, radius;
        double r, g, b;
    };
    const Glow glows[] = {{0.22, 0.18, 0.55, 30, 90, 110}, {0.82, 0.35, 0.5, 80, 40, 120}};
    for (int y = 0; y < height; ++y) {
        const double v = height > 1 ? y / static_cast<double>(height - 1) : 0.0;
        std::uint8_t* row = image->row(y);
        for (int x = 0; x < width; ++x) {
            const double u = width > 1 ? x / static_cast<double>(width - 1) : 0.0;
            double r = 38 - 26 * v;
            double g = 62 - 44 * v;
            double b = 104 - 66 * v;
            for (const Glow& glow : glows) {
                const double dx = (u - glow.x) * width / height;
                const double dy = v - glow.y;
                const double k = std::exp(-(dx * dx + dy * dy) / (glow.radius * glow.radius));
                r += glow.r * k;
                g += glow.g * k;
                b += glow.b * k;
            }
            row[x * 4] = static_cast<std::uint8_t>(std::clamp(b, 0.0, 255.0));
            row[x * 4 + 1] = static_cast<std::uint8_t>(std::clamp(g, 0.0, 255.0));
            row[x * 4 + 2] = static_cast<std::uint8_t>(std::clamp(r, 0.0, 255.0));
        }
    }
    return image;
}

} // namespace zorvane
