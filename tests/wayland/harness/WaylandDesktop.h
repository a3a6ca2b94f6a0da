// WaylandDesktop: a private headless Wayland compositor for one test (sway, or weston, which lists
// no windows to clients), with real clients as our own children, screenshots and keys.
// Everything started here is killed and reaped when the object goes, whatever the test did; each
// desktop has its own folders, so tests may run in parallel.
#pragma once

#include "harness/ChildProcess.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zorvane::test {

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A screenshot: rows top first, 4 bytes a pixel (R, G, B, A).
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    bool empty() const { return rgba.empty(); }
    // The pixel at (x, y) as 0xRRGGBB; 0 outside the picture.
    std::uint32_t pixel(int x, int y) const;
};

// True when every channel of a and b (0xRRGGBB) differs by at most tolerance.
bool SameColour(std::uint32_t a, std::uint32_t b, int tolerance = 0);

// The folder of the built programs (ZORVANE_BIN_DIR, else this program's folder), without a '/'.
std::string WaylandBinDir();

// True when a program of this name is on PATH.
bool HaveProgram(const std::string& name);

// What both compositors share: the folders, the children, the clients' environment.
class WaylandDesktop {
public:
    virtual ~WaylandDesktop();
    WaylandDesktop(const WaylandDesktop&) = delete;
    WaylandDesktop& operator=(const WaylandDesktop&) = delete;

    // False (with reason()) when the compositor did not come up.
    bool ok() const { return ok_; }
    const std::string& reason() const { return reason_; }
    // The desktop's own folder (config, logs, runtime folders); removed at the end.
    const std::string& folder() const { return folder_; }
    // The Wayland socket, absolute (usable as WAYLAND_DISPLAY by any user).
    std::string waylandSocket() const { return runtimeDir_ + "/" + socketName_; }
    const std::string& socketName() const { return socketName_; }
    // The compositor's XDG_RUNTIME_DIR.
    const std::string& runtimeDir() const { return runtimeDir_; }
    pid_t compositorPid() const { return compositor_ ? compositor_->pid() : -1; }
    // What the compositor wrote to standard error (its log).
    std::string compositorLog() const;

    // The environment of clients run as ourselves: ours, with WAYLAND_DISPLAY the absolute socket,
    // XDG_RUNTIME_DIR a private folder of ours, XDG_SESSION_TYPE=wayland, no DISPLAY (sway adds
    // SWAYSOCK).
    virtual std::vector<std::string> clientEnvironment() const;

    // Starts a program as ourselves with clientEnvironment() plus extra ("NAME=value", which win);
    // killed and reaped at the end. Its output is captured (out(), err()).
    ChildProcess& startProcess(const std::vector<std::string>& argv,
                               const std::vector<std::string>& extra = {}, bool input = false);
    // zv-wl-client with these arguments (--title T --app-id A --color RRGGBB ...), with a pipe to
    // its standard input for send() (title, app-id, color, quit). Wait for its "ready" line.
    ChildProcess& startClient(const std::vector<std::string>& args);
    // Runs a program as ourselves to its end (killed when it outlasts timeoutMs), output captured.
    CommandResult run(const std::vector<std::string>& argv, const std::vector<std::string>& extra = {},
                      int timeoutMs = 30000);
    // Ends one of the programs started here (TERM, then KILL) and reaps it; returns its exit code.
    int stop(ChildProcess& process);

    // Polls the condition until it holds or the time is up.
    static bool waitFor(const std::function<bool()>& condition, int timeoutMs = 15000);

    // The globals the compositor announces (interface names), through a connection of our own.
    std::vector<std::string> globals() const;

    // Kills the compositor (SIGKILL, as a crash would); its clients lose their connection.
    void killCompositor();

protected:
    // Makes the desktop's folder (reason() says why when it cannot): /tmp/<prefix>.XXXXXX.
    explicit WaylandDesktop(const std::string& prefix);
    // A new log file name in the desktop's folder for a program of this name.
    std::string logFile(const std::string& program, const char* suffix);
    ChildProcess& adopt(const ChildProcess::Launch& launch);
    // Waits for a program started here to end (killing it after timeoutMs), forgets it, returns
    // what it did.
    CommandResult finish(ChildProcess& process, int timeoutMs);
    // Waits until the compositor accepts a Wayland connection and answers a roundtrip.
    bool waitConnectable(int timeoutMs);
    void fail(const std::string& why);

    bool ok_ = false;
    std::string reason_;
    std::string folder_;
    std::string runtimeDir_;
    std::string clientRuntimeDir_;
    std::string socketName_;
    std::unique_ptr<ChildProcess> compositor_;
    std::vector<std::unique_ptr<ChildProcess>> children_;
    int logCount_ = 0;
};

// One window (a view of sway's tree), in layout coordinates (logical pixels).
struct SwayWindow {
    long id = 0;
    std::string title;
    std::string appId; // empty for Xwayland windows
    int pid = 0;
    bool focused = false;
    bool visible = false;
    bool floating = false;
    std::string workspace;
    std::string output;
    // The container, borders included (a tiled window's title bar lies just above it, in
    // node["deco_rect"]), and the client's own part of it.
    int x = 0, y = 0, width = 0, height = 0;
    int contentX = 0, contentY = 0, contentWidth = 0, contentHeight = 0;
    nlohmann::json node; // the whole tree node
};

