// XHarness: starts and tears down a private Xvfb desktop with real clients for one test.
#include "harness/XHarness.h"

#include "platform/x11/XErrorTrap.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zorvane::test {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> argvOf(const std::vector<std::string>& args) {
    std::vector<char*> result;
    for (const auto& a : args)
        result.push_back(const_cast<char*>(a.c_str()));
    result.push_back(nullptr);
    return result;
}

// In a child just forked: die with the test program, so that a test that crashes leaves no Xvfb,
// window manager or client behind (the destructor handles every other ending).
void dieWithParent(pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(1);
}

// Ends a child: TERM, a bounded wait, then KILL; always reaped.
void endChild(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (Clock::now() < deadline) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

std::vector<unsigned long> cardinals(Display* dpy, Window window, const char* property, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> result;
    if (XGetWindowProperty(dpy, window, XInternAtom(dpy, property, False), 0, 65536, False, type, &actualType,
                           &format, &items, &remaining, &data) == Success &&
        data != nullptr && format == 32) {
        const auto* values = reinterpret_cast<unsigned long*>(data);
        result.assign(values, values + items);
    }
    if (data != nullptr)
        XFree(data);
    return result;
}

} // namespace

std::string BinDir() {
    const char* dir = std::getenv("ZORVANE_BIN_DIR");
    return dir != nullptr ? dir : ".";
}

XDesktop::XDesktop() : XDesktop(Options{}) {}

XDesktop::XDesktop(const Options& options) {
    start(options, Session{});
}

XDesktop::XDesktop(const Options& options, const Session& session) {
    start(options, session);
}

void XDesktop::start(const Options& options, const Session& session) {
    zorvane::x11::installErrorHandler(); // a vanished window must not end the test program
    int fds[2];
    if (::pipe(fds) != 0) {
        reason_ = "pipe failed";
        return;
    }
    xvfb_ = startServer(options, fds[1]);
    ::close(fds[1]);
    std::string number;
    pollfd pfd{fds[0], POLLIN, 0};
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < deadline) {
        if (::poll(&pfd, 1, 100) > 0) {
            char buffer[16];
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            number.append(buffer, static_cast<std::size_t>(n));
            if (number.find('\n') != std::string::npos)
                break;
        }
    }
    ::close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' '))
        number.pop_back();
    if (number.empty()) {
        reason_ = options.server == Server::xorgDummy
                      ? "Xorg with the dummy driver did not start" + xorgError()
                      : "Xvfb did not report a display";
        return;
    }
    display_ = ":" + number;
    dpy_ = XOpenDisplay(display_.c_str());
    if (dpy_ == nullptr) {
        reason_ = "cannot connect to " + display_;
        return;
    }
    if (session.privateHome) {
        char pattern[] = "/tmp/zv-home.XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            reason_ = "no home folder";
            return;
        }
        home_ = pattern;
    }
    if (session.sessionBus && !startSessionBus())
        return;
    if (options.windowManager) {
        const std::vector<std::string> command = session.windowManagerCommand.empty()
                                                     ? std::vector<std::string>{"openbox", "--sm-disable"}
                                                     : session.windowManagerCommand;
        if (!startWindowManager(command))
            return;
    }
    ok_ = true;
}

std::string XDesktop::xorgError() const {
    // Xorg marks its errors "(EE)"; the first fatal one says why it stopped.
    std::ifstream log(serverFolder_ + "/Xorg.log");
    std::string line;
    std::string first;
    while (std::getline(log, line)) {
        if (line.find("(EE)") == std::string::npos || line.find("(NI) not implemented") != std::string::npos)
            continue;
        if (first.empty() || line.find("Fatal") != std::string::npos)
            first = line;
    }
    return first.empty() ? std::string(" (no log: is Xorg installed?)") : ": " + first;
}

