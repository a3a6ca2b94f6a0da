// Textures: the picture loader (BMP, Targa, dispatch by file name) and the texture upload.
#include "view/Textures.h"

#include "resources/Resources.h"
#include "view/TexturesInternal.h"

#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <streambuf>
#include <utility>

namespace zorvane {

using namespace textures_detail;

namespace textures_detail {

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path) {
    // No picture this program takes comes near this size; anything larger is not read into memory.
    constexpr std::uintmax_t maxFileBytes = std::uintmax_t{1} << 30;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > maxFileBytes)
        return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::vector<std::uint8_t> data;
    std::array<char, 65536> chunk{};
    while (file) {
        file.read(chunk.data(), chunk.size());
        data.insert(data.end(), chunk.begin(), chunk.begin() + file.gcount());
    }
    if (file.bad())
        return std::nullopt;
    return data;
}

std::string upperExtension4(const std::string& name) {
    std::string tail = name.size() > 4 ? name.substr(name.size() - 4) : name;
    for (char& c : tail)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tail;
}

std::string resourceName(const std::string& fileName) {
    return fileName.substr(0, fileName.find('.'));
}

} // namespace textures_detail

namespace {

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A read-only stream over bytes the program carries.
class MemoryBuffer : public std::streambuf {
public:
    explicit MemoryBuffer(std::span<const std::uint8_t> data) {
        // The get area is only ever read; streambuf just lacks a const interface.
        char* begin = const_cast<char*>(reinterpret_cast<const char*>(data.data()));
        setg(begin, begin, begin + data.size());
    }
};

void readExactly(std::istream& stream, std::uint8_t* target, std::size_t count, const char* what) {
    stream.read(reinterpret_cast<char*>(target), static_cast<std::streamsize>(count));
    if (static_cast<std::size_t>(stream.gcount()) != count)
        throw TextureError(std::string("Stream read error: ") + what + " ends early");
}

// Reads count bytes in steps, so a header that claims a huge picture in a short file fails on the
// missing data instead of allocating the claimed size first.
std::vector<std::uint8_t> readPixels(std::istream& stream, std::size_t count) {
    constexpr std::size_t step = std::size_t{4} << 20;
    std::vector<std::uint8_t> pixels;
    while (pixels.size() < count) {
        const std::size_t done = pixels.size();
        const std::size_t now = std::min(step, count - done);
        pixels.resize(done + now);
        readExactly(stream, pixels.data() + done, now, "bitmap data");
    }
    return pixels;
}

// Reverses the order of rows (top-down pictures become bottom-up).
void flipRows(std::vector<std::uint8_t>& pixels, std::size_t stride, int rows) {
    std::vector<std::uint8_t> line(stride);
    for (int top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
        std::uint8_t* a = pixels.data() + static_cast<std::size_t>(top) * stride;
        std::uint8_t* b = pixels.data() + static_cast<std::size_t>(bottom) * stride;
        std::memcpy(line.data(), a, stride);
        std::memcpy(a, b, stride);
        std::memcpy(b, line.data(), stride);
    }
}

// The byte index (0..3) a mask of one whole byte selects, or -1.
int maskByte(std::uint32_t mask) {
    for (int i = 0; i < 4; ++i)
        if (mask == (0xFFu << (8 * i)))
            return i;
    return -1;
}

// Brings 32-bit pixels with byte-aligned channel masks into blue-green-red-alpha order; false when
// the masks are not three distinct whole bytes.
bool normaliseBGRA(std::vector<std::uint8_t>& pixels, std::uint32_t red, std::uint32_t green,
                   std::uint32_t blue) {
    const int r = maskByte(red), g = maskByte(green), b = maskByte(blue);
    if (r < 0 || g < 0 || b < 0 || r == g || g == b || r == b)
        return false;
    if (r == 2 && g == 1 && b == 0)
        return true;
    const int a = 6 - r - g - b; // the byte no colour uses
    for (std::size_t i = 0; i + 4 <= pixels.size(); i += 4) {
        const std::array<std::uint8_t, 4> p{pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]};
        pixels[i] = p[b];
        pixels[i + 1] = p[g];
        pixels[i + 2] = p[r];
        pixels[i + 3] = p[a];
    }
    return true;
}

std::size_t rowStride(int width, int channels, int alignment) {
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    const auto a = static_cast<std::size_t>(std::max(alignment, 1));
    return (bytes + a - 1) / a * a;
}

// The power of two a texture side gets: the nearest one (a side 1.5 times a power of two rounds
// up), halved until the OpenGL implementation takes it.
int textureSide(int side, int maxSide) {
    int power = 1;
    while (power * 2 <= side)
        power *= 2;
    if (side - power >= power / 2 && power > 1)
        power *= 2;
    while (power > maxSide && power > 1)
        power /= 2;
    return power;
}

