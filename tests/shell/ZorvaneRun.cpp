// ZorvaneRun: starts the real program on the test's desktop and reads its trace.
#include "ZorvaneRun.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zorvane::test {

namespace {

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

} // namespace

ZorvaneRun::ZorvaneRun(XDesktop& desktop, const std::vector<std::pair<std::string, std::string>>& settings)
    : desktop_(desktop) {
    char pattern[] = "/tmp/zorvane-shell-test.XXXXXX";
    folder_ = ::mkdtemp(pattern);
    ::mkdir((folder_ + "/runtime").c_str(), 0700);
    std::ofstream file(settingsFile());
    file << "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<Configuration>\n  <Zorvane>\n";
    for (const auto& [name, value] : settings)
        file << "    <" << name << ">" << value << "</" << name << ">\n";
    file << "  </Zorvane>\n</Configuration>\n";
}

ZorvaneRun::~ZorvaneRun() {
    if (pid_ > 0 && !reaped_)
        desktop_.stop(pid_);
    std::system(("rm -rf " + Quote(folder_)).c_str());
}

std::string ZorvaneRun::captureFolder() const {
    // The desktops here are local (":N"), which the program writes "_N" in the folder's name.
    std::string display = desktop_.display();
    for (char& c : display)
        if (c == ':')
            c = '_';
    return folder_ + "/runtime/~ZRVN-" + std::to_string(::geteuid()) + "-" + display;
}

std::string ZorvaneRun::binary() const {
    return BinDir() + "/zorvane";
}

std::vector<std::string> ZorvaneRun::environment() const {
    std::vector<std::string> env = {"ZORVANE_TRACE=1", "XDG_RUNTIME_DIR=" + folder_ + "/runtime",
                                    "QT_QPA_PLATFORM=xcb"};
    env.insert(env.end(), extraEnvironment_.begin(), extraEnvironment_.end());
    return env;
}

void ZorvaneRun::start(const std::vector<std::string>& environment) {
    extraEnvironment_ = environment;
    reaped_ = false;
    std::string command = "exec env";
    for (const std::string& assignment : this->environment())
        command += " " + Quote(assignment);
    command +=
        " " + Quote(binary()) + " --settings " + Quote(settingsFile()) + " 2>" + Quote(folder_ + "/trace");
    // Emptied here, before the shell runs: a wait for a milestone right after this must not find
    // the previous run's lines in it.
    std::ofstream(folder_ + "/trace", std::ios::trunc);
    pid_ = desktop_.spawn({"/bin/sh", "-c", command});
}

bool ZorvaneRun::startResident(const std::vector<std::string>& environment) {
    start(environment);
    return waitFor("resident");
}

RunResult ZorvaneRun::runAgain(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"env"};
    for (const std::string& assignment : environment())
        argv.push_back(assignment);
    argv.push_back(binary());
    argv.insert(argv.end(), args.begin(), args.end());
    return desktop_.run(argv);
}