pid_t XDesktop::startServer(const Options& options, int reportFd) {
    std::vector<std::string> args;
    const std::string fd = std::to_string(reportFd);
    if (options.server == Server::xorgDummy) {
        char pattern[] = "/tmp/zv-xorg.XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            return -1;
        serverFolder_ = pattern;
        // One mode of the whole size and a framebuffer that holds it; xrandr then lights and places
        // outputs inside it. No input devices: XTest brings its own.
        const int w = options.width, h = options.height;
        const std::string mode = std::to_string(w) + "x" + std::to_string(h);
        // Ordinary blanking: the exact figures of reduced blanking (160, 80, 32) make the driver
        // drop the mode.
        const long clock = static_cast<long>(w + 256) * (h + 30) * 60 / 1000;
        std::ofstream config(serverFolder_ + "/xorg.conf");
        config << "Section \"ServerFlags\"\n  Option \"AutoAddDevices\" \"false\"\n"
               << "  Option \"AutoAddGPU\" \"false\"\n  Option \"DontVTSwitch\" \"true\"\nEndSection\n"
               << "Section \"Device\"\n  Identifier \"dummy\"\n  Driver \"dummy\"\n  VideoRam "
                  "256000\nEndSection\n"
               << "Section \"Monitor\"\n  Identifier \"monitor\"\n  HorizSync 5.0 - 1000.0\n"
               << "  VertRefresh 5.0 - 200.0\n  Modeline \"" << mode << "\" "
               << static_cast<double>(clock) / 1000.0 << " " << w << " " << w + 64 << " " << w + 128 << " "
               << w + 256 << " " << h << " " << h + 3 << " " << h + 8 << " " << h + 30
               << " +hsync +vsync\nEndSection\n"
               << "Section \"Screen\"\n  Identifier \"screen\"\n  Device \"dummy\"\n  Monitor \"monitor\"\n"
               << "  DefaultDepth 24\n  SubSection \"Display\"\n    Depth 24\n    Modes \"" << mode << "\"\n"
               << "    Virtual " << w << " " << h << "\n  EndSubSection\nEndSection\n";
        config.close();
        args = {"Xorg",     "-displayfd", fd,    "-config",  serverFolder_ + "/xorg.conf",
                "-noreset", "-nolisten",  "tcp", "-logfile", serverFolder_ + "/Xorg.log"};
    } else {
        const std::string screen =
            std::to_string(options.width) + "x" + std::to_string(options.height) + "x24";
        args = {"Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp"};
    }
    args.insert(args.end(), options.serverArgs.begin(), options.serverArgs.end());
    const pid_t self = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        dieWithParent(self);
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 0);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        auto argv = argvOf(args);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

bool XDesktop::startWindowManager() {
    return startWindowManager({"openbox", "--sm-disable"});
}