// A headless sway (wlroots, pixman renderer) with outputs HEADLESS-1 (and -2...). Sway refuses to run as
// root: when we are root it runs as nobody, its runtime folder owned by nobody; root's clients still
// reach it through the absolute socket path.
class SwayDesktop : public WaylandDesktop {
public:
    struct Options {
        // Each output's mode in pixels, and its scale (layout sizes are the mode divided by it).
        int width = 1280;
        int height = 720;
        double scale = 1;
        // How many outputs: HEADLESS-1, HEADLESS-2, ... placed left to right in layout coordinates.
        int outputs = 1;
        // Off by default: Xwayland would race the X tests' servers for display numbers.
        bool xwayland = false;
        // Key bindings: {"Mod4+Tab", "exec ..."} becomes "bindsym Mod4+Tab exec ...". Commands run as
        // sway's user with sway's environment (see swayUserEnvironment()).
        std::vector<std::pair<std::string, std::string>> bindings = {};
        // More configuration lines, verbatim.
        std::vector<std::string> extraConfig = {};
        // More environment for sway itself ("NAME=value"), which its bindings' commands inherit.
        std::vector<std::string> environment = {};
    };
    SwayDesktop();
    explicit SwayDesktop(const Options& options);
    ~SwayDesktop() override;

    // The IPC socket (SWAYSOCK).
    const std::string& ipcSocket() const { return ipcSocket_; }
    // The base's, with SWAYSOCK and I3SOCK the IPC socket.
    std::vector<std::string> clientEnvironment() const override;
    // The first output's name (HEADLESS-1), and all of them.
    const std::string& outputName() const { return outputNames_.front(); }
    const std::vector<std::string>& outputNames() const { return outputNames_; }
    // The user sway runs as (nobody when we are root, else ourselves) and its home folder.
    const Identity& swayUser() const { return swayUser_; }
    // The environment sway's own children get (bindings' commands): XDG_RUNTIME_DIR, HOME,
    // WAYLAND_DISPLAY=wayland-1 (relative), SWAYSOCK, PATH, XDG_SESSION_TYPE, options.environment.
    std::vector<std::string> swayUserEnvironment() const;
    // Starts a program as sway's user with swayUserEnvironment() plus extra, so it can be reached
    // by (and can reach) what sway's bindings start; output captured to files readable afterwards.
    ChildProcess& startAsSwayUser(const std::vector<std::string>& argv,
                                  const std::vector<std::string>& extra = {}, bool input = false);
    // The same, run to its end (killed when it outlasts timeoutMs).
    CommandResult runAsSwayUser(const std::vector<std::string>& argv,
                                const std::vector<std::string>& extra = {}, int timeoutMs = 30000);

    // swaymsg -s SOCK COMMAND...: a sway command ("focus left", "[app_id=x] kill").
    CommandResult swaymsg(const std::string& command);
    // swaymsg -s SOCK -t TYPE -r: raw JSON of an IPC query (get_tree, get_outputs, get_workspaces).
    std::string query(const std::string& type);
    std::string tree() { return query("get_tree"); }
    // The windows of the tree (tiled and floating, scratchpad too), depth first.
    std::vector<SwayWindow> windows();
    std::optional<SwayWindow> window(const std::string& title);
    // Polls the tree until a window of this title shows (and, with a non-zero size, is laid out).
    std::optional<SwayWindow> waitForWindow(const std::string& title, int timeoutMs = 15000);

    // grim's picture of an output (physical pixels: layout coordinates times the scale), or with
    // output "" of the whole layout (all outputs); empty (reason in lastError()) when grim fails.
    Screenshot screenshot(const std::string& output = "HEADLESS-1");
    // wtype with these arguments, through the virtual keyboard ({"-M", "logo", "-k", "Tab", "-m",
    // "logo"} presses Super+Tab); true when wtype succeeded.
    bool pressKeys(const std::vector<std::string>& wtypeArgs);
    const std::string& lastError() const { return lastError_; }

    // A variable of sway's own environment (which sway extends: DISPLAY once Xwayland is on),
    // read by a command sway runs ("swaymsg exec", as a binding would); "" when unset.
    std::string sessionVariable(const std::string& name);
    // Xwayland's DISPLAY (":N") with options.xwayland, else "". Sway starts Xwayland on the first
    // X connection. Xwayland admits only its own user: when that is not us, this lets us in too
    // (xhost +si:localuser:US, as sway's user), so X clients run as either user.
    std::string xwaylandDisplay();
    // Writes a file in the home folder of sway's user, owned by that user (programs run as sway's
    // user can read and rewrite it; the test's own /tmp folders are closed to them). Its path.
    std::string writeSwayUserFile(const std::string& name, const std::string& text);

private:
    std::string ipcSocket_;
    std::vector<std::string> outputNames_ = {"HEADLESS-1"};
    std::string xwaylandDisplay_;
    int queries_ = 0;
    Identity swayUser_;
    Options options_;
    std::string lastError_;
};

// A headless weston (desktop shell): xdg-shell, but no list of windows for clients.
class WestonDesktop : public WaylandDesktop {
public:
    struct Options {
        int width = 1280;
        int height = 720;
        int scale = 1;
        std::vector<std::string> extraArgs = {};
    };
    WestonDesktop();
    explicit WestonDesktop(const Options& options);
    ~WestonDesktop() override;
};

} // namespace zorvane::test
