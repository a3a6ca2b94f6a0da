// WaylandDesktop: starts and tears down a private headless sway or weston with real clients.
#include "harness/WaylandDesktop.h"

#include <stb/stb_image.h>
#include <wayland-client.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace zorvane::test {

namespace fs = std::filesystem;

namespace {

// The variable's name in "NAME=value".
std::string NameOf(const std::string& assignment) {
    return assignment.substr(0, assignment.find('='));
}

// base with every assignment of extra applied (extra wins) and the names in drop removed.
std::vector<std::string> Merge(std::vector<std::string> base, const std::vector<std::string>& extra,
                               const std::vector<std::string>& drop = {}) {
    const auto removeName = [&](const std::string& name) {
        std::erase_if(base, [&](const std::string& a) { return NameOf(a) == name; });
    };
    for (const auto& name : drop)
        removeName(name);
    for (const auto& assignment : extra) {
        removeName(NameOf(assignment));
        base.push_back(assignment);
    }
    return base;
}

std::vector<std::string> OurEnvironment() {
    std::vector<std::string> result;
    for (char** e = environ; *e != nullptr; ++e)
        result.emplace_back(*e);
    return result;
}

std::string FirstMatch(const std::string& folder, const std::string& prefix, const std::string& suffix) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= prefix.size() + suffix.size() && name.starts_with(prefix) &&
            name.ends_with(suffix))
            return entry.path().string();
    }
    return {};
}

// The name of the Wayland socket a compositor made in its runtime folder (not its lock file).
std::string WaylandSocketIn(const std::string& folder) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("wayland-") && !name.ends_with(".lock") && entry.is_socket(error))
            return name;
    }
    return {};
}

// Kills every process whose environment holds this exact assignment: what the compositor started
// (weston's shell helpers, the commands of sway's bindings) detaches from us, and only this
// desktop's programs carry its private runtime folder.
void KillProcessesWith(const std::string& assignment) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit))
            continue;
        const pid_t pid = std::stoi(name);
        if (pid == ::getpid())
            continue;
        std::ifstream file(entry.path() / "environ", std::ios::binary);
        std::string variable;
        while (std::getline(file, variable, '\0')) {
            if (variable == assignment) {
                ::kill(pid, SIGKILL);
                break;
            }
        }
    }
}

std::string FormatScale(double scale) {
    std::ostringstream text;
    text << scale;
    return text.str();
}

struct GlobalNames {
    std::vector<std::string> names;
};

void OnGlobal(void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
    static_cast<GlobalNames*>(data)->names.emplace_back(interface);
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

SwayWindow WindowOf(const nlohmann::json& node, const std::string& workspace, const std::string& output,
                    bool floating) {
    SwayWindow w;
    w.id = node.value("id", 0L);
    w.title = node.value("name", nlohmann::json()).is_string() ? node["name"].get<std::string>() : "";
    w.appId = node.value("app_id", nlohmann::json()).is_string() ? node["app_id"].get<std::string>() : "";
    w.pid = node.value("pid", 0);
    w.focused = node.value("focused", false);
    w.visible = node.value("visible", false);
    w.floating = floating;
    w.workspace = workspace;
    w.output = output;
    const auto& rect = node["rect"];
    w.x = rect.value("x", 0);
    w.y = rect.value("y", 0);
    w.width = rect.value("width", 0);
    w.height = rect.value("height", 0);
    const auto& inner = node["window_rect"];
    w.contentX = w.x + inner.value("x", 0);
    w.contentY = w.y + inner.value("y", 0);
    w.contentWidth = inner.value("width", 0);
    w.contentHeight = inner.value("height", 0);
    w.node = node;
    return w;
}

void CollectWindows(const nlohmann::json& node, std::string workspace, std::string output, bool floating,
                    std::vector<SwayWindow>& out) {
    const std::string type = node.value("type", "");
    if (type == "output")
        output = node.value("name", "");
    if (type == "workspace")
        workspace = node.value("name", "");
    // Views are the containers with a pid; the others (splits) only hold them.
    if ((type == "con" || type == "floating_con") && node.contains("pid"))
        out.push_back(WindowOf(node, workspace, output, floating));
    if (node.contains("nodes"))
        for (const auto& child : node["nodes"])
            CollectWindows(child, workspace, output, floating, out);
    if (node.contains("floating_nodes"))
        for (const auto& child : node["floating_nodes"])
            CollectWindows(child, workspace, output, true, out);
}

} // namespace

