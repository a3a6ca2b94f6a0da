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
        const TPictureBinding binding(record);
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

// The texture has the picture's own size (four bytes a pixel at most); where the power-of-two
// texture the effects address would have had black padding beside the picture, the border is black.
TEST_F(WindowTexture, UploadIsOnePictureSizedLevelWithLinearFiltersAndBlackBorder) {
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
                                                   {GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER},
                                                   {GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER}};
    for (const auto& [parameter, expected] : parameters) {
        glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
        EXPECT_EQ(value, expected) << "parameter 0x" << std::hex << parameter;
    }
    GLfloat border[4] = {1, 1, 1, 0};
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    EXPECT_EQ(border[0] + border[1] + border[2], 0.0f);
    EXPECT_EQ(border[3], 1.0f);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 100);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &value);
    EXPECT_EQ(value, 60);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &value);
    EXPECT_EQ(value, GL_RGB8);
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

// A texture is kept from one showing to the next: a change drawn into the picture reaches it
// through an upload of just that area, and a picture of another size gets storage of its size.
TEST_F(WindowTexture, KeptTexturesTakeChangedAreasAndNewSizes) {
    recreate(201, 131);
    screen.rects[1] = Rect{0, 0, 201, 131};
    list->Add(1, "C", "", 1, noisePicture(201, 131, 7));
    TWindowInfo& record = list->Items(0);
    record.BuildTexture(screen);
    const std::uint32_t name = record.Texture;

    CaptureImage& picture = record.WritablePicture();
    for (int y = 40; y < 60; ++y)
        for (int x = 150; x < 190; ++x)
            picture.setPixel(x, y, 0x123456);
    record.PictureChanged(Rect{150, 40, 190, 60});
    // Outside the area the texture keeps what it had, even where the picture differs.
    const std::uint32_t untold = picture.pixel(3, 3);
    picture.setPixel(3, 3, untold ^ 0xffffff);
    record.UpdateTexture();
    expectNoGLError("UpdateTexture");
    EXPECT_EQ(record.Texture, name);
    drawRecord(record, 201, 131);
    EXPECT_EQ(gl->pixel(150, 40), 0x123456u);
    EXPECT_EQ(gl->pixel(189, 59), 0x123456u);
    EXPECT_NE(gl->pixel(149, 40), 0x123456u);
    EXPECT_NE(gl->pixel(150, 60), 0x123456u);
    EXPECT_EQ(gl->pixel(3, 3), untold);

    // Resized: the whole new picture, addressed by the geometry of its new size.
    recreate(90, 250);
    list->Update(0, 1, "C", "", 1, noisePicture(90, 250, 8));
    screen.rects[1] = Rect{0, 0, 90, 250};
    const CaptureImage resized = *record.Bitmap;
    record.BuildTexture(screen);
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, record.Texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &value);
    EXPECT_EQ(value, 90);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &value);
    EXPECT_EQ(value, 250);
    EXPECT_FLOAT_EQ(record.TexS, 90.0f / 128);
    EXPECT_FLOAT_EQ(record.TexT, 250.0f / 256);
    drawRecord(record, 90, 250);
    int wrong = 0;
    for (int y = 0; y < 250; ++y)
        for (int x = 0; x < 90; ++x)
            wrong += gl->pixel(x, y) != resized.pixel(x, y) ? 1 : 0;
    EXPECT_EQ(wrong, 0);

    // After drawing, other textures see the texture matrix as it was.
    GLfloat matrix[16] = {};
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(matrix[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
    GLuint texture = record.Texture;
    glDeleteTextures(1, &texture);
}

TEST_F(WindowTexture, ARecordWithoutAPictureIsRefused) {
    list->Add(1, "C", "", 1, nullptr);
    EXPECT_THROW(list->Items(0).BuildTexture(screen), std::logic_error);
    EXPECT_EQ(list->Items(0).Texture, 0u);
}

} // namespace
