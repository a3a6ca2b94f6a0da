// X11Capture: prints a window through its Composite pixmap, read with MIT-SHM or XGetImage.
#include "platform/x11/X11Batch.h"
#include "platform/x11/X11PlatformImpl.h"
#include "platform/x11/XErrorTrap.h"

#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <thread>

namespace zorvane::x11 {

namespace {

struct XImageDeleter {
    void operator()(XImage* image) const {
        if (image != nullptr)
            XDestroyImage(image);
    }
};

// Pixmap named for one capture; freed when the capture ends.
class NamedPixmap {
public:
    NamedPixmap(Display* display, Pixmap pixmap) : display_(display), pixmap_(pixmap) {}
    ~NamedPixmap() {
        // A pixmap whose naming failed was never made: freeing it raises an error that the
        // process-wide handler drops.
        if (pixmap_ != None)
            XFreePixmap(display_, pixmap_);
    }
    NamedPixmap(const NamedPixmap&) = delete;
    NamedPixmap& operator=(const NamedPixmap&) = delete;
    Pixmap get() const { return pixmap_; }

private:
    Display* display_;
    Pixmap pixmap_;
};

// Channel extraction for any TrueColor layout: value & mask, shifted down to 8 bits.
struct Channel {
    unsigned long mask;
    int shift;
    int bits;
    explicit Channel(unsigned long m)
        : mask(m), shift(m ? std::countr_zero(m) : 0), bits(m ? std::popcount(m) : 0) {}
    std::uint8_t of(unsigned long pixel) const {
        if (bits == 0)
            return 0;
        const unsigned long value = (pixel & mask) >> shift;
        return bits >= 8 ? static_cast<std::uint8_t>(value >> (bits - 8))
                         : static_cast<std::uint8_t>(value * 255 / ((1ul << bits) - 1));
    }
};

// Copies the XImage into the capture image with its top-left corner at (left, top); the area
// outside either stays as it is.
void copyInto(XImage* source, const Visual* visual, CaptureImage& image, int left = 0, int top = 0) {
    const int width = std::min(source->width, image.width() - left);
    const int height = std::min(source->height, image.height() - top);
    if (width <= 0 || height <= 0)
        return;
    // XGetImage leaves the image's channel masks empty: the visual's are the ones that hold.
    const bool bgrx = source->bits_per_pixel == 32 && visual->red_mask == 0xFF0000 &&
                      visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF &&
                      source->byte_order == LSBFirst;
    if (bgrx) {
        // The picture's own layout: rows are copied as they come.
        const auto* data = reinterpret_cast<const std::uint8_t*>(source->data);
        const std::size_t bytes = static_cast<std::size_t>(width) * CaptureImage::kBytesPerPixel;
        for (int y = 0; y < height; ++y)
            std::memcpy(image.row(top + y) + static_cast<std::size_t>(left) * CaptureImage::kBytesPerPixel,
                        data + static_cast<std::size_t>(y) * source->bytes_per_line, bytes);
        return;
    }
    // Any other TrueColor layout (16-bit, 30-bit, big-endian servers): rare, so the generic way.
    const Channel red(visual->red_mask);
    const Channel green(visual->green_mask);
    const Channel blue(visual->blue_mask);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out =
            image.row(top + y) + static_cast<std::size_t>(left) * CaptureImage::kBytesPerPixel;
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(source, x, y);
            out[4 * x] = blue.of(pixel);
            out[4 * x + 1] = green.of(pixel);
            out[4 * x + 2] = red.of(pixel);
            out[4 * x + 3] = 0;
        }
    }
}

} // namespace

ShmImage::ShmImage(Display* display, Visual* visual, int depth, int width, int height, std::size_t minBytes)
    : display_(display), visual_(visual), depth_(depth) {
    image_ = XShmCreateImage(display_, visual, static_cast<unsigned int>(depth), ZPixmap, nullptr, &segment_,
                             static_cast<unsigned int>(width), static_cast<unsigned int>(height));
    if (image_ == nullptr)
        return;
    const std::size_t size = std::max(
        static_cast<std::size_t>(image_->bytes_per_line) * static_cast<std::size_t>(height), minBytes);
    segment_.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (segment_.shmid < 0)
        return;
    segment_.shmaddr = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
    // Marked for removal at once: the kernel frees it when both sides have detached, even if we crash.
    shmctl(segment_.shmid, IPC_RMID, nullptr);
    if (segment_.shmaddr == reinterpret_cast<char*>(-1)) {
        segment_.shmaddr = nullptr;
        return;
    }
    image_->data = segment_.shmaddr;
    capacity_ = size;
    segment_.readOnly = False;
    XErrorTrap trap(display_);
    XShmAttach(display_, &segment_);
    attached_ = !trap.failed();
}