std::uint32_t Screenshot::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x) * 4;
    return (static_cast<std::uint32_t>(rgba[at]) << 16) | (static_cast<std::uint32_t>(rgba[at + 1]) << 8) |
           rgba[at + 2];
}

bool SameColour(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8) {
        const int ca = static_cast<int>((a >> shift) & 0xff);
        const int cb = static_cast<int>((b >> shift) & 0xff);
        if (std::abs(ca - cb) > tolerance)
            return false;
    }
    return true;
}

std::string WaylandBinDir() {
    if (const char* dir = std::getenv("ZORVANE_BIN_DIR"); dir != nullptr && *dir != '\0')
        return dir;
    std::error_code error;
    return fs::read_symlink("/proc/self/exe", error).parent_path().string();
}

bool HaveProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':'))
        if (!folder.empty() && ::access((folder + "/" + name).c_str(), X_OK) == 0)
            return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// WaylandDesktop

WaylandDesktop::WaylandDesktop(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + ".XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        fail("cannot make a folder in /tmp");
        return;
    }
    folder_ = pattern;
    // Others may pass through (sway's user reads its config here); the runtime folders are private.
    ::chmod(folder_.c_str(), 0755);
    clientRuntimeDir_ = folder_ + "/client-runtime";
    ::mkdir(clientRuntimeDir_.c_str(), 0700);
    ::mkdir((folder_ + "/logs").c_str(), 0755);
}

WaylandDesktop::~WaylandDesktop() {
    // Clients first (newest first), while the compositor still runs, then the compositor.
    while (!children_.empty())
        children_.pop_back();
    compositor_.reset();
    if (!runtimeDir_.empty())
        KillProcessesWith("XDG_RUNTIME_DIR=" + runtimeDir_);
    if (!folder_.empty()) {
        std::error_code error;
        fs::remove_all(folder_, error);
    }
}

void WaylandDesktop::fail(const std::string& why) {
    ok_ = false;
    if (reason_.empty())
        reason_ = why;
}

std::string WaylandDesktop::compositorLog() const {
    return compositor_ ? compositor_->err() : std::string();
}

std::string WaylandDesktop::logFile(const std::string& program, const char* suffix) {
    return folder_ + "/logs/" + std::to_string(++logCount_) + "-" + fs::path(program).filename().string() +
           suffix;
}

ChildProcess& WaylandDesktop::adopt(const ChildProcess::Launch& launch) {
    children_.push_back(std::make_unique<ChildProcess>(launch));
    return *children_.back();
}

std::vector<std::string> WaylandDesktop::clientEnvironment() const {
    return Merge(OurEnvironment(),
                 {"WAYLAND_DISPLAY=" + waylandSocket(), "XDG_RUNTIME_DIR=" + clientRuntimeDir_,
                  "XDG_SESSION_TYPE=wayland"},
                 {"DISPLAY", "WAYLAND_SOCKET", "SWAYSOCK", "I3SOCK"});
}

ChildProcess& WaylandDesktop::startProcess(const std::vector<std::string>& argv,
                                           const std::vector<std::string>& extra, bool input) {
    ChildProcess::Launch launch;
    launch.argv = argv;
    launch.environment = Merge(clientEnvironment(), extra);
    launch.outFile = logFile(argv.empty() ? "none" : argv.front(), ".out");
    launch.errFile = logFile(argv.empty() ? "none" : argv.front(), ".err");
    launch.input = input;
    return adopt(launch);
}

ChildProcess& WaylandDesktop::startClient(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {WaylandBinDir() + "/zv-wl-client"};
    argv.insert(argv.end(), args.begin(), args.end());
    return startProcess(argv, {}, true);
}

CommandResult WaylandDesktop::run(const std::vector<std::string>& argv, const std::vector<std::string>& extra,
                                  int timeoutMs) {
    return finish(startProcess(argv, extra), timeoutMs);
}

CommandResult WaylandDesktop::finish(ChildProcess& process, int timeoutMs) {
    CommandResult result;
    if (!process.waitExit(timeoutMs))
        process.stop();
    result.exitCode = process.exitCode().value_or(-1);
    result.out = process.out();
    result.err = process.err();
    // Polling runs many commands: their logs go with them.
    std::error_code error;
    for (const auto& file : {process.outFile(), process.errFile()})
        fs::remove(file, error);
    std::erase_if(children_, [&](const auto& p) { return p.get() == &process; });
    return result;
}

int WaylandDesktop::stop(ChildProcess& process) {
    const int code = process.stop();
    std::erase_if(children_, [&](const auto& p) { return p.get() == &process; });
    return code;
}

