// Toplevels: the foreign-toplevel manager's and handles' events kept as a list, and the requests.
#include "platform/wayland/Toplevels.h"

#include "platform/wayland/WaylandDisplay.h"

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>

namespace zorvane::wayland {

namespace {

Toplevels* owner(void* data) {
    return static_cast<Toplevels*>(data);
}

void handleTitle(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* title) {
    if (Toplevel* entry = owner(data)->entryOf(handle))
        entry->title = title ? title : "";
}
void handleAppId(void* data, zwlr_foreign_toplevel_handle_v1* handle, const char* appId) {
    if (Toplevel* entry = owner(data)->entryOf(handle))
        entry->appId = appId ? appId : "";
}
void handleOutputEnter(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_output* output) {
    if (Toplevel* entry = owner(data)->entryOf(handle))
        entry->outputs.push_back(output);
}
void handleOutputLeave(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_output* output) {
    if (Toplevel* entry = owner(data)->entryOf(handle))
        std::erase(entry->outputs, output);
}
void handleState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* states) {
    Toplevel* entry = owner(data)->entryOf(handle);
    if (!entry)
        return;
    const bool wasActive = entry->activated;
    entry->minimized = entry->maximized = entry->activated = entry->fullscreen = false;
    const auto* values = static_cast<const std::uint32_t*>(states->data);
    for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
        switch (values[i]) {
        case ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED:
            entry->minimized = true;
            break;
        case ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MAXIMIZED:
            entry->maximized = true;
            break;
        case ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED:
            entry->activated = true;
            break;
        case ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_FULLSCREEN:
            entry->fullscreen = true;
            break;
        default:
            break;
        }
    }
    if (entry->activated && !wasActive)
        owner(data)->noteActivated(*entry);
}
void handleDone(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    if (Toplevel* entry = owner(data)->entryOf(handle))
        entry->complete = true;
    owner(data)->changed();
}
void handleClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    owner(data)->onClosed(handle);
}
void handleParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}
const zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
    handleTitle, handleAppId, handleOutputEnter, handleOutputLeave,
    handleState, handleDone,  handleClosed,      handleParent};

void managerToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
    owner(data)->onToplevel(handle);
}
void managerFinished(void*, zwlr_foreign_toplevel_manager_v1*) {}
const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {managerToplevel, managerFinished};

} // namespace

Toplevels::Toplevels(WaylandDisplay& display) : display_(display) {
    if (zwlr_foreign_toplevel_manager_v1* manager = display_.bindToplevelManager())
        zwlr_foreign_toplevel_manager_v1_add_listener(manager, &kManagerListener, this);
}

Toplevels::~Toplevels() {
    for (auto& toplevel : toplevels_)
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
}

void Toplevels::onToplevel(zwlr_foreign_toplevel_handle_v1* handle) {
    auto entry = std::make_unique<Toplevel>();
    entry->id = nextId_++;
    entry->handle = handle;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, this);
    toplevels_.push_back(std::move(entry));
}

Toplevel* Toplevels::entryOf(zwlr_foreign_toplevel_handle_v1* handle) {
    for (auto& toplevel : toplevels_) {
        if (toplevel->handle == handle)
            return toplevel.get();
    }
    return nullptr;
}

void Toplevels::onClosed(zwlr_foreign_toplevel_handle_v1* handle) {
    changed();
    std::erase_if(toplevels_, [&](const std::unique_ptr<Toplevel>& toplevel) {
        if (toplevel->handle != handle)
            return false;
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        return true;
    });
}

void Toplevels::noteActivated(Toplevel& toplevel) {
    toplevel.lastActivated = ++activations_;
}

std::vector<const Toplevel*> Toplevels::list() const {
    std::vector<const Toplevel*> out;
    for (const auto& toplevel : toplevels_) {
        if (toplevel->complete)
            out.push_back(toplevel.get());
    }
    return out;
}

const Toplevel* Toplevels::find(std::uint64_t id) const {
    for (const auto& toplevel : toplevels_) {
        if (toplevel->id == id)
            return toplevel.get();
    }
    return nullptr;
}

const Toplevel* Toplevels::match(const std::string& appId, const std::string& title) const {
    for (auto it = toplevels_.rbegin(); it != toplevels_.rend(); ++it) {
        if ((*it)->appId == appId && (*it)->title == title)
            return it->get();
    }
    return nullptr;
}

bool Toplevels::activate(std::uint64_t id) {
    const Toplevel* toplevel = find(id);
    if (!toplevel || !display_.seat())
        return false;
    zwlr_foreign_toplevel_handle_v1_activate(toplevel->handle, display_.seat());
    return display_.roundtrip();
}

bool Toplevels::close(std::uint64_t id) {
    const Toplevel* toplevel = find(id);
    if (!toplevel)
        return false;
    zwlr_foreign_toplevel_handle_v1_close(toplevel->handle);
    return display_.roundtrip();
}

bool Toplevels::minimize(std::uint64_t id) {
    const Toplevel* toplevel = find(id);
    if (!toplevel)
        return false;
    zwlr_foreign_toplevel_handle_v1_set_minimized(toplevel->handle);
    return display_.roundtrip();
}

bool Toplevels::restore(std::uint64_t id) {
    const Toplevel* toplevel = find(id);
    if (!toplevel)
        return false;
    zwlr_foreign_toplevel_handle_v1_unset_minimized(toplevel->handle);
    return display_.roundtrip();
}

} // namespace zorvane::wayland
