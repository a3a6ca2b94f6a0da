// TexturesDesktop: the desktop texture: the wallpaper laid out over the desktop colour at screen size.
#include "view/Textures.h"
#include "view/TexturesInternal.h"

#include <stb_image.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace zorvane {

using namespace textures_detail;

namespace {

// Frees what stb_image allocated.
struct StbPixels {
    stbi_uc* data = nullptr;
    ~StbPixels() { stbi_image_free(data); }
};

std::unique_ptr<CaptureImage> decodeWithStb(std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT32_MAX))
        return nullptr;
    const auto* buffer = reinterpret_cast<const stbi_uc*>(bytes.data());
    const int length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    // Check the size before decoding so a header that claims a giant picture allocates nothing.
    if (!stbi_info_from_memory(buffer, length, &width, &height, &channels))
        return nullptr;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4 > kMaxPixelBytes)
        return nullptr;
    StbPixels pixels;
    pixels.data = stbi_load_from_memory(buffer, length, &width, &height, &channels, 3);
    if (!pixels.data)
        return nullptr;
    auto image = std::make_unique<CaptureImage>(width, height);
    for (int y = 0; y < height; ++y) {
        const stbi_uc* source =
            pixels.data + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3;
        std::uint8_t* target = image->row(y);
        for (int x = 0; x < width; ++x) {
            target[x * 4] = source[x * 3 + 2];
            target[x * 4 + 1] = source[x * 3 + 1];
            target[x * 4 + 2] = source[x * 3];
        }
    }
    return image;
}

// Copies the rectangle of `picture` that lands on the canvas with its top-left corner at (left, top).
void blit(CaptureImage& canvas, const CaptureImage& picture, int left, int top) {
    const int x0 = std::max(0, left), x1 = std::min(canvas.width(), left + picture.width());
    const int y0 = std::max(0, top), y1 = std::min(canvas.height(), top + picture.height());
    if (x0 >= x1)
        return;
    constexpr std::size_t pixel = CaptureImage::kBytesPerPixel;
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * pixel;
    for (int y = y0; y < y1; ++y)
        std::memcpy(canvas.row(y) + static_cast<std::size_t>(x0) * pixel,
                    picture.row(y - top) + static_cast<std::size_t>(x0 - left) * pixel, bytes);
}

void tile(CaptureImage& canvas, const CaptureImage& picture) {
    for (int top = 0; top < canvas.height(); top += picture.height())
        for (int left = 0; left < canvas.width(); left += picture.width())
            blit(canvas, picture, left, top);
}

void stretch(CaptureImage& canvas, const CaptureImage& picture) {
    const auto width = static_cast<std::int64_t>(canvas.width()),
               height = static_cast<std::int64_t>(canvas.height());
    std::vector<int> columns(static_cast<std::size_t>(width));
    for (std::int64_t x = 0; x < width; ++x)
        columns[static_cast<std::size_t>(x)] = static_cast<int>(x * picture.width() / width);
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* source = picture.row(static_cast<int>(y * picture.height() / height));
        std::uint8_t* target = canvas.row(static_cast<int>(y));
        for (std::int64_t x = 0; x < width; ++x)
            std::memcpy(target + x * 4,
                        source + static_cast<std::size_t>(columns[static_cast<std::size_t>(x)]) * 4, 4);
    }
}

// Centre as the desktop does it: a picture smaller than the screen in one direction starts at 0 in
// that direction; a larger one is centred and cropped.
void centre(CaptureImage& canvas, const CaptureImage& picture) {
    const int left = canvas.width() > picture.width() ? 0 : canvas.width() / 2 - picture.width() / 2;
    const int top = canvas.height() > picture.height() ? 0 : canvas.height() / 2 - picture.height() / 2;
    blit(canvas, picture, left, top);
}

} // namespace

void GetWallpaperInfo(const WallpaperSource& source, int& style, std::string& fileName) {
    const WallpaperInfo info = source.wallpaperInfo();
    style = info.style;
    fileName = info.fileName;
}

std::unique_ptr<CaptureImage> LoadWallpaperPicture(const std::string& path) {
    const auto bytes = readWholeFile(path);
    if (!bytes)
        return nullptr;
    try {
        if (upperExtension4(path) == ".DDS")
            return decodeDDS(*bytes);
        if (bytes->size() >= 3 && (*bytes)[0] == 0xFF && (*bytes)[1] == 0xD8 && (*bytes)[2] == 0xFF)
            return decodeJPEG(*bytes);
        return decodeWithStb(*bytes);
    } catch (const std::exception&) {
        return nullptr; // out of memory for a picture that claims to be huge
    }
}

std::unique_ptr<CaptureImage> RenderDesktopPicture(const WallpaperInfo& wallpaper, int width, int height) {
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("desktop picture needs a positive screen size");
    auto canvas = std::make_unique<CaptureImage>(width, height);
    canvas->fill(wallpaper.desktopColor);
    if (wallpaper.picture) {
        blit(*canvas, *wallpaper.picture, 0, 0);
        return canvas;
    }
    std::error_code ec;
    if (wallpaper.fileName.empty() || !std::filesystem::is_regular_file(wallpaper.fileName, ec))
        return canvas;
    const auto picture = LoadWallpaperPicture(wallpaper.fileName);
    if (!picture || (picture->width() <= 1 && picture->height() <= 1))
        return canvas;
    switch (wallpaper.style) {
    case wsTile:
        tile(*canvas, *picture);
        break;
    case wsStretch:
        stretch(*canvas, *picture);
        break;
    default:
        centre(*canvas, *picture);
        break;
    }
    return canvas;
}

void CreateDesktopTexture(const WallpaperSource& source, const ScreenGeometry& screen, TTextureInfo& info) {
    const WallpaperInfo wallpaper = source.wallpaperInfo();
    const int width = screen.screenWidth(), height = screen.screenHeight();
    auto canvas = RenderDesktopPicture(wallpaper, width, height);

    const int textureWidth = NextPowerOfTwo(width), textureHeight = NextPowerOfTwo(height);
    info.TexS = static_cast<float>(static_cast<double>(width) / textureWidth);
    info.TexT = static_cast<float>(static_cast<double>(height) / textureHeight);
    info.FileName = wallpaper.fileName;

    glGenTextures(1, &info.Texture);
    glBindTexture(GL_TEXTURE_2D, info.Texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    // The picture's top row goes to the texture's last row (rows go up bottom row first), so t = 0
    // is the top edge and t = -TexT the bottom edge; the added area is never sampled.
    glTexImage2D(GL_TEXTURE_2D, 0, 3, textureWidth, textureHeight, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 nullptr);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    // The canvas is ours to reorder: bottom row first, then one upload into the top rows.
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(canvas->row(top), canvas->row(top) + canvas->stride(), canvas->row(bottom));
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, textureHeight - height, width, height, GL_BGRA,
                    GL_UNSIGNED_INT_8_8_8_8_REV, canvas->bits());
    glPopClientAttrib();
}

} // namespace zorvane