bool WaylandDesktop::waitFor(const std::function<bool()>& condition, int timeoutMs) {
    return PollUntil(condition, timeoutMs);
}

std::vector<std::string> WaylandDesktop::globals() const {
    GlobalNames found;
    if (socketName_.empty())
        return {};
    wl_display* display = wl_display_connect(waylandSocket().c_str());
    if (display == nullptr)
        return {};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &found);
    if (wl_display_roundtrip(display) < 0)
        found.names.clear();
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return found.names;
}

bool WaylandDesktop::waitConnectable(int timeoutMs) {
    return PollUntil(
               [&] {
                   if (compositor_ && !compositor_->running())
                       return true; // it has ended: no use waiting
                   if (socketName_.empty())
                       socketName_ = WaylandSocketIn(runtimeDir_);
                   if (socketName_.empty())
                       return false;
                   const auto names = globals();
                   return std::find(names.begin(), names.end(), "xdg_wm_base") != names.end();
               },
               timeoutMs) &&
           compositor_ && compositor_->running();
}

void WaylandDesktop::killCompositor() {
    if (compositor_) {
        compositor_->signal(SIGKILL);
        compositor_->waitExit(5000);
    }
}

// ---------------------------------------------------------------------------------------------
// SwayDesktop

SwayDesktop::SwayDesktop() : SwayDesktop(Options{}) {}

SwayDesktop::SwayDesktop(const Options& options) : WaylandDesktop("zv-sway"), options_(options) {
    if (folder_.empty())
        return;
    if (!HaveProgram("sway")) {
        fail("sway is not installed");
        return;
    }
    // Sway will not run as root: then it runs as nobody, which must own its folders.
    swayUser_.uid = ::getuid();
    swayUser_.gid = ::getgid();
    if (swayUser_.uid == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr) {
            fail("no user 'nobody' to run sway as");
            return;
        }
        swayUser_.uid = nobody->pw_uid;
        swayUser_.gid = nobody->pw_gid;
    }
    outputNames_.clear();
    for (int i = 1; i <= std::max(1, options.outputs); ++i)
        outputNames_.push_back("HEADLESS-" + std::to_string(i));
    runtimeDir_ = folder_ + "/runtime";
    swayUser_.home = folder_ + "/home";
    for (const auto& dir : {runtimeDir_, swayUser_.home}) {
        if (::mkdir(dir.c_str(), 0700) != 0 || ::chown(dir.c_str(), swayUser_.uid, swayUser_.gid) != 0) {
            fail("cannot prepare " + dir);
            return;
        }
    }

    const std::string config = folder_ + "/config";
    {
        std::ofstream file(config);
        file << "# Written by the test's SwayDesktop\n";
        file << "xwayland " << (options.xwayland ? "enable" : "disable") << "\n";
        for (const auto& output : outputNames_)
            file << "output " << output << " mode " << options.width << "x" << options.height << " scale "
                 << FormatScale(options.scale) << "\n";
        for (const auto& [keys, command] : options.bindings)
            file << "bindsym " << keys << " " << command << "\n";
        for (const auto& line : options.extraConfig)
            file << line << "\n";
    }
    ::chmod(config.c_str(), 0644);

    ChildProcess::Launch launch;
    launch.argv = {"sway", "-c", config};
    launch.environment = Merge({"XDG_RUNTIME_DIR=" + runtimeDir_, "HOME=" + swayUser_.home,
                                "PATH=/usr/local/bin:/usr/bin:/bin", "XDG_SESSION_TYPE=wayland",
                                "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman",
                                "WLR_HEADLESS_OUTPUTS=" + std::to_string(outputNames_.size())},
                               options.environment);
    launch.outFile = logFile("sway", ".out");
    launch.errFile = logFile("sway", ".err");
    launch.identity = swayUser_;
    compositor_ = std::make_unique<ChildProcess>(launch);

    if (!waitConnectable(30000)) {
        fail("sway did not come up: " + compositor_->err().substr(0, 2000));
        return;
    }
    // The IPC socket is made before the Wayland one; sway names it after its user and pid.
    ipcSocket_ = FirstMatch(runtimeDir_, "sway-ipc.", ".sock");
    if (ipcSocket_.empty()) {
        fail("sway made no IPC socket");
        return;
    }
    // The outputs carry the configured mode once sway lists them active.
    const bool outputsReady = waitFor(
        [&] {
            const auto outputs = nlohmann::json::parse(query("get_outputs"), nullptr, false);
            if (!outputs.is_array())
                return false;
            std::size_t active = 0;
            for (const auto& o : outputs)
                if (o.value("active", false) && std::find(outputNames_.begin(), outputNames_.end(),
                                                          o.value("name", "")) != outputNames_.end())
                    ++active;
            return active == outputNames_.size();
        },
        15000);
    if (!outputsReady) {
        fail("sway does not show its outputs active: " + query("get_outputs"));
        return;
    }
    ok_ = true;
}