// Area-weighted resampling (a box filter with fractional edges), one axis at a time. The result
// has tightly packed rows in the source's row order. Each output row is made from the few source
// rows under it, resampled across as they are first needed and dropped when no later output row
// needs them, so the work memory is a few rows, not a whole picture of floats (which for an
// 8000 x 8000 picture was 770 MB).
std::vector<std::uint8_t> resample(const std::uint8_t* source, int width, int height, std::size_t stride,
                                   int channels, int newWidth, int newHeight) {
    // Source span [start, end) of destination cell i on an axis of n source cells and m destination cells.
    auto weights = [](int n, int m) {
        std::vector<std::vector<std::pair<int, float>>> cells(static_cast<std::size_t>(m));
        const double step = static_cast<double>(n) / m;
        for (int i = 0; i < m; ++i) {
            const double start = i * step, end = (i + 1) * step;
            for (int s = static_cast<int>(start); s < n && s < end; ++s) {
                const double overlap = std::min(end, s + 1.0) - std::max(start, static_cast<double>(s));
                if (overlap > 0)
                    cells[static_cast<std::size_t>(i)].emplace_back(s, static_cast<float>(overlap / step));
            }
        }
        return cells;
    };
    const auto across = weights(width, newWidth);
    const auto down = weights(height, newHeight);
    const auto c = static_cast<std::size_t>(channels);
    const std::size_t rowValues = static_cast<std::size_t>(newWidth) * c;
    // Source rows resampled across, from row `first` on; the rows an output row needs are
    // consecutive and move down with it.
    std::deque<std::vector<float>> acrossRows;
    int first = 0;
    const auto acrossRow = [&](int y) -> const float* {
        while (first + static_cast<int>(acrossRows.size()) <= y) {
            const int next = first + static_cast<int>(acrossRows.size());
            const std::uint8_t* line = source + static_cast<std::size_t>(next) * stride;
            std::vector<float> target(rowValues);
            for (int x = 0; x < newWidth; ++x)
                for (const auto& [s, w] : across[static_cast<std::size_t>(x)])
                    for (std::size_t k = 0; k < c; ++k)
                        target[static_cast<std::size_t>(x) * c + k] +=
                            w * line[static_cast<std::size_t>(s) * c + k];
            acrossRows.push_back(std::move(target));
        }
        return acrossRows[static_cast<std::size_t>(y - first)].data();
    };
    std::vector<std::uint8_t> out(static_cast<std::size_t>(newHeight) * rowValues);
    std::vector<const float*> sources;
    for (int y = 0; y < newHeight; ++y) {
        const auto& cells = down[static_cast<std::size_t>(y)];
        // Rows above this output row's first source row are needed by no later output row.
        const int top = cells.empty() ? first : cells.front().first;
        while (first < top && !acrossRows.empty()) {
            acrossRows.pop_front();
            ++first;
        }
        if (acrossRows.empty())
            first = std::max(first, top);
        // A deque keeps its elements in place as it grows, so these stay valid for the row.
        sources.clear();
        for (const auto& cell : cells)
            sources.push_back(acrossRow(cell.first));
        std::uint8_t* target = out.data() + static_cast<std::size_t>(y) * rowValues;
        for (std::size_t i = 0; i < rowValues; ++i) {
            float sum = 0;
            for (std::size_t k = 0; k < cells.size(); ++k)
                sum += cells[k].second * sources[k][i];
            target[i] = static_cast<std::uint8_t>(std::clamp(std::lround(sum), 0L, 255L));
        }
    }
    return out;
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// A Targa picture in memory (18-byte header first); false when it is not one this loader takes.
bool decodeTGA(std::span<const std::uint8_t> data, GLuint& texture) {
    if (data.size() < 18)
        return false;
    const std::uint8_t* h = data.data();
    if (h[2] != 2 || h[1] != 0)
        return false;
    const int width = h[12] + 256 * h[13];
    const int height = h[14] + 256 * h[15];
    const int bits = h[16];
    if (bits != 24 && bits != 32)
        return false;
    if (width == 0 || height == 0)
        return false;
    const std::size_t pixelSize = static_cast<std::size_t>(bits / 8);
    const std::size_t stride = static_cast<std::size_t>(width) * pixelSize;
    const std::size_t count = stride * static_cast<std::size_t>(height);
    // The identification field (header byte 0) sits between the header and the pixels.
    const std::size_t start = 18 + h[0];
    if (data.size() < start || data.size() - start < count)
        return false;
    std::vector<std::uint8_t> pixels(data.begin() + static_cast<std::ptrdiff_t>(start),
                                     data.begin() + static_cast<std::ptrdiff_t>(start + count));
    // Descriptor bit 5: rows stored top row first; the texture takes the bottom row first.
    if (h[17] & 0x20)
        flipRows(pixels, stride, height);
    for (std::size_t i = 0; i + pixelSize <= pixels.size(); i += pixelSize)
        std::swap(pixels[i], pixels[i + 2]);
    texture = CreateTexture(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height),
                            bits == 24 ? GL_RGB : GL_RGBA, std::move(pixels), 1);
    return true;
}

} // namespace

