// WaylandDisplay: the registry, the outputs (wl_output for modes and scale, xdg-output for names
// and logical places) and the connection's round trips.
#include "platform/wayland/WaylandDisplay.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>

namespace zorvane::wayland {

namespace {

// Newest versions whose requests and events this code knows.
constexpr std::uint32_t kOutputVersion = 3;
constexpr std::uint32_t kXdgOutputVersion = 3;
constexpr std::uint32_t kToplevelVersion = 3;
constexpr std::uint32_t kScreencopyVersion = 3;

void outputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*, const char*,
                    int32_t) {}
void outputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        auto* output = static_cast<Output*>(data);
        output->pixelWidth = width;
        output->pixelHeight = height;
    }
}
void outputDone(void*, wl_output*) {}
void outputScale(void* data, wl_output*, int32_t factor) {
    static_cast<Output*>(data)->scale = std::max(1, factor);
}
void outputName(void*, wl_output*, const char*) {}
void outputDescription(void*, wl_output*, const char*) {}
const wl_output_listener kOutputListener = {outputGeometry, outputMode, outputDone,
                                            outputScale,    outputName, outputDescription};

void xdgPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
    auto* output = static_cast<Output*>(data);
    output->logicalX = x;
    output->logicalY = y;
}
void xdgSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    auto* output = static_cast<Output*>(data);
    output->logicalWidth = width;
    output->logicalHeight = height;
}
void xdgDone(void*, zxdg_output_v1*) {}
void xdgName(void* data, zxdg_output_v1*, const char* name) {
    static_cast<Output*>(data)->name = name ? name : "";
}
void xdgDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener kXdgOutputListener = {xdgPosition, xdgSize, xdgDone, xdgName, xdgDescription};

void registryGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
                    uint32_t version) {
    static_cast<WaylandDisplay*>(data)->onGlobal(registry, name, interface, version);
}
void registryGlobalRemove(void* data, wl_registry*, uint32_t name) {
    static_cast<WaylandDisplay*>(data)->onGlobalRemove(name);
}
const wl_registry_listener kRegistryListener = {registryGlobal, registryGlobalRemove};

template <typename T>
T* bindGlobal(wl_registry* registry, std::uint32_t name, const wl_interface* interface, std::uint32_t offered,
              std::uint32_t known) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, known)));
}

} // namespace

std::unique_ptr<WaylandDisplay> WaylandDisplay::Connect(const std::string& socket, std::string& error) {
    auto self = std::make_unique<WaylandDisplay>();
    const char* fromEnvironment = std::getenv("WAYLAND_DISPLAY");
    self->socket_ = !socket.empty() ? socket : (fromEnvironment ? fromEnvironment : "wayland-0");
    self->display_ = wl_display_connect(self->socket_.c_str());
    if (!self->display_) {
        error =
            "cannot connect to the Wayland compositor at '" + self->socket_ + "': " + std::strerror(errno);
        return nullptr;
    }
    self->registry_ = wl_display_get_registry(self->display_);
    wl_registry_add_listener(self->registry_, &kRegistryListener, self.get());
    // The first round trip announces the globals, the second the outputs' own events.
    if (!self->roundtrip() || !self->roundtrip()) {
        error = "the Wayland compositor at '" + self->socket_ + "' closed the connection";
        return nullptr;
    }
    return self;
}

WaylandDisplay::~WaylandDisplay() {
    for (auto& output : outputs_) {
        if (output->xdgOutput)
            zxdg_output_v1_destroy(output->xdgOutput);
        if (output->output)
            wl_output_destroy(output->output);
    }
    if (toplevelManager_)
        zwlr_foreign_toplevel_manager_v1_destroy(toplevelManager_);
    if (screencopyManager_)
        zwlr_screencopy_manager_v1_destroy(screencopyManager_);
    if (xdgOutputManager_)
        zxdg_output_manager_v1_destroy(xdgOutputManager_);
    if (seat_)
        wl_seat_destroy(seat_);
    if (shm_)
        wl_shm_destroy(shm_);
    if (registry_)
        wl_registry_destroy(registry_);
    if (display_)
        wl_display_disconnect(display_);
}

int WaylandDisplay::fd() const {
    return wl_display_get_fd(display_);
}

bool WaylandDisplay::roundtrip() {
    return wl_display_roundtrip(display_) >= 0;
}