SwayDesktop::~SwayDesktop() = default;

std::vector<std::string> SwayDesktop::clientEnvironment() const {
    return Merge(WaylandDesktop::clientEnvironment(), {"SWAYSOCK=" + ipcSocket_, "I3SOCK=" + ipcSocket_});
}

std::vector<std::string> SwayDesktop::swayUserEnvironment() const {
    std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + runtimeDir_,
                                    "HOME=" + swayUser_.home,
                                    "PATH=/usr/local/bin:/usr/bin:/bin",
                                    "XDG_SESSION_TYPE=wayland",
                                    "WAYLAND_DISPLAY=" + socketName_,
                                    "SWAYSOCK=" + ipcSocket_,
                                    "I3SOCK=" + ipcSocket_};
    return Merge(env, options_.environment);
}

ChildProcess& SwayDesktop::startAsSwayUser(const std::vector<std::string>& argv,
                                           const std::vector<std::string>& extra, bool input) {
    ChildProcess::Launch launch;
    launch.argv = argv;
    launch.environment = Merge(swayUserEnvironment(), extra);
    launch.outFile = logFile(argv.empty() ? "none" : argv.front(), ".out");
    launch.errFile = logFile(argv.empty() ? "none" : argv.front(), ".err");
    launch.input = input;
    launch.identity = swayUser_;
    return adopt(launch);
}

CommandResult SwayDesktop::runAsSwayUser(const std::vector<std::string>& argv,
                                         const std::vector<std::string>& extra, int timeoutMs) {
    return finish(startAsSwayUser(argv, extra), timeoutMs);
}

CommandResult SwayDesktop::swaymsg(const std::string& command) {
    return run({"swaymsg", "-s", ipcSocket_, command});
}

std::string SwayDesktop::query(const std::string& type) {
    if (ipcSocket_.empty())
        ipcSocket_ = FirstMatch(runtimeDir_, "sway-ipc.", ".sock");
    const CommandResult result = run({"swaymsg", "-s", ipcSocket_, "-t", type, "-r"});
    return result.exitCode == 0 ? result.out : std::string();
}

std::vector<SwayWindow> SwayDesktop::windows() {
    std::vector<SwayWindow> result;
    const auto root = nlohmann::json::parse(tree(), nullptr, false);
    if (root.is_object())
        CollectWindows(root, "", "", false, result);
    return result;
}

std::optional<SwayWindow> SwayDesktop::window(const std::string& title) {
    for (auto& w : windows())
        if (w.title == title)
            return w;
    return std::nullopt;
}

std::optional<SwayWindow> SwayDesktop::waitForWindow(const std::string& title, int timeoutMs) {
    std::optional<SwayWindow> found;
    waitFor(
        [&] {
            found = window(title);
            return found && found->contentWidth > 0 && found->contentHeight > 0;
        },
        timeoutMs);
    return found && found->contentWidth > 0 ? found : std::nullopt;
}

