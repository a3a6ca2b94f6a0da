// GLFixture: gives a test an offscreen legacy OpenGL context, current on the test's thread.
#pragma once

#include "gl/OffscreenGL.h"

#include <gtest/gtest.h>

#include <memory>

namespace zorvane::test {

class GLFixture : public ::testing::Test {
protected:
    // Screen-sized offscreen target; tests that need another size call recreate().
    void SetUp() override { recreate(320, 240); }
    void recreate(int width, int height);
    // Fails the test with the caller's name when GL reported an error since the last check.
    void expectNoGLError(const char* where);

    std::unique_ptr<OffscreenGL> gl;
};

} // namespace zorvane::test