bool LoadTexture(const std::string& fileName, GLuint& texture, bool fromResource) {
    const std::string ext = upperExtension4(fileName);
    if (ext == ".BMP")
        return LoadBMP(fileName, texture, fromResource);
    if (ext == ".JPG")
        return LoadJPG(fileName, texture, fromResource);
    if (ext == ".TGA")
        return LoadTGA(fileName, texture, fromResource);
    return false;
}

bool LoadBMP(const std::string& fileName, GLuint& texture, bool fromResource) {
    if (fromResource) {
        const std::string name = resourceName(fileName);
        const auto data = FindResource("DATA", name);
        if (!data)
            throw TextureError("Resource " + name + " of type DATA not found");
        MemoryBuffer buffer(*data);
        std::istream stream(&buffer);
        try {
            return LoadBMPStream(stream, texture);
        } catch (const TextureError&) {
            return false;
        }
    }
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        throw TextureError("Cannot open file \"" + fileName + "\"");
    return LoadBMPStream(file, texture);
}

bool LoadBMPStream(std::istream& stream, GLuint& texture) {
    std::array<std::uint8_t, 14> fileHeader{};
    readExactly(stream, fileHeader.data(), fileHeader.size(), "bitmap file header");
    std::array<std::uint8_t, 124> info{};
    readExactly(stream, info.data(), 40, "bitmap info header");

    const std::uint32_t headerSize = le32(&info[0]);
    const auto width = static_cast<std::int32_t>(le32(&info[4]));
    const auto height = static_cast<std::int32_t>(le32(&info[8]));
    int bitCount = le16(&info[14]);
    const std::uint32_t compression = le32(&info[16]);
    const std::uint32_t imageSize = le32(&info[20]);
    const std::uint32_t coloursUsed = le32(&info[32]);

    if (bitCount == 1 || bitCount == 4)
        bitCount = 8;
    if (compression == 1 || compression == 2)
        throw TextureError("Compressed Bitmaps not handled");
    // Newer headers (V4, V5) are longer; the pixels come after the whole header, not after 40 bytes.
    if (headerSize < 40 || headerSize > info.size())
        return false;
    readExactly(stream, info.data() + 40, headerSize - 40, "bitmap info header");

    std::uint32_t red = 0, green = 0, blue = 0;
    if (compression == 0) {
        if (bitCount == 15 || bitCount == 16) {
            red = 0x7C00, green = 0x03E0, blue = 0x001F;
        } else if (bitCount == 24) {
            red = 0x0000FF, green = 0x00FF00, blue = 0xFF0000;
        } else if (bitCount == 32) {
            red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
        }
    } else if (compression == 3 && (bitCount == 15 || bitCount == 16 || bitCount == 32)) {
        if (headerSize >= 52) {
            red = le32(&info[40]), green = le32(&info[44]), blue = le32(&info[48]);
        } else {
            std::array<std::uint8_t, 12> masks{};
            readExactly(stream, masks.data(), masks.size(), "bitmap colour masks");
            red = le32(&masks[0]), green = le32(&masks[4]), blue = le32(&masks[8]);
        }
    }

    // Only 24- and 32-bit pictures are decoded; the rest are refused before their pixels are read.
    if ((bitCount != 24 && bitCount != 32) || (compression != 0 && compression != 3))
        return false;
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return false;
    const int rows = height < 0 ? -height : height;
    if (width > kMaxSide || rows > kMaxSide)
        return false;
    if (coloursUsed > 256)
        return false;
    const std::size_t colourTable = std::size_t{coloursUsed} * 4;
    std::vector<std::uint8_t> skipped(colourTable);
    readExactly(stream, skipped.data(), colourTable, "bitmap colour table");

    // Rows are padded to 4 bytes even when the image-size field is 0.
    const std::size_t stride = bitCount == 24 ? Bmp24Stride(width) : std::size_t(width) * 4;
    const std::size_t needed = stride * static_cast<std::size_t>(rows);
    if (needed > kMaxPixelBytes)
        return false;
    if (imageSize != 0 && imageSize < needed)
        return false;
    std::vector<std::uint8_t> pixels = readPixels(stream, needed);
    if (height < 0)
        flipRows(pixels, stride, rows);

    GLenum format = GL_RGB;
    if (bitCount == 24) {
        if (red != 0xFF0000)
            SwapRedBlue24(pixels, width, rows);
    } else {
        if (!normaliseBGRA(pixels, red, green, blue))
            return false;
        ColorKeyAlpha32(pixels, static_cast<std::size_t>(width) * static_cast<std::size_t>(rows));
        format = GL_RGBA;
    }
    texture = CreateTexture(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(rows), format,
                            std::move(pixels), 4);
    return true;
}

