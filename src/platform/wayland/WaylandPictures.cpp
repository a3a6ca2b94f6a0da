// WaylandPictures: window pictures cut out of output copies. Each output holding a shown window is
// copied once per capture cycle; a window not shown now keeps the picture it had when last seen.
// While Zorvane waits in the background, a focus or workspace change refreshes what shows (at
// most every kRefreshInterval), so a window on another workspace looks as it did when the user left.
#include "platform/wayland/ScreenCopy.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandPlatform.h"
#include "platform/wayland/WaylandPlatformImpl.h"

#include <algorithm>
#include <cstring>
#include <sys/timerfd.h>

namespace zorvane::wayland {

namespace {

constexpr auto kRefreshInterval = std::chrono::milliseconds(250);

// Copies the part of `source` under `rect` (desktop device pixels; the source's corner at
// `origin`) into `target` from its corner; what lies outside the source stays black.
void cut(const CaptureImage& source, int originX, int originY, const Rect& rect, CaptureImage& target) {
    const int left = std::max(rect.left, originX);
    const int right = std::min({rect.right, originX + source.width(), rect.left + target.width()});
    if (left >= right)
        return;
    for (int y = rect.top; y < rect.bottom && y - rect.top < target.height(); ++y) {
        const int sy = y - originY;
        if (sy < 0 || sy >= source.height())
            continue;
        std::memcpy(target.row(y - rect.top) +
                        CaptureImage::kBytesPerPixel * static_cast<std::size_t>(left - rect.left),
                    source.row(sy) + CaptureImage::kBytesPerPixel * static_cast<std::size_t>(left - originX),
                    static_cast<std::size_t>(right - left) * CaptureImage::kBytesPerPixel);
    }
}

} // namespace

const CaptureImage* WaylandPlatform::outputPicture(const std::string& name) {
    auto found = outputCopies_.find(name);
    if (found != outputCopies_.end())
        return found->second.get();
    const Output* output = display_->outputNamed(name);
    std::unique_ptr<CaptureImage> copy = output ? copier_->copy(*output) : nullptr;
    const CaptureImage* result = copy.get();
    outputCopies_[name] = std::move(copy);
    return result;
}

bool WaylandPlatform::cutPicture(const WindowRecord& record, CaptureImage& image) {
    if (!record.onScreen || record.rect.empty())
        return false;
    const Output* output = display_->outputNamed(record.output);
    const CaptureImage* copy = output ? outputPicture(record.output) : nullptr;
    if (!copy)
        return false;
    cut(*copy, output->logicalX * output->scale, output->logicalY * output->scale, record.rect, image);
    return true;
}

void WaylandPlatform::keepPicture(WindowHandle window, const CaptureImage& image) {
    KeptPicture& kept = pictures_[window];
    const bool same = kept.image && kept.image->width() == image.width() &&
                      kept.image->height() == image.height() &&
                      std::memcmp(kept.image->bits(), image.bits(), image.byteSize()) == 0;
    if (same)
        return;
    kept.image = std::make_shared<CaptureImage>(image);
    ++kept.version;
}

PictureChange WaylandPlatform::takePictureChange(WindowHandle window) {
    const WindowRecord* found = record(window);
    if (!found)
        return {};
    // A shown window is cut out again and compared with what it showed last: the picture (and
    // its texture) is taken again only when it changed.
    if (found->onScreen && !found->rect.empty()) {
        try {
            CaptureImage image(found->rect.width(), found->rect.height());
            if (cutPicture(*found, image)) {
                keepPicture(window, image);
                pictures_[window].cycle = cycle_;
            }
        } catch (...) {
            return {};
        }
    }
    const auto kept = pictures_.find(window);
    if (kept == pictures_.end())
        return {};
    const auto delivered = delivered_.find(window);
    if (delivered != delivered_.end() && delivered->second == kept->second.version)
        return PictureChange{false, false, {}};
    return {};
}

bool WaylandPlatform::printWindow(WindowHandle window, CaptureImage& image) {
    const WindowRecord* found = record(window);
    if (!found)
        return false;
    auto kept = pictures_.find(window);
    // Cut out just now by takePictureChange, or cut out here.
    const bool fresh = kept != pictures_.end() && found->onScreen && kept->second.cycle == cycle_;
    if (!fresh && cutPicture(*found, image)) {
        keepPicture(window, image);
        kept = pictures_.find(window);
        kept->second.cycle = cycle_;
        delivered_[window] = kept->second.version;
        return true;
    }
    // Not shown now: the picture it had when last seen, if its size still fits.
    if (kept == pictures_.end() || kept->second.image->width() != image.width() ||
        kept->second.image->height() != image.height())
        return false;
    std::memcpy(image.bits(), kept->second.image->bits(), image.byteSize());
    delivered_[window] = kept->second.version;
    return true;
}

void WaylandPlatform::watchOnly(const std::vector<WindowHandle>& windows) {
    std::erase_if(delivered_, [&](const auto& entry) {
        return std::find(windows.begin(), windows.end(), entry.first) == windows.end();
    });
}

void WaylandPlatform::scheduleRefresh() {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastRefresh_ >= kRefreshInterval) {
        refreshVisiblePictures();
        return;
    }
    if (refreshPending_)
        return;
    refreshPending_ = true;
    const auto wait =
        std::chrono::duration_cast<std::chrono::nanoseconds>(kRefreshInterval - (now - lastRefresh_));
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(wait.count() / 1000000000);
    when.it_value.tv_nsec = static_cast<long>(wait.count() % 1000000000);
    timerfd_settime(timer_.get(), 0, &when, nullptr);
}

void WaylandPlatform::refreshVisiblePictures() {
    lastRefresh_ = std::chrono::steady_clock::now();
    refreshRecords();
    const std::vector<WindowRecord> before = records_;
    outputCopies_.clear();
    // An output showing one of our own windows (the view, a dialog) would picture that instead.
    std::vector<std::string> covered;
    for (const WindowRecord& record : before) {
        if (record.own && record.onScreen)
            covered.push_back(record.output);
    }
    const auto usable = [&](const WindowRecord& record) {
        return !record.own && record.onScreen && !record.rect.empty() &&
               std::find(covered.begin(), covered.end(), record.output) == covered.end();
    };
    for (const WindowRecord& record : before) {
        if (usable(record))
            outputPicture(record.output);
    }
    // The user may have moved on while the copies were made: only a window shown in the same place
    // before and after them is cut out of them.
    refreshRecords();
    for (const WindowRecord& record : records_) {
        const auto was = std::find_if(before.begin(), before.end(),
                                      [&](const WindowRecord& old) { return old.handle == record.handle; });
        if (!usable(record) || was == before.end() || !usable(*was) || !(was->rect == record.rect) ||
            was->output != record.output)
            continue;
        try {
            CaptureImage image(record.rect.width(), record.rect.height());
            if (cutPicture(record, image))
                keepPicture(record.handle, image);
        } catch (...) {
            // Too large or gone: the window keeps its earlier picture.
        }
    }
    outputCopies_.clear();
    // Windows that have gone take their pictures with them.
    std::erase_if(pictures_, [&](const auto& entry) { return record(entry.first) == nullptr; });
}

} // namespace zorvane::wayland
