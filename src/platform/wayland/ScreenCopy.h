// ScreenCopy: one output's picture through the wlr screencopy protocol, into shared memory and
// from there into a capture picture (device pixels, top row first, whatever the compositor's
// format, stride and orientation).
#pragma once

#include "image/CaptureImage.h"

#include <memory>

namespace zorvane::wayland {

class WaylandDisplay;
struct Output;

class ShmBuffer;

// Copies outputs (without the pointer), keeping its shared-memory buffer from one copy to the
// next: fresh memory costs a page fault per 4 KiB, more than the copy itself.
class ScreenCopier {
public:
    explicit ScreenCopier(WaylandDisplay& display);
    ~ScreenCopier();
    ScreenCopier(const ScreenCopier&) = delete;
    ScreenCopier& operator=(const ScreenCopier&) = delete;

    // Waits for the compositor (a compositor that stops answering fails the connection). Null when
    // it offers no screen copies, refuses this one, or uses a format this code cannot read.
    std::unique_ptr<CaptureImage> copy(const Output& output);

private:
    WaylandDisplay& display_;
    std::unique_ptr<ShmBuffer> buffer_;
};

// Puts a 32-bit shared-memory picture into `image` (same size): `format` is a wl_shm format;
// `yInvert` says the rows arrive bottom row first. False for a format that is not 32-bit RGB.
bool ConvertShmPicture(const std::uint8_t* data, int stride, std::uint32_t format, bool yInvert,
                       CaptureImage& image);

} // namespace zorvane::wayland