std::string ZorvaneRun::trace() const {
    std::ifstream file(folder_ + "/trace");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> ZorvaneRun::ownLines() const {
    std::vector<std::string> found;
    std::istringstream text(trace());
    std::string line;
    while (std::getline(text, line))
        if (line.rfind("zorvane-trace ", 0) != 0)
            found.push_back(line);
    return found;
}

std::vector<std::string> ZorvaneRun::lines(const std::string& prefix) const {
    std::vector<std::string> found;
    std::istringstream text(trace());
    std::string line;
    while (std::getline(text, line)) {
        // "zorvane-trace <ms> <what>"
        if (line.rfind("zorvane-trace ", 0) != 0)
            continue;
        const std::size_t space = line.find(' ', 14);
        if (space == std::string::npos)
            continue;
        const std::string what = line.substr(space + 1);
        if (what.rfind(prefix, 0) == 0)
            found.push_back(what);
    }
    return found;
}

std::vector<double> ZorvaneRun::stamps(const std::string& prefix) const {
    std::vector<double> found;
    std::istringstream text(trace());
    std::string line;
    while (std::getline(text, line)) {
        std::istringstream fields(line);
        std::string tag;
        double ms = 0;
        std::string what;
        fields >> tag >> ms;
        std::getline(fields, what);
        if (tag == "zorvane-trace" && what.size() > 1 && what.substr(1).rfind(prefix, 0) == 0)
            found.push_back(ms);
    }
    return found;
}

bool ZorvaneRun::waitFor(const std::string& prefix, int count, int timeoutMs) {
    return desktop_.waitUntil([&] { return static_cast<int>(lines(prefix).size()) >= count; }, timeoutMs);
}

bool ZorvaneRun::before(const std::string& first, const std::string& second) const {
    std::istringstream text(trace());
    std::string line;
    while (std::getline(text, line)) {
        const std::size_t space = line.find(' ', 14);
        const std::string what = space == std::string::npos ? line : line.substr(space + 1);
        if (what.rfind(first, 0) == 0)
            return true;
        if (what.rfind(second, 0) == 0)
            return false;
    }
    return false;
}

bool ZorvaneRun::waitExit(int timeoutMs, int& exitCode) {
    if (reaped_)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            reaped_ = true;
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

Keys::Keys(XDesktop& desktop) : desktop_(desktop) {}

void Keys::superDown() {
    desktop_.keyDown(desktop_.keycodeOf(XK_Super_L));
}
void Keys::superUp() {
    desktop_.keyUp(desktop_.keycodeOf(XK_Super_L));
}
void Keys::tab() {
    desktop_.tapKey(desktop_.keycodeOf(XK_Tab));
}
void Keys::shiftTab() {
    const unsigned shift = desktop_.keycodeOf(XK_Shift_L);
    desktop_.keyDown(shift);
    desktop_.tapKey(desktop_.keycodeOf(XK_Tab));
    desktop_.keyUp(shift);
}
void Keys::tap(unsigned long keysym) {
    desktop_.tapKey(desktop_.keycodeOf(keysym));
}

void Keys::click(int x, int y) {
    click(x, y, 1);
}

void Keys::click(int x, int y, unsigned button) {
    Display* dpy = desktop_.dpy();
    XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(dpy, button, True, CurrentTime);
    XTestFakeButtonEvent(dpy, button, False, CurrentTime);
    XSync(dpy, False);
}

void Keys::move(int x, int y) {
    XTestFakeMotionEvent(desktop_.dpy(), -1, x, y, CurrentTime);
    XSync(desktop_.dpy(), False);
}

Window OpenPaintedWindow(XDesktop& desktop, const std::string& title, const std::string& colour,
                         const std::string& size, const std::string& position, int timeoutMs) {
    desktop.spawnTestClient({"--title", title, "--color", colour, "--size", size, "--pos", position});
    const Window window = desktop.waitForTitle(title, timeoutMs);
    if (window == None || !desktop.waitPainted(window, timeoutMs))
        return None;
    return window;
}

bool FindZorvaneWindowCentre(XDesktop& desktop, Window top, int& x, int& y) {
    Display* dpy = desktop.dpy();
    XClassHint hint{};
    bool match = false;
    if (XGetClassHint(dpy, top, &hint)) {
        for (const char* text : {hint.res_name, hint.res_class})
            match = match || (text != nullptr && strcasecmp(text, "zorvane") == 0);
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
    XWindowAttributes attributes{};
    XWindowAttributes rootAttributes{};
    Window child = None;
    // The view, kept ready off the screen between showings, is no place to click.
    if (match && XGetWindowAttributes(dpy, top, &attributes) && attributes.map_state == IsViewable &&
        XGetWindowAttributes(dpy, desktop.root(), &rootAttributes) &&
        XTranslateCoordinates(dpy, top, desktop.root(), attributes.width / 2, attributes.height / 2, &x, &y,
                              &child) &&
        x >= 0 && y >= 0 && x < rootAttributes.width && y < rootAttributes.height)
        return true;
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(dpy, top, &rootReturn, &parent, &children, &count))
        return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i)
        found = FindZorvaneWindowCentre(desktop, children[i], x, y);
    if (children != nullptr)
        XFree(children);
    return found;
}

bool OpenWithWinTab(ZorvaneRun& run, Keys& keys) {
    const int before = static_cast<int>(run.lines("opening-done").size());
    keys.superDown();
    keys.tab();
    return run.waitFor("opening-done", before + 1);
}

namespace {

// Shown windows titled `title` down to the window managers' frames' children; with onScreen, only
// those with some part inside the root's area.
int CountShownWindows(XDesktop& desktop, const std::string& title, bool onScreen) {
    Display* dpy = desktop.dpy();
    XWindowAttributes rootAttributes{};
    XGetWindowAttributes(dpy, desktop.root(), &rootAttributes);
    int found = 0;
    // Managed windows are the window manager's frames' children: look two levels down.
    std::vector<Window> level = {desktop.root()};
    for (int depth = 0; depth < 3; ++depth) {
        std::vector<Window> next;
        for (Window window : level) {
            Window rootReturn = None;
            Window parent = None;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(dpy, window, &rootReturn, &parent, &children, &count))
                continue;
            for (unsigned int i = 0; i < count; ++i) {
                XWindowAttributes attributes{};
                if (XGetWindowAttributes(dpy, children[i], &attributes) &&
                    attributes.map_state == IsViewable && desktop.title(children[i]) == title) {
                    int x = 0;
                    int y = 0;
                    Window child = None;
                    XTranslateCoordinates(dpy, children[i], desktop.root(), 0, 0, &x, &y, &child);
                    const bool inside = x < rootAttributes.width && y < rootAttributes.height &&
                                        x + attributes.width > 0 && y + attributes.height > 0;
                    if (!onScreen || inside)
                        ++found;
                }
                next.push_back(children[i]);
            }
            if (children != nullptr)
                XFree(children);
        }
        level = std::move(next);
    }
    return found;
}

} // namespace