bool XDesktop::startWindowManager(const std::vector<std::string>& command) {
    wm_ = spawn(command);
    children_.pop_back(); // the window manager is ended after the clients
    // A window manager that died leaves its check window's id behind on the root (and the server
    // may hand the same id to the next one): the window itself has to exist.
    const bool managed = waitUntil(
        [&] {
            const auto check = cardinals(dpy_, root(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
            XWindowAttributes attributes{};
            return !check.empty() && XGetWindowAttributes(dpy_, check.front(), &attributes) != 0;
        },
        15000);
    // Window managers publish their root properties last of all (xfwm4 leaves a window mapped
    // before then unlisted for good): wait for the active window property a little, if it comes.
    // Openbox sets it only once a window has the focus, so waiting for it would only run out.
    const bool setsActiveAtStart = command.front() != "openbox";
    if (managed && setsActiveAtStart)
        waitUntil([&] { return !cardinals(dpy_, root(), "_NET_ACTIVE_WINDOW", XA_WINDOW).empty(); }, 15000);
    // The check window appears before the window manager handles map requests, and a request sent in
    // between is never answered: map a probe until it manages it.
    const Window probe = XCreateSimpleWindow(dpy_, root(), 0, 0, 10, 10, 0, 0, 0);
    bool answered = false;
    for (int attempt = 0; managed && !answered && attempt < 50; ++attempt) {
        XMapWindow(dpy_, probe);
        answered = waitUntil(
            [&] {
                const auto state = cardinals(dpy_, probe, "WM_STATE", XInternAtom(dpy_, "WM_STATE", False));
                return !state.empty();
            },
            300);
        if (!answered) {
            XUnmapWindow(dpy_, probe);
            XSync(dpy_, False);
        }
    }
    XDestroyWindow(dpy_, probe);
    XSync(dpy_, False);
    if (!managed || !answered) {
        reason_ = command.front() + " did not start";
        return false;
    }
    waitUntil([&] {
        const auto clients = cardinals(dpy_, root(), "_NET_CLIENT_LIST", XA_WINDOW);
        return std::find(clients.begin(), clients.end(), probe) == clients.end();
    });
    return true;
}

bool XDesktop::startSessionBus() {
    int fds[2];
    if (::pipe(fds) != 0) {
        reason_ = "pipe failed";
        return false;
    }
    const pid_t self = ::getpid();
    bus_ = ::fork();
    if (bus_ == 0) {
        dieWithParent(self);
        ::close(fds[0]);
        enterDesktop();
        const std::string fd = std::to_string(fds[1]);
        const std::vector<std::string> args{"dbus-daemon", "--session", "--nofork", "--print-address=" + fd};
        auto argv = argvOf(args);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string address;
    pollfd pfd{fds[0], POLLIN, 0};
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < deadline && address.find('\n') == std::string::npos) {
        if (::poll(&pfd, 1, 100) > 0) {
            char buffer[256];
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            address.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fds[0]);
    while (!address.empty() && (address.back() == '\n' || address.back() == ' '))
        address.pop_back();
    if (address.empty()) {
        reason_ = "dbus-daemon did not report its address";
        return false;
    }
    busAddress_ = address;
    return true;
}

void XDesktop::enterDesktop() const {
    if (!display_.empty())
        ::setenv("DISPLAY", display_.c_str(), 1);
    if (!busAddress_.empty())
        ::setenv("DBUS_SESSION_BUS_ADDRESS", busAddress_.c_str(), 1);
    if (!home_.empty()) {
        ::setenv("HOME", home_.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home_ + "/.config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home_ + "/.local/share").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (home_ + "/.cache").c_str(), 1);
    }
}

void XDesktop::killWindowManager() {
    if (wm_ <= 0)
        return;
    ::kill(wm_, SIGKILL);
    int status = 0;
    ::waitpid(wm_, &status, 0);
    wm_ = -1;
}

void XDesktop::killServer() {
    if (dpy_ != nullptr)
        XCloseDisplay(dpy_);
    dpy_ = nullptr;
    ::kill(xvfb_, SIGKILL);
    int status = 0;
    ::waitpid(xvfb_, &status, 0);
    xvfb_ = -1;
}

XDesktop::~XDesktop() {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it)
        endChild(*it);
    endChild(wm_);
    endChild(bus_);
    if (dpy_ != nullptr)
        XCloseDisplay(dpy_);
    endChild(xvfb_);
    if (!home_.empty())
        std::filesystem::remove_all(home_);
    if (!serverFolder_.empty())
        std::filesystem::remove_all(serverFolder_);
}

pid_t XDesktop::spawn(const std::vector<std::string>& argv) {
    const pid_t self = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        dieWithParent(self);
        enterDesktop();
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 0);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        auto args = argvOf(argv);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    if (pid > 0)
        children_.push_back(pid);
    return pid;
}

pid_t XDesktop::spawnTestClient(const std::vector<std::string>& args) {
    std::vector<std::string> argv{BinDir() + "/zv-testclient"};
    argv.insert(argv.end(), args.begin(), args.end());
    return spawn(argv);
}

void XDesktop::stop(pid_t pid) {
    endChild(pid);
    children_.erase(std::remove(children_.begin(), children_.end(), pid), children_.end());
}

RunResult XDesktop::run(const std::vector<std::string>& argv, int timeoutMs) {
    RunResult result;
    int out[2];
    int err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0)
        return result;
    const pid_t self = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        dieWithParent(self);
        enterDesktop();
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        auto args = argvOf(argv);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (open > 0 && Clock::now() < deadline) {
        if (::poll(fds, 2, 100) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    for (auto& fd : fds) {
        if (fd.fd >= 0)
            ::close(fd.fd);
    }
    if (open > 0)
        ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool XDesktop::waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        XSync(dpy_, False);
        if (condition())
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::vector<Window> XDesktop::clientsTopFirst() {
    std::vector<Window> result;
    // xfwm4 publishes the stacking list only once it first restacks; the program falls back to the
    // plain list then, and so does this.
    auto ids = cardinals(dpy_, root(), "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
    if (ids.empty())
        ids = cardinals(dpy_, root(), "_NET_CLIENT_LIST", XA_WINDOW);
    for (unsigned long id : ids)
        result.insert(result.begin(), static_cast<Window>(id));
    if (wm_ <= 0) {
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(dpy_, root(), &rootReturn, &parent, &children, &count)) {
            for (unsigned int i = count; i > 0; --i)
                result.push_back(children[i - 1]);
            XFree(children);
        }
    }
    return result;
}

std::string XDesktop::title(Window window) {
    for (const char* property : {"_NET_WM_NAME", "WM_NAME"}) {
        Atom actualType = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy_, window, XInternAtom(dpy_, property, False), 0, 1024, False,
                               AnyPropertyType, &actualType, &format, &items, &remaining, &data) == Success &&
            data != nullptr) {
            std::string text(reinterpret_cast<char*>(data), items);
            XFree(data);
            if (format == 8)
                return text;
        }
    }
    return {};
}

Window XDesktop::waitForTitle(const std::string& wanted, int timeoutMs) {
    Window found = None;
    waitUntil(
        [&] {
            for (Window w : clientsTopFirst()) {
                if (title(w) == wanted) {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

Window XDesktop::waitForClass(const std::string& className, int timeoutMs) {
    Window found = None;
    waitUntil(
        [&] {
            for (Window w : clientsTopFirst()) {
                XClassHint hint{};
                if (XGetClassHint(dpy_, w, &hint)) {
                    const bool match = hint.res_class != nullptr && className == hint.res_class;
                    XFree(hint.res_name);
                    XFree(hint.res_class);
                    if (match) {
                        found = w;
                        return true;
                    }
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool XDesktop::waitPainted(Window window, int timeoutMs) {
    return waitUntil([&] { return !cardinals(dpy_, window, "_ZV_PAINTED", XA_CARDINAL).empty(); }, timeoutMs);
}

Window XDesktop::activeWindow() {
    const auto active = cardinals(dpy_, root(), "_NET_ACTIVE_WINDOW", XA_WINDOW);
    return active.empty() ? None : static_cast<Window>(active[0]);
}

Window XDesktop::frameOf(Window client) {
    Window current = client;
    for (int i = 0; i < 64; ++i) {
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(dpy_, current, &rootReturn, &parent, &children, &count))
            return None;
        if (children != nullptr)
            XFree(children);
        if (parent == rootReturn)
            return current;
        current = parent;
    }
    return None;
}

bool XDesktop::isViewable(Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(dpy_, window, &attributes) && attributes.map_state == IsViewable;
}

bool XDesktop::frameRect(Window client, int& x, int& y, int& width, int& height) {
    const Window frame = frameOf(client);
    XWindowAttributes attributes;
    if (frame == None || !XGetWindowAttributes(dpy_, frame, &attributes))
        return false;
    x = attributes.x;
    y = attributes.y;
    width = attributes.width + 2 * attributes.border_width;
    height = attributes.height + 2 * attributes.border_width;
    return true;
}

unsigned long XDesktop::screenPixel(int x, int y) {
    XImage* image = XGetImage(dpy_, root(), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr)
        return 0xFFFFFFFF;
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

unsigned XDesktop::keycodeOf(unsigned long keysym) {
    return XKeysymToKeycode(dpy_, keysym);
}

void XDesktop::keyDown(unsigned keycode) {
    XTestFakeKeyEvent(dpy_, keycode, True, CurrentTime);
    XSync(dpy_, False);
}

void XDesktop::keyUp(unsigned keycode) {
    XTestFakeKeyEvent(dpy_, keycode, False, CurrentTime);
    XSync(dpy_, False);
}

void XDesktop::tapKey(unsigned keycode) {
    keyDown(keycode);
    keyUp(keycode);
}

void XDesktop::setLocks(bool capsLock, bool numLock) {
    const auto state = [&] {
        Window rootReturn = None;
        Window child = None;
        int rx = 0;
        int ry = 0;
        int wx = 0;
        int wy = 0;
        unsigned int mask = 0;
        XQueryPointer(dpy_, root(), &rootReturn, &child, &rx, &ry, &wx, &wy, &mask);
        return mask;
    };
    if (((state() & LockMask) != 0) != capsLock)
        tapKey(keycodeOf(XK_Caps_Lock));
    if (((state() & Mod2Mask) != 0) != numLock)
        tapKey(keycodeOf(XK_Num_Lock));
    XSync(dpy_, False);
}

bool XDesktop::minimize(Window client) {
    XIconifyWindow(dpy_, client, DefaultScreen(dpy_));
    XSync(dpy_, False);
    return waitUntil([&] {
        const auto state = cardinals(dpy_, client, "WM_STATE", XInternAtom(dpy_, "WM_STATE", False));
        return !state.empty() && state[0] == IconicState;
    });
}

bool XDesktop::activate(Window client) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = client;
    event.xclient.message_type = XInternAtom(dpy_, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy_, root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(dpy_, False);
    return waitUntil([&] { return activeWindow() == client; });
}

} // namespace zorvane::test