ShmImage::~ShmImage() {
    if (attached_) {
        XErrorTrap trap(display_);
        XShmDetach(display_, &segment_);
    }
    if (image_ != nullptr) {
        image_->data = nullptr; // the segment is not Xlib's to free
        XDestroyImage(image_);
    }
    if (segment_.shmaddr != nullptr)
        shmdt(segment_.shmaddr);
}

int ShmImage::strideFor(int width) const {
    const int padBits = image_->bitmap_pad;
    return ((width * image_->bits_per_pixel + padBits - 1) / padBits) * (padBits / 8);
}

bool ShmImage::fits(Visual* visual, int depth, int width, int height) const {
    return attached_ && visual == visual_ && depth == depth_ &&
           static_cast<std::size_t>(strideFor(width)) * static_cast<std::size_t>(height) <= capacity_;
}

bool X11Platform::redirectTopLevels() {
    std::vector<Window> frames;
    {
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display_, root_, &rootReturn, &parent, &children, &count) && children != nullptr) {
            for (unsigned int i = 0; i < count; ++i) {
                XWindowAttributes attributes;
                if (children[i] != helper_ && XGetWindowAttributes(display_, children[i], &attributes) &&
                    attributes.map_state == IsViewable && attributes.c_class == InputOutput)
                    frames.push_back(children[i]);
            }
        }
        if (children != nullptr)
            XFree(children);
    }
    // Windows that are already redirected (a compositor runs, or another instance) keep their
    // pictures and are not remapped by our request.
    bool alreadyRedirected = false;
    if (!frames.empty()) {
        XErrorTrap trap(display_);
        const Pixmap probe = XCompositeNameWindowPixmap(display_, frames.front());
        alreadyRedirected = !trap.failed();
        if (alreadyRedirected)
            XFreePixmap(display_, probe);
    }
    {
        XErrorTrap trap(display_);
        XCompositeRedirectSubwindows(display_, root_, CompositeRedirectAutomatic);
        if (trap.failed())
            return false;
    }
    int damageEvent = 0;
    int damageError = 0;
    if (alreadyRedirected || frames.empty() || !XDamageQueryExtension(display_, &damageEvent, &damageError))
        return true;
    // Redirection remaps each window: its new picture holds only the background until its
    // program answers the exposure and paints. Damage after this point is that paint.
    std::vector<std::pair<Window, Damage>> waiting;
    {
        XErrorTrap trap(display_);
        for (Window frame : frames)
            waiting.emplace_back(frame, XDamageCreate(display_, frame, XDamageReportNonEmpty));
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    std::vector<Window> painted;
    while (painted.size() < waiting.size() && std::chrono::steady_clock::now() < deadline) {
        XSync(display_, False);
        XEvent event;
        bool any = false;
        while (XCheckTypedEvent(display_, damageEvent + XDamageNotify, &event)) {
            const Drawable drawable = reinterpret_cast<XDamageNotifyEvent*>(&event)->drawable;
            if (std::find(painted.begin(), painted.end(), drawable) == painted.end())
                painted.push_back(drawable);
            any = true;
        }
        if (!any)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    XErrorTrap trap(display_);
    for (const auto& [frame, damage] : waiting)
        XDamageDestroy(display_, damage);
    XSync(display_, False);
    XEvent event;
    while (XCheckTypedEvent(display_, damageEvent + XDamageNotify, &event)) {
    }
    return true;
}

bool X11Platform::captureDrawable(Drawable drawable, Visual* visual, int depth, int left, int top, int width,
                                  int height, CaptureImage& image) {
    if (width <= 0 || height <= 0)
        return false;
    if (useShm_) {
        if (!shm_ || !shm_->fits(visual, depth, width, height)) {
            const std::size_t keep = shm_ ? shm_->capacity() : 0;
            shm_.reset();
            shm_ = std::make_unique<ShmImage>(display_, visual, depth, width, height, keep);
        }
        if (shm_->valid()) {
            XImage* target = shm_->image();
            // The server writes width x height rows packed at its scanline pad: describe exactly
            // that area to Xlib for the read, then restore the segment's full size.
            const int savedWidth = target->width;
            const int savedHeight = target->height;
            const int savedStride = target->bytes_per_line;
            target->width = width;
            target->height = height;
            target->bytes_per_line = shm_->strideFor(width);
            // A request with a reply reports its error in its status: no trap (and no extra
            // round trips) needed.
            const Status ok = XShmGetImage(display_, drawable, target, left, top, AllPlanes);
            if (ok)
                copyInto(target, visual, image, left, top);
            target->width = savedWidth;
            target->height = savedHeight;
            target->bytes_per_line = savedStride;
            return ok != 0;
        }
        // The server cannot attach our memory (a remote display): read through the connection
        // from now on instead of trying again for every window.
        shm_.reset();
        useShm_ = false;
    }
    std::unique_ptr<XImage, XImageDeleter> read(
        XGetImage(display_, drawable, left, top, static_cast<unsigned int>(width),
                  static_cast<unsigned int>(height), AllPlanes, ZPixmap));
    if (!read)
        return false;
    copyInto(read.get(), visual, image, left, top);
    return true;
}

bool X11Platform::frameIsCovered(Window frame) {
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, root_, &rootReturn, &parent, &children, &count) || children == nullptr)
        return true; // the stacking is unknown: better no picture than a wrong one
    std::unique_ptr<Window, int (*)(void*)> owned(children, XFree);
    // The root's children come bottom first: only those after the frame are above it.
    const auto* self = std::find(children, children + count, frame);
    XWindowAttributes own;
    if (self == children + count || !XGetWindowAttributes(display_, frame, &own))
        return true;
    const int left = own.x;
    const int top = own.y;
    const int right = own.x + own.width + 2 * own.border_width;
    const int bottom = own.y + own.height + 2 * own.border_width;
    for (const Window* above = self + 1; above < children + count; ++above) {
        XWindowAttributes other;
        if (*above == helper_ || !XGetWindowAttributes(display_, *above, &other) ||
            other.map_state != IsViewable || other.c_class != InputOutput)
            continue;
        const int otherRight = other.x + other.width + 2 * other.border_width;
        const int otherBottom = other.y + other.height + 2 * other.border_width;
        if (other.x < right && otherRight > left && other.y < bottom && otherBottom > top)
            return true;
    }
    return false;
}