bool WaylandDisplay::dispatchPending() {
    // libwayland's reading protocol: announce, read only what the socket already holds (reading
    // would otherwise wait), dispatch.
    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0)
            return false;
    }
    wl_display_flush(display_);
    pollfd ready{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&ready, 1, 0) > 0 && (ready.revents & POLLIN)) {
        if (wl_display_read_events(display_) < 0)
            return false;
    } else {
        wl_display_cancel_read(display_);
        if (ready.revents & (POLLHUP | POLLERR))
            return false;
    }
    return wl_display_dispatch_pending(display_) >= 0;
}

const Output* WaylandDisplay::outputNamed(const std::string& name) const {
    for (const auto& output : outputs_) {
        if (output->name == name)
            return output.get();
    }
    return nullptr;
}

const Output* WaylandDisplay::outputOf(const wl_output* handle) const {
    for (const auto& output : outputs_) {
        if (output->output == handle)
            return output.get();
    }
    return nullptr;
}

zwlr_foreign_toplevel_manager_v1* WaylandDisplay::bindToplevelManager() {
    if (!toplevelManager_ && toplevelGlobal_ != 0)
        toplevelManager_ = bindGlobal<zwlr_foreign_toplevel_manager_v1>(
            registryForToplevels_, toplevelGlobal_, &zwlr_foreign_toplevel_manager_v1_interface,
            toplevelVersion_, kToplevelVersion);
    return toplevelManager_;
}

bool WaylandDisplay::offers(const std::string& interface) const {
    const std::string prefix = interface + " v";
    return std::any_of(globals_.begin(), globals_.end(),
                       [&](const std::string& global) { return global.rfind(prefix, 0) == 0; });
}

void WaylandDisplay::bindXdgOutput(Output& output) {
    if (!xdgOutputManager_ || output.xdgOutput)
        return;
    output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputManager_, output.output);
    zxdg_output_v1_add_listener(output.xdgOutput, &kXdgOutputListener, &output);
}

void WaylandDisplay::onGlobal(wl_registry* registry, std::uint32_t name, const char* interface,
                              std::uint32_t version) {
    const std::string which = interface;
    if (std::none_of(globals_.begin(), globals_.end(),
                     [&](const std::string& global) { return global.rfind(which + " v", 0) == 0; }))
        globals_.push_back(which + " v" + std::to_string(version));
    if (which == wl_output_interface.name) {
        auto output = std::make_unique<Output>();
        output->globalName = name;
        output->output = bindGlobal<wl_output>(registry, name, &wl_output_interface, version, kOutputVersion);
        wl_output_add_listener(output->output, &kOutputListener, output.get());
        bindXdgOutput(*output);
        outputs_.push_back(std::move(output));
    } else if (which == wl_shm_interface.name && !shm_) {
        shm_ = bindGlobal<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (which == wl_seat_interface.name && !seat_) {
        seat_ = bindGlobal<wl_seat>(registry, name, &wl_seat_interface, version, 1);
    } else if (which == zxdg_output_manager_v1_interface.name && !xdgOutputManager_) {
        xdgOutputManager_ = bindGlobal<zxdg_output_manager_v1>(
            registry, name, &zxdg_output_manager_v1_interface, version, kXdgOutputVersion);
        for (auto& output : outputs_)
            bindXdgOutput(*output);
    } else if (which == zwlr_foreign_toplevel_manager_v1_interface.name && toplevelGlobal_ == 0) {
        toplevelGlobal_ = name;
        toplevelVersion_ = version;
        registryForToplevels_ = registry;
    } else if (which == zwlr_screencopy_manager_v1_interface.name && !screencopyManager_) {
        screencopyManager_ = bindGlobal<zwlr_screencopy_manager_v1>(
            registry, name, &zwlr_screencopy_manager_v1_interface, version, kScreencopyVersion);
    }
}

void WaylandDisplay::onGlobalRemove(std::uint32_t name) {
    // An output unplugged: its pictures are no longer taken.
    std::erase_if(outputs_, [&](const std::unique_ptr<Output>& output) {
        if (output->globalName != name)
            return false;
        if (output->xdgOutput)
            zxdg_output_v1_destroy(output->xdgOutput);
        wl_output_destroy(output->output);
        return true;
    });
}

} // namespace zorvane::wayland
