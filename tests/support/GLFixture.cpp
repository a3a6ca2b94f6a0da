// GLFixture: offscreen context set-up and a GL error check for drawing tests.
#include "support/GLFixture.h"

#include <GL/gl.h>

namespace zorvane::test {

void GLFixture::recreate(int width, int height) {
    gl.reset();
    gl = std::make_unique<OffscreenGL>(width, height);
}

void GLFixture::expectNoGLError(const char* where) {
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError())
        ADD_FAILURE() << where << ": GL error 0x" << std::hex << error;
}

} // namespace zorvane::test