Screenshot SwayDesktop::screenshot(const std::string& output) {
    Screenshot shot;
    const std::string file = logFile("screenshot", ".png");
    std::vector<std::string> argv = {"grim"};
    if (!output.empty())
        argv.insert(argv.end(), {"-o", output});
    argv.push_back(file);
    const CommandResult grim = run(argv);
    if (grim.exitCode != 0) {
        lastError_ = "grim failed (" + std::to_string(grim.exitCode) + "): " + grim.err;
        return shot;
    }
    int width = 0, height = 0, channels = 0;
    stbi_uc* data = stbi_load(file.c_str(), &width, &height, &channels, 4);
    if (data == nullptr) {
        lastError_ = std::string("cannot decode grim's picture: ") + stbi_failure_reason();
        return shot;
    }
    const std::unique_ptr<stbi_uc, void (*)(void*)> owned(data, stbi_image_free);
    std::error_code error;
    fs::remove(file, error); // polling takes many
    shot.width = width;
    shot.height = height;
    shot.rgba.assign(data, data + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    return shot;
}

bool SwayDesktop::pressKeys(const std::vector<std::string>& wtypeArgs) {
    std::vector<std::string> argv = {"wtype"};
    argv.insert(argv.end(), wtypeArgs.begin(), wtypeArgs.end());
    const CommandResult result = run(argv);
    if (result.exitCode != 0)
        lastError_ = "wtype failed (" + std::to_string(result.exitCode) + "): " + result.err;
    return result.exitCode == 0;
}

std::string SwayDesktop::sessionVariable(const std::string& name) {
    // Written under another name and renamed when complete, so a poll never reads half of it.
    const std::string file = "session-env-" + std::to_string(++queries_);
    const std::string path = swayUser_.home + "/" + file;
    const CommandResult sent = swaymsg("exec env > ~/" + file + ".part && mv ~/" + file + ".part ~/" + file);
    if (sent.exitCode != 0 || !waitFor([&] { return fs::exists(path); })) {
        lastError_ = "sway ran no command: " + sent.out + sent.err;
        return {};
    }
    std::istringstream lines(ReadTextFile(path));
    std::error_code error;
    fs::remove(path, error);
    std::string line;
    while (std::getline(lines, line))
        if (line.starts_with(name + "="))
            return line.substr(name.size() + 1);
    return {};
}

std::string SwayDesktop::xwaylandDisplay() {
    if (!options_.xwayland || !xwaylandDisplay_.empty())
        return xwaylandDisplay_;
    const std::string display = sessionVariable("DISPLAY");
    if (display.empty())
        return {};
    if (swayUser_.uid != ::getuid()) {
        const passwd* us = ::getpwuid(::getuid());
        const std::string name = us != nullptr ? us->pw_name : std::to_string(::getuid());
        const CommandResult allowed =
            runAsSwayUser({"xhost", "+si:localuser:" + name}, {"DISPLAY=" + display});
        if (allowed.exitCode != 0) {
            lastError_ = "xhost failed: " + allowed.err;
            return {};
        }
    }
    xwaylandDisplay_ = display;
    return xwaylandDisplay_;
}

std::string SwayDesktop::writeSwayUserFile(const std::string& name, const std::string& text) {
    const fs::path path = fs::path(swayUser_.home) / name;
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    // Each folder made on the way belongs to sway's user too.
    for (fs::path dir = path.parent_path(); dir.string().size() > swayUser_.home.size();
         dir = dir.parent_path())
        if (::chown(dir.c_str(), swayUser_.uid, swayUser_.gid) != 0)
            lastError_ = "cannot give " + dir.string() + " to sway's user";
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << text;
    }
    if (::chown(path.c_str(), swayUser_.uid, swayUser_.gid) != 0)
        lastError_ = "cannot give " + path.string() + " to sway's user";
    return path.string();
}

// ---------------------------------------------------------------------------------------------
// WestonDesktop

WestonDesktop::WestonDesktop() : WestonDesktop(Options{}) {}

WestonDesktop::WestonDesktop(const Options& options) : WaylandDesktop("zv-weston") {
    if (folder_.empty())
        return;
    if (!HaveProgram("weston")) {
        fail("weston is not installed");
        return;
    }
    runtimeDir_ = folder_ + "/runtime";
    const std::string home = folder_ + "/home";
    if (::mkdir(runtimeDir_.c_str(), 0700) != 0 || ::mkdir(home.c_str(), 0700) != 0) {
        fail("cannot prepare weston's folders");
        return;
    }
    socketName_ = "wayland-zv";
    ChildProcess::Launch launch;
    // No weston.ini, and no idle time: the desktop shell would lock the screen after it.
    launch.argv = {"weston",
                   "--backend=headless-backend.so",
                   "--socket=" + socketName_,
                   "--width=" + std::to_string(options.width),
                   "--height=" + std::to_string(options.height),
                   "--scale=" + std::to_string(options.scale),
                   "--no-config",
                   "--idle-time=0"};
    launch.argv.insert(launch.argv.end(), options.extraArgs.begin(), options.extraArgs.end());
    launch.environment = {"XDG_RUNTIME_DIR=" + runtimeDir_, "HOME=" + home,
                          "PATH=/usr/local/bin:/usr/bin:/bin"};
    launch.outFile = logFile("weston", ".out");
    launch.errFile = logFile("weston", ".err");
    compositor_ = std::make_unique<ChildProcess>(launch);
    if (!waitConnectable(30000)) {
        fail("weston did not come up: " + compositor_->err().substr(0, 2000));
        return;
    }
    ok_ = true;
}

WestonDesktop::~WestonDesktop() = default;

} // namespace zorvane::test
