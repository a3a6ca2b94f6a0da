// OffscreenGL: EGL surfaceless context with a pbuffer, plus a small PNG writer for its frames.
#include "gl/OffscreenGL.h"

#include <stb/stb_image_write.h>

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace zorvane {

struct OffscreenGL::Egl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;

    ~Egl() {
        if (display == EGL_NO_DISPLAY)
            return;
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (surface != EGL_NO_SURFACE)
            eglDestroySurface(display, surface);
        if (context != EGL_NO_CONTEXT)
            eglDestroyContext(display, context);
        eglTerminate(display);
    }
};

namespace {

[[noreturn]] void fail(const char* step) {
    char text[160];
    std::snprintf(text, sizeof text, "offscreen OpenGL: %s failed (EGL error 0x%04x)", step, eglGetError());
    throw std::runtime_error(text);
}

} // namespace

OffscreenGL::OffscreenGL(int width, int height) : egl_(std::make_unique<Egl>()), width_(width), height_(height) {
    if (width <= 0 || height <= 0)
        throw std::runtime_error("offscreen OpenGL: the size must be positive");
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        fail("eglGetPlatformDisplayEXT lookup");
    egl_->display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (egl_->display == EGL_NO_DISPLAY)
        fail("eglGetPlatformDisplayEXT(surfaceless)");
    if (!eglInitialize(egl_->display, nullptr, nullptr))
        fail("eglInitialize");
    if (!eglBindAPI(EGL_OPENGL_API))
        fail("eglBindAPI(OpenGL)");

    const std::array<EGLint, 17> configAttribs = {EGL_SURFACE_TYPE,
                                                  EGL_PBUFFER_BIT,
                                                  EGL_RENDERABLE_TYPE,
                                                  EGL_OPENGL_BIT,
                                                  EGL_RED_SIZE,
                                                  8,
                                                  EGL_GREEN_SIZE,
                                                  8,
                                                  EGL_BLUE_SIZE,
                                                  8,
                                                  EGL_ALPHA_SIZE,
                                                  8,
                                                  EGL_DEPTH_SIZE,
                                                  24,
                                                  EGL_STENCIL_SIZE,
                                                  0,
                                                  EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (!eglChooseConfig(egl_->display, configAttribs.data(), &config, 1, &found) || found < 1)
        fail("eglChooseConfig");

    const std::array<EGLint, 5> surfaceAttribs = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    egl_->surface = eglCreatePbufferSurface(egl_->display, config, surfaceAttribs.data());
    if (egl_->surface == EGL_NO_SURFACE)
        fail("eglCreatePbufferSurface");

    const std::array<EGLint, 3> contextAttribs = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                                  EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    egl_->context = eglCreateContext(egl_->display, config, EGL_NO_CONTEXT, contextAttribs.data());
    if (egl_->context == EGL_NO_CONTEXT)
        fail("eglCreateContext");
    makeCurrent();
    glViewport(0, 0, width, height);
}

OffscreenGL::~OffscreenGL() = default;

void OffscreenGL::makeCurrent() {
    if (!eglMakeCurrent(egl_->display, egl_->surface, egl_->surface, egl_->context))
        fail("eglMakeCurrent");
}

void OffscreenGL::finish() { glFinish(); }

std::vector<std::uint8_t> OffscreenGL::readRGBA() const {
    std::vector<std::uint8_t> bottomUp(static_cast<std::size_t>(width_) * height_ * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<std::uint8_t> topDown(bottomUp.size());
    const std::size_t row = static_cast<std::size_t>(width_) * 4;
    for (int y = 0; y < height_; ++y)
        std::memcpy(&topDown[y * row], &bottomUp[(height_ - 1 - y) * row], row);
    return topDown;
}

std::uint32_t OffscreenGL::pixel(int x, int y) const {
    std::uint8_t rgba[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, height_ - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return (std::uint32_t{rgba[0]} << 16) | (std::uint32_t{rgba[1]} << 8) | rgba[2];
}

bool OffscreenGL::savePNG(const std::string& path) const { return writePNG(path, width_, height_, readRGBA()); }

bool writePNG(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba) {
    if (width <= 0 || height <= 0 || rgba.size() < static_cast<std::size_t>(width) * height * 4)
        return false;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i)
        std::memcpy(&rgb[i * 3], &rgba[i * 4], 3);
    return stbi_write_png(path.c_str(), width, height, 3, rgb.data(), width * 3) != 0;
}

} // namespace zorvane
