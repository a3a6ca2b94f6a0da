// Window textures drawn in a real (offscreen) GL context: a quad addressed from (0, 0) to
// (TexS, -TexT) shows the capture pixel for pixel, whatever its width.
#include "WindowListFixture.h"

#include "support/GLFixture.h"

#include <GL/gl.h>

#include <random>

using namespace zorvane;
using zorvane::test::FakeScreen;

namespace {

class WindowTexture : public zorvane::test::GLFixture {
protected:
    void SetUp() override {
        GLFixture::SetUp();
        std::string pattern = (std::filesystem::temp_directory_path() / "zv-texture-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        base = pattern;
        list = std::make_unique<TWindowInfos>(screen, (base / "~ZRVN").string(), clock);
    }
    void TearDown() override {
        list.reset();
        std::filesystem::remove_all(base);
        GLFixture::TearDown();
    }

    static std::unique_ptr<CaptureImage> noisePicture(int width, int height, unsigned seed) {
        auto picture = std::make_unique<CaptureImage>(width, height);
        std::mt19937 random(seed);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture->setPixel(x, y, random() & 0xffffff);
        return picture;
    }

    // Draws the record's texture over the whole target, one texel to a pixel.
    void drawRecord(const TWindowInfo& record, int width, int height) {
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, width, height, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(1, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glBindTexture(GL_TEXTURE_2D, record.Texture);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(0, 0);
        glTexCoord2f(record.TexS, 0);
        glVertex2f(static_cast<float>(width), 0);
        glTexCoord2f(record.TexS, -record.TexT);
        glVertex2f(static_cast<float>(width), static_cast<float>(height));
        glTexCoord2f(0, -record.TexT);
        glVertex2f(0, static_cast<float>(height));
        glEnd();
        glDisable(GL_TEXTURE_2D);
        gl->finish();
    }

    std::filesystem::path base;
    FakeScreen screen;
    ManualClock clock;
    std::unique_ptr<TWindowInfos> list;
};

TEST_F(WindowTexture, AQuadFromOriginToTexSMinusTexTReproducesTheCapture) {
    struct Size {
        int width, height;
    };
    // Widths that are and are not multiples of 4, below and above the smallest texture side.
    for (const Size size : {Size{37, 23}, Size{130, 70}, Size{128, 128}, Size{3, 2}, Size{201, 131}}) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        recreate(size.width, size.height);
        const WindowHandle handle = 100 + static_cast<WindowHandle>(size.width);
        screen.rects[handle] = Rect{10, 20, 10 + size.width, 20 + size.height};
        const int at = list->Add(handle, "C", "", 1, noisePicture(size.width, size.height, size.width));
        TWindowInfo& record = list->Items(at);
        const CaptureImage before = *record.Bitmap;

        record.BuildTexture(screen);
        expectNoGLError("BuildTexture");
        ASSERT_NE(record.Texture, 0u);
        drawRecord(record, size.width, size.height);
        expectNoGLError("draw");

        int wrong = 0;
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x)
                if (gl->pixel(x, y) != before.pixel(x, y) && ++wrong <= 3)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << "): drawn " << std::hex << gl->pixel(x, y)
                                  << ", captured " << before.pixel(x, y);
        EXPECT_EQ(wrong, 0);

        // The picture itself is left as it was, ready to be stored.
        ASSERT_TRUE(record.Bitmap);
        EXPECT_EQ(record.Bitmap->width(), size.width);
        EXPECT_EQ(record.Bitmap->height(), size.height);
        EXPECT_TRUE(std::equal(before.bits(), before.bits() + before.byteSize(), record.Bitmap->bits()));
        GLuint name = record.Texture;
        glDeleteTextures(1, &name);
    }
}

TEST_F(WindowTexture, UploadIsOneLevelWithLinearFiltersAndRepeatWraps) {
    screen.rects[1] = Rect{500, 400, 600, 460};
    screen.regions[1] = Rect{4, 4, 96, 56};
    list->Add(1, "C", "", 1, noisePicture(100, 60, 1));
    TWindowInfo& record = list->Items(0);
    // Pixel-store state left behind by someone else must not skew the rows.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 7);
    record.BuildTexture(screen);
    expectNoGLError("BuildTexture");

    GLint value = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &value);
    EXPECT_EQ(value, 1) << "pixel-store state is restored";
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &value);
    EXPECT_EQ(value, 7);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);

    glBindTexture(GL_TEXTURE_2D, record.Texture);
    const std::pair<GLenum, GLint> parameters[] = {{GL_TEXTURE_MIN_FILTER, GL_LINEAR},
                                                   {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                                                   {GL_TEXTURE_WRAP_S, GL_REPEAT},
                                                   {GL_TEXTURE_WRAP_T, GL_REPEAT}};
    for (const auto& [parameter, expected] : parameters) {
        glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
        EXPECT_EQ(value, expected) << "parameter 0x" << std::hex << parameter;
    }
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 128);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &value);
    EXPECT_EQ(value, 128);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
    EXPECT_EQ(value, GL_RGB);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 0) << "no mipmaps";
    expectNoGLError("queries");

    EXPECT_FLOAT_EQ(record.TexS, 0.78125f);
    EXPECT_FLOAT_EQ(record.TexT, 0.46875f);
    EXPECT_FLOAT_EQ(record.Width, 0.1f);
    EXPECT_FLOAT_EQ(record.Height, 0.075f);
    EXPECT_FLOAT_EQ(record.HomeX, static_cast<float>(504 / 1000.0 - 0.5));
    EXPECT_FLOAT_EQ(record.HomeY, static_cast<float>(0.5 - 404 / 800.0));
    EXPECT_EQ(record.X, record.HomeX);
    EXPECT_EQ(record.Y, record.HomeY);
}

// A picture wider than the widest texture keeps all of its pixels: it is still stored whole.
TEST_F(WindowTexture, APictureWiderThanAnyTextureIsNotCut) {
    auto picture = std::make_unique<CaptureImage>(40000, 2);
    picture->setPixel(39999, 1, 0x13579b);
    list->Add(1, "C", "", 1, std::move(picture));
    TWindowInfo& record = list->Items(0);
    record.BuildTexture(screen);
    expectNoGLError("BuildTexture");
    EXPECT_GT(record.TexS, 1.0f);
    EXPECT_NE(record.Texture, 0u);
    ASSERT_EQ(record.Bitmap->width(), 40000);
    EXPECT_EQ(record.Bitmap->pixel(39999, 1), 0x13579bu);
    record.StoreBitmap();
    ASSERT_TRUE(record.LoadStoredBitmap());
    EXPECT_EQ(record.Bitmap->pixel(39999, 1), 0x13579bu);
}

TEST_F(WindowTexture, ARecordWithoutAPictureIsRefused) {
    list->Add(1, "C", "", 1, nullptr);
    EXPECT_THROW(list->Items(0).BuildTexture(screen), std::logic_error);
    EXPECT_EQ(list->Items(0).Texture, 0u);
}

} // namespace
