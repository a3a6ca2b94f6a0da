// TexturesMipmaps: a texture's mipmap levels made in the memory of the picture itself, each texel
// as GLU's gluBuild2DMipmaps computes it, and uploaded in bands.
#include "view/TexturesInternal.h"

#include <GL/glu.h>

#include <algorithm>
#include <vector>

namespace zorvane::textures_detail {

namespace {

// Rows handed to OpenGL at a time: the driver converts each band into the texture's own layout
// through a buffer of the band's size, not of the whole level's.
constexpr std::size_t kBandBytes = std::size_t{8} << 20;

// The next level down from `source` (rows `stride` bytes apart) into `target`, tightly packed: each
// texel the rounded mean of the 2 x 2 above it, (a + b + c + d + 2) / 4, or where one side is 1 the
// truncated mean of the 2, (a + b) / 2, as GLU makes them. target may be source: no write passes
// a read still to come.
void halve(const std::uint8_t* source, std::size_t stride, int width, int height, int channels,
           std::uint8_t* target) {
    const auto c = static_cast<std::size_t>(channels);
    if (width == 1 || height == 1) {
        // One row or one column: pairs along it.
        const std::size_t step = height == 1 ? c : stride;
        const int pairs = std::max(width, height) / 2;
        for (int i = 0; i < pairs; ++i) {
            const std::uint8_t* a = source + static_cast<std::size_t>(2 * i) * step;
            for (std::size_t k = 0; k < c; ++k)
                *target++ = static_cast<std::uint8_t>((a[k] + a[step + k]) / 2);
        }
        return;
    }
    for (int y = 0; y < height / 2; ++y) {
        const std::uint8_t* top = source + static_cast<std::size_t>(2 * y) * stride;
        const std::uint8_t* below = top + stride;
        for (int x = 0; x < width / 2; ++x) {
            const std::size_t at = static_cast<std::size_t>(2 * x) * c;
            for (std::size_t k = 0; k < c; ++k)
                *target++ = static_cast<std::uint8_t>(
                    (top[at + k] + top[at + c + k] + below[at + k] + below[at + c + k] + 2) / 4);
        }
    }
}

void uploadLevel(int level, GLint internalFormat, GLenum format, int width, int height,
                 const std::uint8_t* pixels, std::size_t stride, int alignment) {
    glTexImage2D(GL_TEXTURE_2D, level, internalFormat, width, height, 0, format, GL_UNSIGNED_BYTE, nullptr);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    const int band =
        static_cast<int>(std::max<std::size_t>(1, kBandBytes / std::max<std::size_t>(stride, 1)));
    for (int y = 0; y < height; y += band) {
        glTexSubImage2D(GL_TEXTURE_2D, level, 0, y, width, std::min(band, height - y), format,
                        GL_UNSIGNED_BYTE, pixels + static_cast<std::size_t>(y) * stride);
    }
}

} // namespace

void BuildMipmaps(int width, int height, GLenum format, const std::uint8_t* pixels, std::size_t stride,
                  int alignment, std::uint8_t* scratch) {
    GLint previousAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    const int channels = format == GL_RGBA ? 4 : 3;
    const GLint internalFormat = format == GL_RGBA ? GL_RGBA : 3;
    // A size the implementation refuses (too large for its memory): GLU finds one that fits.
    GLint fits = 0;
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, internalFormat, width, height, 0, format, GL_UNSIGNED_BYTE, nullptr);
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &fits);
    if (fits == 0) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
        gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, width, height, format, GL_UNSIGNED_BYTE, pixels);
        glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
        return;
    }
    // With a mipmapped filter while the levels arrive, the driver sets aside room for all of them
    // with the first one; otherwise it moves the first into a larger store when the second comes,
    // holding the first level twice (Mesa: another 256 MB for an 8192 x 8192 picture).
    GLint minFilter = GL_LINEAR;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    uploadLevel(0, internalFormat, format, width, height, pixels, stride, alignment);
    // The levels below are made in the scratch memory, each over the one before; without scratch,
    // in a buffer of the first one's size.
    std::vector<std::uint8_t> own;
    if (!scratch && (width > 1 || height > 1)) {
        own.resize(static_cast<std::size_t>(std::max(width / 2, 1)) *
                   static_cast<std::size_t>(std::max(height / 2, 1)) * static_cast<std::size_t>(channels));
        scratch = own.data();
    }
    const std::uint8_t* level = pixels;
    for (int index = 1; width > 1 || height > 1; ++index) {
        halve(level, stride, width, height, channels, scratch);
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
        stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
        level = scratch;
        uploadLevel(index, internalFormat, format, width, height, level, stride, 1);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
}

} // namespace zorvane::textures_detail
