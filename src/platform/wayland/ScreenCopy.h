// ScreenCopy: one output's picture through the wlr screencopy protocol, into shared memory and
// from there into a capture picture (device pixels, top row first, whatever the compositor's
// format, stride and orientation).
#pragma once

#include "image/CaptureImage.h"

#include <memory>

namespace zorvane::wayland {

class WaylandDisplay;
struct Output;

// Copies the whole output (without the pointer). Waits for the compositor (bounded by the
// connection: a compositor that stops answering fails the round trip). Null when the compositor
// offers no screen copies, refuses this one, or uses a format this code cannot read.
std::unique_ptr<CaptureImage> CopyOutput(WaylandDisplay& display, const Output& output);

// Puts a 32-bit shared-memory picture into `image` (same size): `format` is a wl_shm format;
// `yInvert` says the rows arrive bottom row first. False for a format that is not 32-bit RGB.
bool ConvertShmPicture(const std::uint8_t* data, int stride, std::uint32_t format, bool yInvert,
                       CaptureImage& image);

} // namespace zorvane::wayland
