// Mipmaps: the loader's textures hold, at every level, the very texels gluBuild2DMipmaps makes of
// the same picture, whichever way its rows are padded and whichever side reaches 1 first.
#include "support/GLFixture.h"
#include "view/Textures.h"

#include <GL/glu.h>

#include <gtest/gtest.h>

#include <vector>

namespace zorvane::test {
namespace {

// Every level of the bound texture as tightly packed rows of `format`, level 0 first.
std::vector<std::vector<std::uint8_t>> Levels(GLuint texture, GLenum format) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<std::vector<std::uint8_t>> levels;
    for (int level = 0;; ++level) {
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
        if (width == 0 || height == 0)
            return levels;
        std::vector<std::uint8_t> texels(static_cast<std::size_t>(width * height) *
                                         (format == GL_RGBA ? 4 : 3));
        glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, texels.data());
        levels.push_back(std::move(texels));
        if (width == 1 && height == 1)
            return levels;
    }
}

class TextureMipmaps : public GLFixture {};

TEST_F(TextureMipmaps, EveryLevelHoldsTheTexelsGluMakes) {
    struct Row {
        const char* what;
        int width;
        int height;
        GLenum format;
        int alignment; // of the picture's rows
    };
    const Row rows[] = {
        {"square RGB", 64, 64, GL_RGB, 1},
        // 2 x 3 bytes a row padded to 8: padding must not leak into the next level.
        {"narrow RGB, rows padded to 4 bytes", 2, 32, GL_RGB, 4},
        {"wide RGB: the height reaches 1 first", 128, 4, GL_RGB, 4},
        {"tall RGBA: the width reaches 1 first", 4, 64, GL_RGBA, 1},
        {"one row", 16, 1, GL_RGB, 1},
        {"one column", 1, 16, GL_RGBA, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const int channels = row.format == GL_RGBA ? 4 : 3;
        const std::size_t stride = (static_cast<std::size_t>(row.width * channels) + row.alignment - 1) /
                                   row.alignment * row.alignment;
        std::vector<std::uint8_t> picture(stride * static_cast<std::size_t>(row.height));
        // Uneven values, so that rounding differences show; the padding bytes too.
        std::uint32_t seed = 12345;
        for (std::uint8_t& byte : picture) {
            seed = seed * 1103515245u + 12345u;
            byte = static_cast<std::uint8_t>(seed >> 16);
        }
        // GLU is given the rows packed: with padded rows it uploads its own packed levels as if they
        // were padded too, which shears every level whose rows are not whole multiples of 4 bytes.
        const std::size_t rowBytes = static_cast<std::size_t>(row.width * channels);
        std::vector<std::uint8_t> packed;
        for (int y = 0; y < row.height; ++y) {
            const auto* start = picture.data() + static_cast<std::size_t>(y) * stride;
            packed.insert(packed.end(), start, start + rowBytes);
        }
        GLuint reference = 0;
        glGenTextures(1, &reference);
        glBindTexture(GL_TEXTURE_2D, reference);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gluBuild2DMipmaps(GL_TEXTURE_2D, row.format == GL_RGBA ? GL_RGBA : 3, row.width, row.height,
                          row.format, GL_UNSIGNED_BYTE, packed.data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        const auto expected = Levels(reference, row.format);

        const GLuint borrowed =
            CreateTexture(static_cast<std::uint16_t>(row.width), static_cast<std::uint16_t>(row.height),
                          row.format, picture.data(), row.alignment);
        EXPECT_EQ(Levels(borrowed, row.format), expected) << "from pixels the loader borrows";
        const GLuint taken =
            CreateTexture(static_cast<std::uint16_t>(row.width), static_cast<std::uint16_t>(row.height),
                          row.format, std::vector<std::uint8_t>(picture), row.alignment);
        EXPECT_EQ(Levels(taken, row.format), expected) << "from pixels the loader takes over";
        GLint alignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(alignment, 4) << "the unpack alignment is left as it was";
        for (GLuint texture : {borrowed, taken}) {
            GLint minFilter = 0;
            glBindTexture(GL_TEXTURE_2D, texture);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
            EXPECT_EQ(minFilter, GL_LINEAR) << "the filters stay linear";
        }
        for (GLuint texture : {reference, borrowed, taken})
            glDeleteTextures(1, &texture);
    }
}

} // namespace
} // namespace zorvane::test
