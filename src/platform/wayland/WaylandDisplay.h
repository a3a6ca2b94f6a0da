// WaylandDisplay: Zorvane's own connection to the compositor (not Qt's): the globals it offers,
// its outputs with their names, logical places and scales, and the round trips that wait for it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_output;
struct wl_seat;
struct wl_shm;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_screencopy_manager_v1;

namespace zorvane::wayland {

// One output as the compositor describes it. Logical coordinates are the compositor's layout
// (what sway's IPC reports); device pixels are the output's own (logical times scale).
struct Output {
    std::uint32_t globalName = 0;
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    std::string name;
    int logicalX = 0, logicalY = 0, logicalWidth = 0, logicalHeight = 0;
    int pixelWidth = 0, pixelHeight = 0; // the current mode
    int scale = 1;
};

class WaylandDisplay {
public:
    // Connects to `socket` (a name in $XDG_RUNTIME_DIR or an absolute path; empty:
    // $WAYLAND_DISPLAY) and learns the globals and outputs. Null with `error` set when no
    // compositor answers.
    static std::unique_ptr<WaylandDisplay> Connect(const std::string& socket, std::string& error);
    WaylandDisplay() = default; // unconnected: use Connect
    ~WaylandDisplay();
    WaylandDisplay(const WaylandDisplay&) = delete;
    WaylandDisplay& operator=(const WaylandDisplay&) = delete;

    wl_display* display() const { return display_; }
    int fd() const;
    // Sends what is queued and waits until the compositor has answered all of it; false when the
    // connection has failed.
    bool roundtrip();
    // Reads and dispatches what has arrived, without waiting; false when the connection has failed.
    bool dispatchPending();

    wl_shm* shm() const { return shm_; }
    wl_seat* seat() const { return seat_; }
    // The window list's manager, bound on the first call: it announces every window at once,
    // so its listener must be in place before the next round trip.
    zwlr_foreign_toplevel_manager_v1* bindToplevelManager();
    bool offersToplevels() const { return toplevelGlobal_ != 0; }
    zwlr_screencopy_manager_v1* screencopyManager() const { return screencopyManager_; }
    const std::vector<std::unique_ptr<Output>>& outputs() const { return outputs_; }
    const Output* outputNamed(const std::string& name) const;
    const Output* outputOf(const wl_output* output) const;
    // Every global's interface and version, "name vN", for --diagnostics.
    const std::vector<std::string>& globals() const { return globals_; }
    bool offers(const std::string& interface) const;
    // The socket connected to, as given or from the environment.
    const std::string& socketName() const { return socket_; }

    // Registry and output callbacks (C listeners call these).
    void onGlobal(wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version);
    void onGlobalRemove(std::uint32_t name);

private:
    void bindXdgOutput(Output& output);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_shm* shm_ = nullptr;
    wl_seat* seat_ = nullptr;
    zxdg_output_manager_v1* xdgOutputManager_ = nullptr;
    zwlr_foreign_toplevel_manager_v1* toplevelManager_ = nullptr;
    std::uint32_t toplevelGlobal_ = 0;
    std::uint32_t toplevelVersion_ = 0;
    wl_registry* registryForToplevels_ = nullptr;
    zwlr_screencopy_manager_v1* screencopyManager_ = nullptr;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::vector<std::string> globals_;
    std::string socket_;
};

} // namespace zorvane::wayland
