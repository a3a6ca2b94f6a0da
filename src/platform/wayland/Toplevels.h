// Toplevels: the compositor's window list through the wlr foreign-toplevel protocol: each
// window's title, app_id, states and outputs, and the requests to activate, minimise, restore
// and close it. The one window source that every wlroots compositor offers (no geometry).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct wl_output;
struct zwlr_foreign_toplevel_handle_v1;

namespace zorvane::wayland {

class WaylandDisplay;

struct Toplevel {
    std::uint64_t id = 0; // ours, counted from 1 in the order the compositor announced them
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    std::string title;
    std::string appId;
    bool minimized = false;
    bool maximized = false;
    bool activated = false;
    bool fullscreen = false;
    std::vector<wl_output*> outputs;
    bool complete = false;           // its first "done" arrived
    std::uint64_t lastActivated = 0; // a counter: larger is more recent, 0 never seen active
};

class Toplevels {
public:
    // Starts listening on the display's manager; the list fills on the next round trip.
    explicit Toplevels(WaylandDisplay& display);
    ~Toplevels();
    Toplevels(const Toplevels&) = delete;
    Toplevels& operator=(const Toplevels&) = delete;

    // Complete windows, in the order announced.
    std::vector<const Toplevel*> list() const;
    const Toplevel* find(std::uint64_t id) const;
    // Counts the changes to the list and its windows' titles and states.
    std::uint64_t generation() const { return generation_; }
    void changed() { ++generation_; }
    // A window that appeared as the same title and app_id (the IPC and this list name windows
    // differently): the most recently announced match, else null.
    const Toplevel* match(const std::string& appId, const std::string& title) const;

    bool activate(std::uint64_t id);
    bool close(std::uint64_t id);
    bool minimize(std::uint64_t id);
    bool restore(std::uint64_t id);

    // Listener callbacks.
    void onToplevel(zwlr_foreign_toplevel_handle_v1* handle);
    Toplevel* entryOf(zwlr_foreign_toplevel_handle_v1* handle);
    void onClosed(zwlr_foreign_toplevel_handle_v1* handle);
    void noteActivated(Toplevel& toplevel);

private:
    WaylandDisplay& display_;
    std::vector<std::unique_ptr<Toplevel>> toplevels_;
    std::uint64_t nextId_ = 1;
    std::uint64_t activations_ = 0;
    std::uint64_t generation_ = 0;
};

} // namespace zorvane::wayland