int CountWindowsTitled(XDesktop& desktop, const std::string& title) {
    return CountShownWindows(desktop, title, false);
}

int ViewsOnScreen(XDesktop& desktop) {
    return CountShownWindows(desktop, "Zorvane OpenGL", true);
}

int CountColour(XDesktop& desktop, unsigned long colour, int tolerance, int step) {
    Display* dpy = desktop.dpy();
    // The root's size now: the connection's own figure is the one at connection time, before
    // xrandr may have changed it.
    Window root = None;
    int x0 = 0, y0 = 0;
    unsigned int rootWidth = 0, rootHeight = 0, border = 0, depth = 0;
    if (!XGetGeometry(dpy, desktop.root(), &root, &x0, &y0, &rootWidth, &rootHeight, &border, &depth))
        return -1;
    const int width = static_cast<int>(rootWidth);
    const int height = static_cast<int>(rootHeight);
    XImage* image = XGetImage(dpy, desktop.root(), 0, 0, rootWidth, rootHeight, AllPlanes, ZPixmap);
    if (!image)
        return -1;
    int count = 0;
    for (int y = step / 2; y < height; y += step) {
        for (int x = step / 2; x < width; x += step) {
            const unsigned long pixel = XGetPixel(image, x, y) & 0xFFFFFF;
            bool near = true;
            for (int shift : {0, 8, 16}) {
                const int a = static_cast<int>((pixel >> shift) & 0xFF);
                const int b = static_cast<int>((colour >> shift) & 0xFF);
                near = near && std::abs(a - b) <= tolerance;
            }
            count += near ? 1 : 0;
        }
    }
    XDestroyImage(image);
    return count;
}

} // namespace zorvane::test
