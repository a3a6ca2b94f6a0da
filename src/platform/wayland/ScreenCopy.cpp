// ScreenCopy: the screencopy frame's events (buffer offers, flags, ready or failed), a shared-memory
// buffer of the offered size, and the conversion of what arrives into a capture picture.
#include "platform/wayland/ScreenCopy.h"

#include "platform/wayland/WaylandDisplay.h"

#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace zorvane::wayland {

// A memfd mapped into this process and shared with the compositor as one wl_buffer.
class ShmBuffer {
public:
    ShmBuffer(wl_shm* shm, int width, int height, int stride, std::uint32_t format)
        : width_(width), height_(height), stride_(stride), format_(format) {
        size_ = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
        fd_ = memfd_create("zorvane-screencopy", MFD_CLOEXEC);
        if (fd_ < 0 || ftruncate(fd_, static_cast<off_t>(size_)) != 0)
            return;
        void* mapped = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        if (mapped == MAP_FAILED)
            return;
        data_ = static_cast<std::uint8_t*>(mapped);
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd_, static_cast<int32_t>(size_));
        buffer_ = wl_shm_pool_create_buffer(pool, 0, width, height, stride, format);
        wl_shm_pool_destroy(pool);
    }
    ~ShmBuffer() {
        if (buffer_)
            wl_buffer_destroy(buffer_);
        if (data_)
            munmap(data_, size_);
        if (fd_ >= 0)
            close(fd_);
    }
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;
    wl_buffer* buffer() const { return buffer_; }
    const std::uint8_t* data() const { return data_; }
    bool fits(int width, int height, int stride, std::uint32_t format) const {
        return width == width_ && height == height_ && stride == stride_ && format == format_;
    }

private:
    int width_, height_, stride_;
    std::uint32_t format_;
    int fd_ = -1;
    std::size_t size_ = 0;
    std::uint8_t* data_ = nullptr;
    wl_buffer* buffer_ = nullptr;
};

namespace {

bool readableFormat(std::uint32_t format) {
    return format == WL_SHM_FORMAT_XRGB8888 || format == WL_SHM_FORMAT_ARGB8888 ||
           format == WL_SHM_FORMAT_XBGR8888 || format == WL_SHM_FORMAT_ABGR8888;
}

struct FrameState {
    bool offered = false; // a shared-memory buffer description arrived
    bool offersDone = false;
    std::uint32_t format = 0;
    int width = 0, height = 0, stride = 0;
    bool yInvert = false;
    bool ready = false;
    bool failed = false;
};

void frameBuffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height,
                 uint32_t stride) {
    auto* state = static_cast<FrameState*>(data);
    // The first readable offer wins; a compositor may offer several.
    if (state->offered && readableFormat(state->format))
        return;
    state->offered = true;
    state->format = format;
    state->width = static_cast<int>(width);
    state->height = static_cast<int>(height);
    state->stride = static_cast<int>(stride);
}
void frameFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
    static_cast<FrameState*>(data)->yInvert = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}
void frameReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
    static_cast<FrameState*>(data)->ready = true;
}
void frameFailed(void* data, zwlr_screencopy_frame_v1*) {
    static_cast<FrameState*>(data)->failed = true;
}
void frameDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void frameDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
void frameBufferDone(void* data, zwlr_screencopy_frame_v1*) {
    static_cast<FrameState*>(data)->offersDone = true;
}
const zwlr_screencopy_frame_v1_listener kFrameListener = {
    frameBuffer, frameFlags, frameReady, frameFailed, frameDamage, frameDmabuf, frameBufferDone};

struct FrameGuard {
    zwlr_screencopy_frame_v1* frame;
    ~FrameGuard() { zwlr_screencopy_frame_v1_destroy(frame); }
};

} // namespace

bool ConvertShmPicture(const std::uint8_t* data, int stride, std::uint32_t format, bool yInvert,
                       CaptureImage& image) {
    if (!readableFormat(format))
        return false;
    // XRGB8888 little-endian is blue, green, red, unused: the capture picture's own layout.
    const bool swapRedBlue = format == WL_SHM_FORMAT_XBGR8888 || format == WL_SHM_FORMAT_ABGR8888;
    const std::size_t rowBytes = image.stride();
    for (int y = 0; y < image.height(); ++y) {
        const int sourceRow = yInvert ? image.height() - 1 - y : y;
        const std::uint8_t* source =
            data + static_cast<std::size_t>(sourceRow) * static_cast<std::size_t>(stride);
        std::uint8_t* target = image.row(y);
        if (!swapRedBlue) {
            std::memcpy(target, source, rowBytes);
            continue;
        }
        for (int x = 0; x < image.width(); ++x) {
            target[4 * x] = source[4 * x + 2];
            target[4 * x + 1] = source[4 * x + 1];
            target[4 * x + 2] = source[4 * x];
            target[4 * x + 3] = 0;
        }
    }
    return true;
}

ScreenCopier::ScreenCopier(WaylandDisplay& display) : display_(display) {}

ScreenCopier::~ScreenCopier() = default;

std::unique_ptr<CaptureImage> ScreenCopier::copy(const Output& output) {
    WaylandDisplay& display = display_;
    zwlr_screencopy_manager_v1* manager = display.screencopyManager();
    if (!manager || !display.shm())
        return nullptr;
    FrameState state;
    FrameGuard frame{zwlr_screencopy_manager_v1_capture_output(manager, 0, output.output)};
    zwlr_screencopy_frame_v1_add_listener(frame.frame, &kFrameListener, &state);
    // Version 3 lists every offer and then says so; older versions offer one buffer.
    const bool listsOffers = zwlr_screencopy_frame_v1_get_version(frame.frame) >= 3;
    while (!state.failed && !(listsOffers ? state.offersDone : state.offered)) {
        if (wl_display_dispatch(display.display()) < 0)
            return nullptr;
    }
    if (state.failed || !readableFormat(state.format) || state.width <= 0 || state.height <= 0 ||
        state.stride < 4 * state.width)
        return nullptr;
    if (!buffer_ || !buffer_->fits(state.width, state.height, state.stride, state.format))
        buffer_ =
            std::make_unique<ShmBuffer>(display.shm(), state.width, state.height, state.stride, state.format);
    if (!buffer_->buffer()) {
        buffer_.reset();
        return nullptr;
    }
    zwlr_screencopy_frame_v1_copy(frame.frame, buffer_->buffer());
    while (!state.ready && !state.failed) {
        if (wl_display_dispatch(display.display()) < 0)
            return nullptr;
    }
    if (!state.ready)
        return nullptr;
    auto image = std::make_unique<CaptureImage>(state.width, state.height);
    if (!ConvertShmPicture(buffer_->data(), state.stride, state.format, state.yInvert, *image))
        return nullptr;
    return image;
}

} // namespace zorvane::wayland