bool X11Platform::printWindow(WindowHandle window, CaptureImage& image) {
    return printFrame(static_cast<Window>(window), image, nullptr);
}

bool X11Platform::printWindowArea(WindowHandle window, CaptureImage& image, const Rect& area) {
    return printFrame(static_cast<Window>(window), image, &area);
}

bool X11Platform::printFrame(Window window, CaptureImage& image, const Rect* area) {
    const Window frame = frameOf(window);
    if (frame == None)
        return false;
    // Both asked before either answer is awaited. A minimised client is unmapped even where its
    // window manager keeps the frame mapped; a viewable client's frame is viewable too, so only
    // the frame's size and depth are needed of it.
    WindowSnapshot answers;
    {
        RequestBatch batch(display_);
        batch.attributes(window);
        batch.geometry(frame);
        batch.readInto(answers);
    }
    if (answers.mapStates[window] != IsViewable)
        return false;
    const auto geometry = answers.geometries[frame];
    if (!geometry)
        return false;
    const unsigned int frameWidth = geometry->width;
    const unsigned int frameHeight = geometry->height;
    const unsigned int border = geometry->border;
    const unsigned int depth = geometry->depth;
    XVisualInfo visual{};
    if (!XMatchVisualInfo(display_, screen_, static_cast<int>(depth), TrueColor, &visual))
        return false; // colour-mapped frames are not read
    // Nothing beyond the image is read: a window that grew since its rectangle was read (or an
    // absurdly large one) costs no more than the image it is printed into.
    const int width = std::min(static_cast<int>(frameWidth + 2 * border), image.width());
    const int height = std::min(static_cast<int>(frameHeight + 2 * border), image.height());
    Rect part{0, 0, width, height};
    if (area != nullptr)
        part = Rect{std::max(area->left, 0), std::max(area->top, 0), std::min(area->right, width),
                    std::min(area->bottom, height)};
    if (part.width() <= 0 || part.height() <= 0)
        return area != nullptr; // nothing of the area is left inside the picture
    if (hasComposite_) {
        // No error trap (two round trips): if the window is unmapped meanwhile, the naming fails
        // quietly and so does the read of the unnamed pixmap, which reports it in its status.
        NamedPixmap named(display_, XCompositeNameWindowPixmap(display_, frame));
        return captureDrawable(named.get(), visual.visual, visual.depth, part.left, part.top, part.width(),
                               part.height(), image);
    }
    // Without Composite only what shows on the screen can be read, and a covered frame would show
    // its neighbour's pixels under its own name: such a window has no picture this time.
    if (frameIsCovered(frame))
        return false;
    part.right = std::min(part.right, static_cast<int>(frameWidth));
    part.bottom = std::min(part.bottom, static_cast<int>(frameHeight));
    if (part.width() <= 0 || part.height() <= 0)
        return area != nullptr;
    return captureDrawable(frame, visual.visual, visual.depth, part.left, part.top, part.width(),
                           part.height(), image);
}

} // namespace zorvane::x11
