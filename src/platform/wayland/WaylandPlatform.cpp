// WaylandPlatform: the backend's creation and choice of window source, the per-window queries
// over the latest window records, activation, the event loop's descriptor and session services.
#include "platform/wayland/WaylandPlatform.h"

#include "platform/DisplayName.h"
#include "platform/posix/PosixSession.h"
#include "platform/wayland/DesktopEntries.h"
#include "platform/wayland/ScreenCopy.h"
#include "platform/wayland/SwaySource.h"
#include "platform/wayland/ToplevelSource.h"
#include "platform/wayland/Toplevels.h"
#include "platform/wayland/WaylandDisplay.h"
#include "platform/wayland/WaylandPlatformImpl.h"

#include <algorithm>
#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace zorvane {

using namespace wayland;

std::unique_ptr<Platform> createWaylandPlatform(std::string& error, bool* connected) {
    std::unique_ptr<WaylandDisplay> display = WaylandDisplay::Connect({}, error);
    if (connected)
        *connected = display != nullptr;
    if (!display)
        return nullptr;
    if (!display->offersToplevels()) {
        error = "the Wayland compositor at '" + display->socketName() +
                "' offers no window list (the wlr foreign-toplevel protocol), so Zorvane cannot "
                "switch windows there";
        return nullptr;
    }
    auto toplevels = std::make_unique<Toplevels>(*display);
    display->roundtrip();
    std::unique_ptr<WindowSource> source = SwaySource::Connect(*display);
    if (!source)
        source = std::make_unique<ToplevelSource>(*display, *toplevels, kOwnAppId);
    return std::make_unique<WaylandPlatform>(std::move(display), std::move(toplevels), std::move(source));
}

namespace wayland {

WaylandPlatform::WaylandPlatform(std::unique_ptr<WaylandDisplay> display,
                                 std::unique_ptr<Toplevels> toplevels, std::unique_ptr<WindowSource> source)
    : display_(std::move(display)), toplevels_(std::move(toplevels)), source_(std::move(source)),
      epoll_(epoll_create1(EPOLL_CLOEXEC)),
      timer_(timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK)),
      copier_(std::make_unique<ScreenCopier>(*display_)) {
    // One descriptor for the event loop to watch: readable whenever the compositor, the source's
    // event stream or the refresh timer has something.
    for (const int fd : {display_->fd(), source_->eventFd(), timer_.get()}) {
        if (fd < 0)
            continue;
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = fd;
        epoll_ctl(epoll_.get(), EPOLL_CTL_ADD, fd, &event);
    }
    refreshRecords();
}

WaylandPlatform::~WaylandPlatform() {
    removeWinTabGrab();
    unregisterHotKey();
    withdrawKeys();
}

void WaylandPlatform::refreshRecords() {
    records_ = source_->windows();
}

const WindowRecord* WaylandPlatform::record(WindowHandle window) const {
    for (const WindowRecord& record : records_) {
        if (record.handle == window)
            return &record;
    }
    return nullptr;
}

int WaylandPlatform::screenWidth() const {
    for (const Monitor& monitor : monitors()) {
        if (monitor.primary)
            return monitor.rect.width();
    }
    return 0;
}

int WaylandPlatform::screenHeight() const {
    for (const Monitor& monitor : monitors()) {
        if (monitor.primary)
            return monitor.rect.height();
    }
    return 0;
}

bool WaylandPlatform::windowRect(WindowHandle window, Rect& rect) const {
    const WindowRecord* found = record(window);
    if (!found)
        return false;
    rect = found->rect;
    return true;
}

bool WaylandPlatform::windowRegionBox(WindowHandle, Rect&) const {
    return false;
}

WallpaperInfo WaylandPlatform::wallpaperInfo() const {
    WallpaperInfo info;
    info.desktopColor = desktopColor_;
    if (std::optional<WallpaperInfo> configured = source_->wallpaper()) {
        info = *configured;
        if (!configured->fileName.empty() || configured->desktopColor != 0)
            return info;
        info.desktopColor = desktopColor_;
    }
    info.fileName = wallpaperFile_;
    info.style = wallpaperStyle_;
    return info;
}

void WaylandPlatform::enumWindows(const EnumProc& proc) {
    display_->dispatchPending();
    refreshRecords();
    // The outputs are copied again for this cycle's pictures.
    outputCopies_.clear();
    ++cycle_;
    // The callback lets events run, and a focus change among them refreshes records_: walk a copy.
    std::vector<WindowHandle> handles;
    handles.reserve(records_.size());
    for (const WindowRecord& record : records_)
        handles.push_back(record.handle);
    for (const WindowHandle handle : handles) {
        if (!proc(handle))
            break;
    }
}

