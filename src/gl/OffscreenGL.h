// OffscreenGL: a legacy (compatibility profile) OpenGL context with no window, for tests and
// zorvane-render. Mesa's surfaceless EGL platform with a pbuffer: it needs no X server and no GPU.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zorvane {

class OffscreenGL {
public:
    // Creates the context and makes it current on the calling thread. Throws std::runtime_error
    // with the failing step named when EGL cannot provide one.
    OffscreenGL(int width, int height);
    ~OffscreenGL();
    OffscreenGL(const OffscreenGL&) = delete;
    OffscreenGL& operator=(const OffscreenGL&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    void makeCurrent();
    // Waits for drawing to finish (the pbuffer is single-buffered, so nothing is swapped).
    void finish();

    // The colour buffer as tightly packed RGBA rows, top row first.
    std::vector<std::uint8_t> readRGBA() const;
    // Pixel (x, y) counted from the top-left as 0xRRGGBB.
    std::uint32_t pixel(int x, int y) const;
    // Writes the colour buffer as a PNG file (8-bit RGB). Returns false when the file cannot be written.
    bool savePNG(const std::string& path) const;

private:
    struct Egl;
    std::unique_ptr<Egl> egl_;
    int width_;
    int height_;
};

// Encodes top-down RGBA rows as an 8-bit RGB PNG (no alpha). Returns false on a write failure.
bool writePNG(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba);

} // namespace zorvane
