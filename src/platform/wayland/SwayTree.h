// SwayTree: sway's windows, outputs and focus order as our own types, read from its IPC replies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvane::wayland {

// Logical pixels in sway's layout coordinates (all outputs share one plane).
struct SwayRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct SwayWindow {
    std::int64_t id = 0; // sway's container id, what [con_id=...] commands take
    std::string appId;   // app_id; for Xwayland windows the X11 class (else its instance)
    std::string title;
    // Sway's rect: the window with its borders, but without the title bar, which sway draws above
    // it (for tabbed and stacked containers, in the parent's row of tabs).
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int titleBarHeight = 0; // 0 when the window has none (fullscreen, borderless, hidden)
    SwayRect content;       // the client's own surface, inside the borders
    std::string workspace;  // "__i3_scratch" for scratchpad windows; empty in window events
    std::string output;     // empty for scratchpad windows and in window events
    bool visible = false;
    bool focused = false;
    bool scratchpad = false; // hidden in the scratchpad (shown scratchpad windows are floating)
    bool floating = false;
    bool fullscreen = false;
    bool xwayland = false;
    int pid = 0;
};

struct SwayOutput {
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0; // logical: the mode's size divided by scale
    int height = 0;
    double scale = 1.0;
    bool focused = false;
    std::string currentWorkspace;
};

struct SwayTree {
    // Most recently focused first as far as the tree tells: the focused workspace's windows by
    // their focus order, then the other workspaces' by theirs, hidden scratchpad windows last.
    std::vector<SwayWindow> windows;
    std::vector<SwayOutput> outputs; // in the tree's order; disabled outputs are not in it
    std::string focusedWorkspace;
};

// nullopt for anything that is not a tree sway could have sent; never throws.
std::optional<SwayTree> ParseSwayTree(std::string_view json);
// GET_OUTPUTS' reply; enabled outputs only.
std::optional<std::vector<SwayOutput>> ParseSwayOutputs(std::string_view json);

// A "window" event. container has no workspace or output: sway sends the bare container.
struct SwayWindowEvent {
    std::string change; // new, close, focus, title, fullscreen_mode, move, floating, urgent, mark
    SwayWindow container;
};

// A "workspace" event.
struct SwayWorkspaceEvent {
    std::string change;  // init, empty, focus, move, rename, urgent, reload
    std::string current; // the workspace's name; empty when sway sent none
    std::string old;     // the one focused before, for focus changes
};

std::optional<SwayWindowEvent> ParseSwayWindowEvent(std::string_view json);
// A "binding" event: a key binding ran ("run") its command.
struct SwayBindingEvent {
    std::string change;
    std::string command; // as bound, e.g. "exec zorvane --wintab"
};
std::optional<SwayBindingEvent> ParseSwayBindingEvent(std::string_view json);
std::optional<SwayWorkspaceEvent> ParseSwayWorkspaceEvent(std::string_view json);

// Keeps the windows' most-recently-used order between trees, from focus and close events: the
// tree alone only knows each container's own focus order.
class FocusOrder {
public:
    // Starts over from a tree's order.
    void seed(const std::vector<SwayWindow>& windows);
    void focused(std::int64_t id);
    void closed(std::int64_t id);
    // A fresh tree's windows in this order: the window focused now first, then the known ones,
    // then any never seen focused, in the tree's own order.
    std::vector<SwayWindow> order(const std::vector<SwayWindow>& windows) const;
    const std::vector<std::int64_t>& ids() const { return ids_; }

private:
    std::vector<std::int64_t> ids_; // most recent first
};

} // namespace zorvane::wayland
