// The offscreen context itself: legacy drawing works and reads back the right way up.
#include "support/GLFixture.h"

#include <GL/gl.h>

#include <filesystem>

using zorvane::test::GLFixture;

TEST_F(GLFixture, ImmediateModeDrawsAndReadsBackTopRowFirst) {
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 320, 240, 0, -1, 1); // y down, as on screen
    glColor3f(1, 0, 0);
    glBegin(GL_QUADS);
    glVertex2f(0, 0);
    glVertex2f(320, 0);
    glVertex2f(320, 10);
    glVertex2f(0, 10);
    glEnd();
    gl->finish();
    expectNoGLError("draw");
    EXPECT_EQ(gl->pixel(5, 5), 0xff0000u);
    EXPECT_EQ(gl->pixel(5, 200), 0x0000ffu);
    EXPECT_EQ(gl->readRGBA()[0], 0xff);

    const auto png = std::filesystem::temp_directory_path() / "zv-offscreen.png";
    ASSERT_TRUE(gl->savePNG(png.string()));
    EXPECT_GT(std::filesystem::file_size(png), 50u);
    std::filesystem::remove(png);
}