bool LoadTGA(const std::string& fileName, GLuint& texture, bool fromResource) {
    if (fromResource) {
        const auto data = FindResource("TGA", resourceName(fileName));
        if (!data || data->size() < 18)
            return false;
        return decodeTGA(*data, texture);
    }
    if (!fileExists(fileName))
        return false;
    const auto data = readWholeFile(fileName);
    if (!data)
        throw TextureError("Cannot open file \"" + fileName + "\"");
    if (data->size() < 18)
        throw TextureError("Read error: \"" + fileName + "\" has no Targa header");
    return decodeTGA(*data, texture);
}

namespace {

// A new texture name with the loader's parameters, bound, and the power-of-two size its picture gets.
GLuint newTexture(std::uint16_t width, std::uint16_t height, int& textureWidth, int& textureHeight) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    GLint maxSide = 2048;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    textureWidth = textureSide(width, maxSide);
    textureHeight = textureSide(height, maxSide);
    return name;
}

} // namespace

GLuint CreateTexture(std::uint16_t width, std::uint16_t height, GLenum format, const std::uint8_t* pixels,
                     int rowAlignment) {
    int textureWidth = 0, textureHeight = 0;
    const GLuint name = newTexture(width, height, textureWidth, textureHeight);
    const int channels = format == GL_RGBA ? 4 : 3;
    const std::size_t stride = rowStride(width, channels, rowAlignment);
    if (textureWidth != width || textureHeight != height) {
        // GLU would scale too, but its scaler blanks the last row when only the width changes.
        std::vector<std::uint8_t> scaled =
            resample(pixels, width, height, stride, channels, textureWidth, textureHeight);
        BuildMipmaps(textureWidth, textureHeight, format, scaled.data(), rowStride(textureWidth, channels, 1),
                     1, scaled.data());
    } else {
        BuildMipmaps(textureWidth, textureHeight, format, pixels, stride, rowAlignment, nullptr);
    }
    return name;
}

GLuint CreateTexture(std::uint16_t width, std::uint16_t height, GLenum format,
                     std::vector<std::uint8_t>&& pixels, int rowAlignment) {
    int textureWidth = 0, textureHeight = 0;
    const GLuint name = newTexture(width, height, textureWidth, textureHeight);
    const int channels = format == GL_RGBA ? 4 : 3;
    const std::size_t stride = rowStride(width, channels, rowAlignment);
    if (textureWidth != width || textureHeight != height) {
        std::vector<std::uint8_t> scaled =
            resample(pixels.data(), width, height, stride, channels, textureWidth, textureHeight);
        // The picture is not needed once its scaled copy exists: gone before the texture grows.
        std::vector<std::uint8_t>().swap(pixels);
        BuildMipmaps(textureWidth, textureHeight, format, scaled.data(), rowStride(textureWidth, channels, 1),
                     1, scaled.data());
    } else {
        BuildMipmaps(textureWidth, textureHeight, format, pixels.data(), stride, rowAlignment, pixels.data());
    }
    return name;
}

void SwapRedBlue24(std::span<std::uint8_t> pixels, int width, int height) {
    if (width <= 0 || height <= 0)
        return;
    const std::size_t stride = Bmp24Stride(width);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        const std::size_t start = static_cast<std::size_t>(y) * stride;
        if (start + rowBytes > pixels.size())
            return;
        std::uint8_t* row = pixels.data() + start;
        for (std::size_t i = 0; i < rowBytes; i += 3)
            std::swap(row[i], row[i + 2]);
    }
}

void ColorKeyAlpha32(std::span<std::uint8_t> pixels, std::size_t pixelCount) {
    const std::size_t count = std::min(pixelCount, pixels.size() / 4);
    if (count == 0)
        return;
    std::array<std::uint8_t, 4> key{};
    std::memcpy(key.data(), pixels.data(), 4);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* p = pixels.data() + i * 4;
        p[3] = std::memcmp(p, key.data(), 4) == 0 ? 0 : 255;
        std::swap(p[0], p[2]);
    }
}

} // namespace zorvane