std::string WaylandPlatform::windowClassName(WindowHandle window) {
    const WindowRecord* found = record(window);
    return found ? found->appId.substr(0, 79) : std::string();
}

std::string WaylandPlatform::windowCaption(WindowHandle window) {
    const WindowRecord* found = record(window);
    if (!found)
        return {};
    // At most 79 characters, never cut inside a UTF-8 sequence.
    std::string title = found->title;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < title.size(); ++i) {
        if ((static_cast<unsigned char>(title[i]) & 0xC0) != 0x80 && ++characters > 79) {
            title.resize(i);
            break;
        }
    }
    return title;
}

bool WaylandPlatform::isWindowVisible(WindowHandle window) {
    // Every window the compositor lists: on another workspace or minimised, it still counts.
    return record(window) != nullptr;
}

bool WaylandPlatform::hasOverlappedStyle(WindowHandle window) {
    const WindowRecord* found = record(window);
    return found && !found->own;
}

int WaylandPlatform::showCommand(WindowHandle window) {
    const WindowRecord* found = record(window);
    return found ? found->showCmd : scNormal;
}

bool WaylandPlatform::isOwnWindow(WindowHandle window) {
    const WindowRecord* found = record(window);
    return found && found->own;
}

std::string WaylandPlatform::windowIconName(WindowHandle window) {
    const WindowRecord* found = record(window);
    if (!found)
        return {};
    // Reading every desktop entry takes a while: once per application.
    auto known = iconNames_.find(found->appId);
    if (known == iconNames_.end())
        known = iconNames_.emplace(found->appId, IconNameForAppId(found->appId)).first;
    return known->second;
}

bool WaylandPlatform::requestClose(WindowHandle window) {
    return record(window) != nullptr && source_->close(window);
}

bool WaylandPlatform::restoreWindow(WindowHandle window) {
    return source_->restore(window);
}

bool WaylandPlatform::minimizeWindow(WindowHandle window) {
    return source_->minimize(window);
}

WindowHandle WaylandPlatform::activeWindow() {
    display_->dispatchPending();
    return source_->activeWindow();
}

bool WaylandPlatform::ForceForegroundWindow(WindowHandle window) {
    if (source_->activeWindow() == window)
        return true;
    return source_->activate(window);
}

int WaylandPlatform::desktopCount() {
    return source_->desktopCount();
}

long WaylandPlatform::currentDesktop() {
    return source_->currentDesktop();
}

long WaylandPlatform::windowDesktop(WindowHandle window) {
    const WindowRecord* found = record(window);
    return found ? found->desktop : -1;
}

void WaylandPlatform::processPendingEvents() {
    display_->dispatchPending();
    const int changed = source_->processEvents();
    // A window that went leaves the list at once (the view waits for that after a close).
    if (changed & WindowSource::kWindows)
        refreshRecords();
    if (changed & WindowSource::kFocus)
        scheduleRefresh();
    dispatchRunBindings();
    std::uint64_t expirations = 0;
    if (read(timer_.get(), &expirations, sizeof expirations) == sizeof expirations && refreshPending_) {
        refreshPending_ = false;
        refreshVisiblePictures();
    }
}

std::vector<Monitor> WaylandPlatform::monitors() const {
    std::vector<Monitor> list;
    const std::string focused = source_->focusedOutput();
    for (const auto& output : display_->outputs()) {
        const int left = output->logicalX * output->scale;
        const int top = output->logicalY * output->scale;
        const int width = output->pixelWidth > 0 ? output->pixelWidth : output->logicalWidth * output->scale;
        const int height =
            output->pixelHeight > 0 ? output->pixelHeight : output->logicalHeight * output->scale;
        list.push_back(
            Monitor{output->name, Rect{left, top, left + width, top + height}, output->name == focused});
    }
    // The view opens on the focused output: it stands for the primary one.
    if (!list.empty() && std::none_of(list.begin(), list.end(), [](const Monitor& m) { return m.primary; }))
        list.front().primary = true;
    return list;
}

void WaylandPlatform::setWallpaperFallback(const std::string& fileName, int style,
                                           std::uint32_t desktopColor) {
    wallpaperFile_ = fileName;
    wallpaperStyle_ = style;
    desktopColor_ = desktopColor;
}

std::string WaylandPlatform::sessionDisplayName() const {
    return WaylandDisplayKey();
}

} // namespace wayland
} // namespace zorvane
