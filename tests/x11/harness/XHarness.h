// XHarness: a private X desktop for one test: its own Xvfb (or Xorg with the dummy video driver,
// which honours RandR monitors) on a free display (-displayfd), an optional openbox, real client
// programs as our own children, keys through XTest by keycode.
// Everything started here is killed and reaped when the object goes, whatever the test did.
// Include <gtest/gtest.h> before this header: Xlib defines None as a macro.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zorvane::test {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class XDesktop {
public:
    enum class Server {
        xvfb,
        // Xorg with the dummy video driver: RandR outputs DUMMY0..15 that xrandr can light and
        // place, so a desktop can have several monitors. Starts only where Xorg may run (root).
        xorgDummy,
    };
    struct Options {
        int width = 1280;
        int height = 1024;
        bool windowManager = true;
        // More arguments for Xvfb, e.g. {"-extension", "Composite"} for a server without it.
        std::vector<std::string> serverArgs = {};
        Server server = Server::xvfb;
    };
    // Which window manager runs, and what it may need besides the display.
    struct Session {
        // The window manager to run (openbox when empty); its name appears in failure reasons.
        std::vector<std::string> windowManagerCommand;
        // A session bus of the desktop's own (a dbus-daemon child, as dbus-launch would start)
        // and a private home folder, so that window managers keep their settings to this test.
        bool sessionBus = false;
        bool privateHome = false;
    };
    XDesktop();
    explicit XDesktop(const Options& options);
    XDesktop(const Options& options, const Session& session);
    ~XDesktop();
    XDesktop(const XDesktop&) = delete;
    XDesktop& operator=(const XDesktop&) = delete;

    // False (with reason()) when Xvfb or the window manager could not be started.
    bool ok() const { return ok_; }
    const std::string& reason() const { return reason_; }
    const std::string& display() const { return display_; }
    pid_t windowManagerPid() const { return wm_; }
    // The private home folder, empty without one.
    const std::string& home() const { return home_; }
    // The test's own connection; X errors on it are ignored, not fatal.
    Display* dpy() const { return dpy_; }
    Window root() const { return DefaultRootWindow(dpy_); }

    // Starts a program on this display; it is killed and reaped at the end of the test.
    pid_t spawn(const std::vector<std::string>& argv);
    // The bundled test client (zv-testclient) with these arguments.
    pid_t spawnTestClient(const std::vector<std::string>& args);
    void stop(pid_t pid);
    // Runs a program to its end (DISPLAY set), with its output captured.
    RunResult run(const std::vector<std::string>& argv, int timeoutMs = 30000);

    // Polls the condition (after XSync) until it holds or the time is up.
    bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 15000);
    // A managed client window whose WM_NAME or _NET_WM_NAME equals title (None when none shows up).
    Window waitForTitle(const std::string& title, int timeoutMs = 15000);
    // A managed client window whose WM_CLASS class is className.
    Window waitForClass(const std::string& className, int timeoutMs = 15000);
    // Waits until a zv-testclient window has painted itself.
    bool waitPainted(Window window, int timeoutMs = 15000);

    std::vector<Window> clientsTopFirst();
    Window activeWindow();
    Window frameOf(Window client);
    bool isViewable(Window window);
    std::string title(Window window);
    // Root-relative rectangle of the window manager's frame: x, y, width, height.
    bool frameRect(Window client, int& x, int& y, int& width, int& height);
    // The screen's pixel at (x, y) as 0xRRGGBB.
    unsigned long screenPixel(int x, int y);

    // Keys by keycode through XTest (xdotool would press Super_L for Super_R).
    unsigned keycodeOf(unsigned long keysym);
    void keyDown(unsigned keycode);
    void keyUp(unsigned keycode);
    void tapKey(unsigned keycode);
    // Sets Caps Lock and Num Lock on or off by tapping them as needed.
    void setLocks(bool capsLock, bool numLock);

    // Kills the window manager (SIGKILL, as a crash would); startWindowManager starts a new one and
    // waits until it manages windows. False when it does not come up.
    void killWindowManager();
    bool startWindowManager();
    // Kills the X server itself (after closing the test's own connection, which is gone then).
    void killServer();

    // Asks the window manager to minimise / activate a client and waits for it.
    bool minimize(Window client);
    bool activate(Window client);

private:
    void start(const Options& options, const Session& session);
    bool startSessionBus();
    // Forks the X server, reporting its display number on the pipe's write end.
    pid_t startServer(const Options& options, int reportFd);
    // Why Xorg stopped, from its log ("" when it says nothing).
    std::string xorgError() const;
    bool startWindowManager(const std::vector<std::string>& command);
    // In a child just forked: the desktop's display, bus and home.
    void enterDesktop() const;
    bool ok_ = false;
    std::string reason_;
    std::string display_;
    std::string home_;
    std::string serverFolder_; // Xorg's configuration and log
    std::string busAddress_;
    pid_t bus_ = -1;
    Display* dpy_ = nullptr;
    pid_t xvfb_ = -1;
    pid_t wm_ = -1;
    std::vector<pid_t> children_;
};

// The folder of the built programs (ZORVANE_BIN_DIR), ending without '/'.
std::string BinDir();

} // namespace zorvane::test
