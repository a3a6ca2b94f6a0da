// wayland_bench: how fast Zorvane's view opens on a headless sway and on an Xvfb desktop, measured
// from outside the same way in one run: the time from the Super+Tab key press to the first changed
// pixel of the screen, with 6 windows of distinct colours on a 1280 x 720 output.
//   - Wayland: a headless sway (pixman renderer); the keys come from a virtual keyboard of our own
//     (zwp_virtual_keyboard_v1, an xkb keymap compiled from the default names), the screen is read
//     with wlr screencopy: copy_with_damage of the whole output, so the compositor hands us a copy
//     only when something was drawn, and each copy is compared, every pixel, with the picture taken
//     before the press. Zorvane runs as sway's user; sway's Mod4+Tab binding runs
//     `zorvane --wintab`, which tells the running instance.
//   - X11: a private Xvfb with openbox, 6 windows placed as sway tiles them; XTest keys, small
//     probes read with XGetImage when the root window's DAMAGE reports drawing (as peers_bench).
// Both read Zorvane's trace (ZORVANE_TRACE=1), whose time stamps share our monotonic clock, to tell
// where the time goes between the key press and the first frame. Also timed: the `zorvane --wintab`
// client itself, exec to exit, while the instance runs.
// Usage: wayland_bench [showings] [--trace]  (default 8; the first showing is reported apart; with
// --trace, each showing's trace lines, in ms after the press, go to standard error).

#include "../tests/shell/ZorvaneRun.h"
#include "ScreenProbes.h"
#include "harness/WaylandDesktop.h"

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using namespace zorvane::test;
using zorvane::bench::Probes;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kWindows = 6;

double NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// "rrggbb" of window i: distinct, far from black and from each other.
std::string Colour(int i) {
    static const char* const kColours[] = {"d03030", "30a040", "3050d0", "d0c030", "a040c0", "30c0c0"};
    return kColours[i % 6];
}

// ---------------------------------------------------------------------------------------------
// Zorvane's trace

struct TraceLine {
    double ms = 0;
    std::string what;
};

std::vector<TraceLine> ParseTrace(const std::string& text) {
    std::vector<TraceLine> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("zorvane-trace ", 0) != 0)
            continue;
        const std::size_t space = line.find(' ', 14);
        if (space == std::string::npos)
            continue;
        lines.push_back({std::atof(line.c_str() + 14), line.substr(space + 1)});
    }
    return lines;
}

// The time of the first trace line at or after `since` starting with `prefix`; nullopt if none.
std::optional<double> Milestone(const std::vector<TraceLine>& lines, const std::string& prefix,
                                double since) {
    for (const TraceLine& l : lines)
        if (l.ms >= since && l.what.rfind(prefix, 0) == 0)
            return l.ms;
    return std::nullopt;
}

// Polls the trace (every 2 ms) until such a milestone appears; its time, or nullopt after timeoutMs.
std::optional<double> WaitMilestone(const std::function<std::string()>& trace, const std::string& prefix,
                                    double since, int timeoutMs) {
    const double end = NowMs() + timeoutMs;
    do {
        if (auto at = Milestone(ParseTrace(trace()), prefix, since))
            return at;
        SleepMs(2);
    } while (NowMs() < end);
    return std::nullopt;
}

// The milestones between the key press and the first frame, in their order.
const char* const kPhases[] = {"wintab",     "capture-start", "capture-done",
                               "view-shown", "first-tick",    "first-frame"};

// One showing: the press, the first changed pixel, and Zorvane's milestones after the press.
struct Showing {
    double pressed = 0;
    double pixel = -1;                // ms from the press to the first changed pixel seen
    double presentedPixel = -1;       // the same to the compositor's own time stamp of that frame (Wayland)
    double changedShare = -1;         // the share of the output that first changed frame changed (Wayland)
    std::map<std::string, double> at; // milestone -> ms after the press
};

bool gPrintTrace = false;

// Reads the showing's milestones from the trace; with --trace, prints them, merged in time with
// `others` (the compositor's events).
void ReadMilestones(const std::string& trace, Showing& showing, std::vector<TraceLine> others = {}) {
    const auto lines = ParseTrace(trace);
    if (gPrintTrace) {
        std::fprintf(stderr, "-- showing (ms after the press)\n");
        for (const TraceLine& l : lines)
            if (l.ms >= showing.pressed - 0.001)
                others.push_back(l);
        std::stable_sort(others.begin(), others.end(),
                         [](const TraceLine& a, const TraceLine& b) { return a.ms < b.ms; });
        for (const TraceLine& l : others)
            std::fprintf(stderr, "  %8.1f  %s\n", l.ms - showing.pressed, l.what.c_str());
        if (showing.changedShare >= 0)
            std::fprintf(stderr, "  %8.1f  (first changed frame seen: %.0f%% of the output changed)\n",
                         showing.pixel, showing.changedShare * 100);
        else
            std::fprintf(stderr, "  %8.1f  (first changed probe seen)\n", showing.pixel);
    }
    for (const char* phase : kPhases)
        if (auto t = Milestone(lines, phase, showing.pressed - 0.001))
            showing.at[phase] = *t - showing.pressed;
    if (auto t = Milestone(lines, "opening-done", showing.pressed))
        showing.at["opening-done"] = *t - showing.pressed;
    if (auto t = Milestone(others, "sway: new", showing.pressed))
        showing.at["sway-map"] = *t - showing.pressed;
}

// ---------------------------------------------------------------------------------------------
// Wayland: our own client with a virtual keyboard and a screen reader

// A memfd of `size` bytes, mapped; unmapped and closed when it goes.
class SharedMemory {
public:
    explicit SharedMemory(std::size_t size) : size_(size) {
        fd_ = ::memfd_create("wayland-bench", MFD_CLOEXEC);
        if (fd_ < 0 || ::ftruncate(fd_, static_cast<off_t>(size)) != 0)
            return;
        void* map = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
        data_ = map == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(map);
    }
    ~SharedMemory() {
        if (data_)
            ::munmap(data_, size_);
        if (fd_ >= 0)
            ::close(fd_);
    }
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;
    bool ok() const { return data_ != nullptr; }
    int fd() const { return fd_; }
    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    std::size_t size_;
    int fd_ = -1;
    std::uint8_t* data_ = nullptr;
};

// One connection to the compositor: a virtual keyboard, and whole-output copies through wlr
// screencopy into one shared-memory buffer of ours.
class WaylandProbe {
public:
    explicit WaylandProbe(const std::string& socket) {
        display_ = wl_display_connect(socket.c_str());
        if (!display_) {
            reason_ = "cannot connect to " + socket;
            return;
        }
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &kRegistryListener, this);
        wl_display_roundtrip(display_);
        if (!seat_ || !shm_ || !output_ || !copier_ || !keyboards_) {
            reason_ =
                "the compositor lacks wl_seat, wl_shm, wl_output, wlr screencopy or the virtual keyboard";
            return;
        }
        if (!makeKeyboard())
            return;
        wl_display_roundtrip(display_);
        ok_ = true;
    }
    ~WaylandProbe() {
        cancelCapture();
        if (buffer_)
            wl_buffer_destroy(buffer_);
        if (keyboard_)
            zwp_virtual_keyboard_v1_destroy(keyboard_);
        if (state_)
            xkb_state_unref(state_);
        if (keymap_)
            xkb_keymap_unref(keymap_);
        if (context_)
            xkb_context_unref(context_);
        if (keyboards_)
            zwp_virtual_keyboard_manager_v1_destroy(keyboards_);
        if (copier_)
            zwlr_screencopy_manager_v1_destroy(copier_);
        if (output_)
            wl_output_destroy(output_);
        if (shm_)
            wl_shm_destroy(shm_);
        if (seat_)
            wl_seat_destroy(seat_);
        if (registry_)
            wl_registry_destroy(registry_);
        if (display_)
            wl_display_disconnect(display_);
    }
    WaylandProbe(const WaylandProbe&) = delete;
    WaylandProbe& operator=(const WaylandProbe&) = delete;

    bool ok() const { return ok_; }
    const std::string& reason() const { return reason_; }

    // A key (evdev code) down or up, followed by the modifiers this makes; sent at once.
    void key(std::uint32_t code, bool down) {
        zwp_virtual_keyboard_v1_key(keyboard_, static_cast<std::uint32_t>(NowMs()), code,
                                    down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
        xkb_state_update_key(state_, code + 8, down ? XKB_KEY_DOWN : XKB_KEY_UP);
        zwp_virtual_keyboard_v1_modifiers(keyboard_,
                                          xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED),
                                          xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
                                          xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED),
                                          xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_EFFECTIVE));
        wl_display_flush(display_);
    }

    // Asks for a copy of the output (with damage: only once something is drawn) and waits until
    // the compositor has the request, so that whatever is drawn from now on is in the copy.
    bool startCapture(bool withDamage) {
        cancelCapture();
        withDamage_ = withDamage;
        capture_ = Capture::waitingBuffer;
        frame_ = zwlr_screencopy_manager_v1_capture_output(copier_, 0, output_);
        zwlr_screencopy_frame_v1_add_listener(frame_, &kFrameListener, this);
        if (!dispatchUntil([&] { return capture_ != Capture::waitingBuffer; }, 5000))
            return false;
        return wl_display_roundtrip(display_) >= 0 && capture_ != Capture::failed;
    }
    // Waits for the copy asked for; true once it is in the buffer.
    bool waitCapture(int timeoutMs) {
        dispatchUntil([&] { return capture_ == Capture::ready || capture_ == Capture::failed; }, timeoutMs);
        return capture_ == Capture::ready;
    }
    // Withdraws a copy still asked for.
    void cancelCapture() {
        if (frame_)
            zwlr_screencopy_frame_v1_destroy(frame_);
        frame_ = nullptr;
        capture_ = Capture::none;
    }
    // When the last copy arrived (our clock) and the compositor's time stamp of its frame.
    double readyAt() const { return readyAt_; }
    double presentedAt() const { return presentedAt_; }

    // The last copy's pixels (alpha left out).
    std::vector<std::uint32_t> picture() const {
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width_) * height_);
        for (int y = 0; y < height_; ++y) {
            const auto* row =
                reinterpret_cast<const std::uint32_t*>(memory_->data() + std::size_t(y) * stride_);
            for (int x = 0; x < width_; ++x)
                pixels[std::size_t(y) * width_ + x] = row[x] & 0xFFFFFF;
        }
        return pixels;
    }
    // How many pixels of the last copy differ from `before` (all of them when the sizes differ).
    long changedPixels(const std::vector<std::uint32_t>& before) const {
        if (before.size() != static_cast<std::size_t>(width_) * height_)
            return pixelCount();
        long changed = 0;
        for (int y = 0; y < height_; ++y) {
            const auto* row =
                reinterpret_cast<const std::uint32_t*>(memory_->data() + std::size_t(y) * stride_);
            const std::uint32_t* old = before.data() + std::size_t(y) * width_;
            for (int x = 0; x < width_; ++x)
                changed += (row[x] & 0xFFFFFF) != old[x];
        }
        return changed;
    }
    long pixelCount() const { return long(width_) * height_; }

    // Waits until nothing has been drawn for quietMs (at most timeoutMs); the picture then.
    std::vector<std::uint32_t> settle(int quietMs = 400, int timeoutMs = 10000) {
        const double end = NowMs() + timeoutMs;
        std::vector<std::uint32_t> last;
        while (NowMs() < end) {
            if (!startCapture(true))
                break;
            if (!waitCapture(quietMs)) {
                cancelCapture();
                if (!last.empty())
                    break;
                continue;
            }
            last = picture();
        }
        cancelCapture();
        return last;
    }

private:
    enum class Capture { none, waitingBuffer, copying, ready, failed };

    bool makeKeyboard() {
        context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names names{}; // the defaults: evdev, pc105, us
        keymap_ =
            context_ ? xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
        if (!keymap_) {
            reason_ = "cannot compile the default xkb keymap";
            return false;
        }
        state_ = xkb_state_new(keymap_);
        char* text = xkb_keymap_get_as_string(keymap_, XKB_KEYMAP_FORMAT_TEXT_V1);
        const std::size_t size = std::strlen(text) + 1;
        SharedMemory memory(size);
        if (!memory.ok()) {
            std::free(text);
            reason_ = "cannot make a memfd for the keymap";
            return false;
        }
        std::memcpy(memory.data(), text, size);
        std::free(text);
        keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboards_, seat_);
        zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, memory.fd(),
                                       static_cast<std::uint32_t>(size));
        return wl_display_roundtrip(display_) >= 0;
    }

    // Reads and dispatches events until done() holds or timeoutMs have passed.
    bool dispatchUntil(const std::function<bool()>& done, int timeoutMs) {
        const double end = NowMs() + timeoutMs;
        while (!done()) {
            const int left = static_cast<int>(end - NowMs());
            if (left <= 0)
                return false;
            while (wl_display_prepare_read(display_) != 0)
                if (wl_display_dispatch_pending(display_) < 0)
                    return false;
            wl_display_flush(display_);
            pollfd connection{wl_display_get_fd(display_), POLLIN, 0};
            if (::poll(&connection, 1, left) > 0) {
                if (wl_display_read_events(display_) < 0)
                    return false;
            } else {
                wl_display_cancel_read(display_);
            }
            if (wl_display_dispatch_pending(display_) < 0)
                return false;
        }
        return true;
    }

    void onBuffer(std::uint32_t format, std::uint32_t width, std::uint32_t height, std::uint32_t stride) {
        if (!buffer_ || width != std::uint32_t(width_) || height != std::uint32_t(height_) ||
            stride != std::uint32_t(stride_) || format != format_) {
            if (buffer_)
                wl_buffer_destroy(buffer_);
            width_ = int(width);
            height_ = int(height);
            stride_ = int(stride);
            format_ = format;
            memory_ = std::make_unique<SharedMemory>(std::size_t(stride) * height);
            wl_shm_pool* pool = wl_shm_create_pool(shm_, memory_->fd(), int(memory_->size()));
            buffer_ = wl_shm_pool_create_buffer(pool, 0, int(width), int(height), int(stride), format);
            wl_shm_pool_destroy(pool);
        }
        if (copierVersion_ < 3)
            copy();
    }
    void copy() {
        if (withDamage_)
            zwlr_screencopy_frame_v1_copy_with_damage(frame_, buffer_);
        else
            zwlr_screencopy_frame_v1_copy(frame_, buffer_);
        capture_ = Capture::copying;
    }

    static void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                         std::uint32_t version) {
        auto* self = static_cast<WaylandProbe*>(data);
        const std::string_view iface(interface);
        if (iface == wl_seat_interface.name && !self->seat_)
            self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        else if (iface == wl_shm_interface.name)
            self->shm_ = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
        else if (iface == wl_output_interface.name && !self->output_)
            self->output_ =
                static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
        else if (iface == zwlr_screencopy_manager_v1_interface.name) {
            self->copierVersion_ = std::min<std::uint32_t>(version, 3);
            self->copier_ = static_cast<zwlr_screencopy_manager_v1*>(wl_registry_bind(
                registry, name, &zwlr_screencopy_manager_v1_interface, self->copierVersion_));
        } else if (iface == zwp_virtual_keyboard_manager_v1_interface.name)
            self->keyboards_ = static_cast<zwp_virtual_keyboard_manager_v1*>(
                wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
    static void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
    static constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

    static void OnFrameBuffer(void* data, zwlr_screencopy_frame_v1*, std::uint32_t format,
                              std::uint32_t width, std::uint32_t height, std::uint32_t stride) {
        static_cast<WaylandProbe*>(data)->onBuffer(format, width, height, stride);
    }
    static void OnFrameFlags(void*, zwlr_screencopy_frame_v1*, std::uint32_t) {}
    static void OnFrameReady(void* data, zwlr_screencopy_frame_v1*, std::uint32_t secHi, std::uint32_t secLo,
                             std::uint32_t nsec) {
        auto* self = static_cast<WaylandProbe*>(data);
        self->readyAt_ = NowMs();
        const double seconds = static_cast<double>((std::uint64_t(secHi) << 32) | secLo);
        self->presentedAt_ = seconds * 1000.0 + nsec / 1e6;
        self->capture_ = Capture::ready;
    }
    static void OnFrameFailed(void* data, zwlr_screencopy_frame_v1*) {
        static_cast<WaylandProbe*>(data)->capture_ = Capture::failed;
    }
    static void OnFrameDamage(void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t,
                              std::uint32_t) {}
    static void OnFrameDmabuf(void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t) {
    }
    static void OnFrameBufferDone(void* data, zwlr_screencopy_frame_v1*) {
        static_cast<WaylandProbe*>(data)->copy();
    }
    static constexpr zwlr_screencopy_frame_v1_listener kFrameListener = {
        OnFrameBuffer, OnFrameFlags,  OnFrameReady,     OnFrameFailed,
        OnFrameDamage, OnFrameDmabuf, OnFrameBufferDone};

    bool ok_ = false;
    std::string reason_;
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_shm* shm_ = nullptr;
    wl_output* output_ = nullptr;
    zwlr_screencopy_manager_v1* copier_ = nullptr;
    std::uint32_t copierVersion_ = 0;
    zwp_virtual_keyboard_manager_v1* keyboards_ = nullptr;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;

    zwlr_screencopy_frame_v1* frame_ = nullptr;
    Capture capture_ = Capture::none;
    bool withDamage_ = false;
    std::unique_ptr<SharedMemory> memory_;
    wl_buffer* buffer_ = nullptr;
    int width_ = 0, height_ = 0, stride_ = 0;
    std::uint32_t format_ = 0;
    double readyAt_ = 0;
    double presentedAt_ = 0;
};

// sway's window events (new, focus, fullscreen_mode, close...) as they come, each with the time it
// was read, from `swaymsg -t subscribe -m`; for --trace only.
class SwayWindowEvents {
public:
    explicit SwayWindowEvents(const std::string& ipcSocket) {
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(pipeFds[1], 1);
            ::execlp("swaymsg", "swaymsg", "-s", ipcSocket.c_str(), "-r", "-m", "-t", "subscribe",
                     "[\"window\"]", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        if (pid_ < 0) {
            ::close(pipeFds[0]);
            return;
        }
        reader_ = std::thread([this, fd = pipeFds[0]] { read(fd); });
    }
    ~SwayWindowEvents() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (reader_.joinable())
            reader_.join();
    }
    SwayWindowEvents(const SwayWindowEvents&) = delete;
    SwayWindowEvents& operator=(const SwayWindowEvents&) = delete;

    // The events read at or after `since`: "<change> <window title>".
    std::vector<TraceLine> since(double since) const {
        std::lock_guard lock(mutex_);
        std::vector<TraceLine> found;
        for (const TraceLine& e : events_)
            if (e.ms >= since)
                found.push_back(e);
        return found;
    }

private:
    void read(int fd) {
        std::string pending;
        char chunk[65536];
        for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) {
            const double at = NowMs();
            pending.append(chunk, std::size_t(n));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;
                 pending.erase(0, end + 1)) {
                const auto event = nlohmann::json::parse(pending.substr(0, end), nullptr, false);
                if (!event.is_object())
                    continue;
                std::string title;
                if (event.contains("container") && event["container"].is_object() &&
                    event["container"].contains("name") && event["container"]["name"].is_string())
                    title = event["container"]["name"].get<std::string>();
                std::lock_guard lock(mutex_);
                events_.push_back({at, "sway: " +
                                           (event.contains("change") && event["change"].is_string()
                                                ? event["change"].get<std::string>()
                                                : std::string("?")) +
                                           " " + title});
            }
        }
        ::close(fd);
    }

    pid_t pid_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::vector<TraceLine> events_;
};

// Runs `zorvane --wintab` as sway's user with the environment sway's binding gives it; the time
// from fork to its exit in ms (negative when it failed).
double TimeWintabClient(SwayDesktop& sway, const std::string& zorvane) {
    std::vector<std::string> args = {zorvane, "--wintab"};
    const std::vector<std::string> env = sway.swayUserEnvironment();
    std::vector<char*> argv, envp;
    for (auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const Identity& who = sway.swayUser();
    const double start = NowMs();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd)
            ::dup2(null, fd);
        if (::getuid() != who.uid &&
            (::setgroups(0, nullptr) != 0 || ::setgid(who.gid) != 0 || ::setuid(who.uid) != 0))
            ::_exit(126);
        if (::chdir(who.home.c_str()) != 0)
            ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (pid < 0)
        return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double took = NowMs() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? took : -1;
}

struct WaylandFigures {
    std::vector<Showing> showings;
    std::vector<double> wintabClient;
    std::string note;
};

void MeasureWayland(int showings, WaylandFigures& figures) {
    SwayDesktop sway(SwayDesktop::Options{kWidth, kHeight});
    if (!sway.ok()) {
        figures.note = "sway: " + sway.reason();
        return;
    }
    // When sway maps the view (its "new" window event) splits the way from the first frame to the
    // pixel in two.
    std::optional<SwayWindowEvents> events;
    events.emplace(sway.ipcSocket());
    WaylandProbe probe(sway.waylandSocket());
    if (!probe.ok()) {
        figures.note = probe.reason();
        return;
    }
    for (int i = 0; i < kWindows; ++i) {
        const std::string title = "Window " + std::to_string(i);
        auto& client = sway.startClient(
            {"--title", title, "--app-id", "zv.bench" + std::to_string(i), "--color", Colour(i)});
        if (!client.waitForLine("ready", 30000) || !sway.waitForWindow(title, 30000)) {
            figures.note = "the test windows did not show: " + client.err();
            return;
        }
    }
    const std::string zorvane = WaylandBinDir() + "/zorvane";
    const std::string settings = sway.writeSwayUserFile(
        "zorvane/Zorvane.xml",
        "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<Configuration>\n  <Zorvane>\n  </Zorvane>\n"
        "</Configuration>\n");
    ChildProcess& instance = sway.startAsSwayUser({zorvane, "--settings", settings}, {"ZORVANE_TRACE=1"});
    const auto trace = [&] { return instance.err(); };
    if (!WaitMilestone(trace, "resident", 0, 60000)) {
        figures.note = "zorvane did not start: " + instance.err().substr(0, 2000);
        return;
    }
    SleepMs(500); // its bindings are made

    for (int i = 0; i < showings; ++i) {
        const std::vector<std::uint32_t> before = probe.settle();
        if (gPrintTrace)
            for (const SwayWindow& w : sway.windows())
                if (w.focused)
                    std::fprintf(stderr, "-- focused before the press: %s (id %ld)\n", w.title.c_str(), w.id);
        if (before.empty() || !probe.startCapture(true)) {
            figures.note = "cannot read the output";
            return;
        }
        Showing showing;
        probe.key(KEY_LEFTMETA, true);
        showing.pressed = NowMs();
        probe.key(KEY_TAB, true);
        probe.key(KEY_TAB, false);
        while (probe.waitCapture(static_cast<int>(showing.pressed + 5000 - NowMs()))) {
            if (const long changed = probe.changedPixels(before); changed > 0) {
                showing.changedShare = double(changed) / double(probe.pixelCount());
                showing.pixel = probe.readyAt() - showing.pressed;
                showing.presentedPixel = probe.presentedAt() - showing.pressed;
                break;
            }
            if (!probe.startCapture(true))
                break;
        }
        probe.cancelCapture();
        WaitMilestone(trace, "opening-done", showing.pressed, 5000);
        if (gPrintTrace) {
            std::fprintf(stderr, "-- sway's windows while the view shows:");
            for (const SwayWindow& w : sway.windows())
                std::fprintf(stderr, " [%s %dx%d%s]", w.title.c_str(), w.width, w.height,
                             w.node.value("fullscreen_mode", 0) ? " fullscreen" : "");
            std::fprintf(stderr, "\n");
        }
        SleepMs(150); // a moment with the view shown, as a person would
        probe.key(KEY_LEFTMETA, false);
        WaitMilestone(trace, "view-hidden", showing.pressed, 5000);
        ReadMilestones(trace(), showing, events ? events->since(showing.pressed) : std::vector<TraceLine>{});
        if (showing.pixel < 0) {
            figures.note = "no change on the output within 5 s";
            return;
        }
        figures.showings.push_back(showing);
    }

    // The client the binding runs: exec to exit, while the instance runs. Super is not held, so
    // each call opens the view and it closes again at once.
    for (int i = 0; i < showings; ++i) {
        probe.settle();
        const double started = NowMs();
        const double took = TimeWintabClient(sway, zorvane);
        if (took < 0) {
            figures.note = "zorvane --wintab failed";
            return;
        }
        figures.wintabClient.push_back(took);
        WaitMilestone(trace, "view-hidden", started, 5000);
    }
    probe.settle();
    sway.runAsSwayUser({zorvane, "--quit"}, {}, 10000);
    instance.waitExit(10000);
}

// ---------------------------------------------------------------------------------------------
// X11, as peers_bench measures it

struct X11Figures {
    std::vector<Showing> showings;
    std::string note;
};

void MeasureX11(int showings, X11Figures& figures) {
    XDesktop desktop(XDesktop::Options{kWidth, kHeight, true});
    if (!desktop.ok()) {
        figures.note = "Xvfb: " + desktop.reason();
        return;
    }
    // Side by side, full height, as sway tiles them.
    const int width = kWidth / kWindows;
    for (int i = 0; i < kWindows; ++i) {
        const std::string title = "Window " + std::to_string(i);
        desktop.spawnTestClient({"--title", title, "--color", Colour(i), "--size",
                                 std::to_string(width - 4) + "x" + std::to_string(kHeight - 40), "--pos",
                                 std::to_string(i * width) + ",20"});
        const Window window = desktop.waitForTitle(title, 60000);
        if (window == None || !desktop.waitPainted(window, 60000)) {
            figures.note = "the test windows did not show";
            return;
        }
    }
    ZorvaneRun run(desktop);
    if (!run.startResident()) {
        figures.note = "zorvane did not start";
        return;
    }
    const auto trace = [&] { return run.trace(); };
    Probes probes(desktop, kWidth, kHeight);
    const unsigned super = desktop.keycodeOf(XK_Super_L);
    const unsigned tab = desktop.keycodeOf(XK_Tab);
    for (int i = 0; i < showings; ++i) {
        probes.settle();
        const std::vector<unsigned long> before = probes.read();
        probes.watch();
        Showing showing;
        desktop.keyDown(super);
        showing.pressed = NowMs();
        desktop.tapKey(tab);
        showing.pixel = probes.firstChange(before, showing.pressed);
        WaitMilestone(trace, "opening-done", showing.pressed, 5000);
        SleepMs(150);
        desktop.keyUp(super);
        WaitMilestone(trace, "view-hidden", showing.pressed, 5000);
        ReadMilestones(trace(), showing);
        if (showing.pixel < 0) {
            figures.note = "no change on the screen within 5 s";
            return;
        }
        figures.showings.push_back(showing);
    }
    probes.settle();
    run.runAgain({"--quit"});
    int code = 0;
    run.waitExit(10000, code);
}

// ---------------------------------------------------------------------------------------------
// The summary

struct Stats {
    int count = 0;
    double median = 0, min = 0, max = 0;
};

Stats Of(std::vector<double> values) {
    Stats s;
    std::erase_if(values, [](double v) { return v < 0; });
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    s.count = static_cast<int>(values.size());
    const std::size_t n = values.size();
    s.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    s.min = values.front();
    s.max = values.back();
    return s;
}

// The warm showings' values (all but the first) of what `value` picks; negative ones are missing.
std::vector<double> Warm(const std::vector<Showing>& showings,
                         const std::function<double(const Showing&)>& value) {
    std::vector<double> values;
    for (std::size_t i = 1; i < showings.size(); ++i)
        values.push_back(value(showings[i]));
    return values;
}

double Phase(const Showing& s, const std::string& name) {
    const auto it = s.at.find(name);
    return it == s.at.end() ? -1 : it->second;
}

// Key to pixel without the first frame's own drawing (first-tick to first-frame).
double WithoutFirstFrame(const Showing& s) {
    const double tick = Phase(s, "first-tick"), frame = Phase(s, "first-frame");
    return tick < 0 || frame < 0 ? -1 : s.pixel - (frame - tick);
}

// From one milestone to the next (or to the pixel, with `to` empty); "" means the press.
double Between(const Showing& s, const std::string& from, const std::string& to) {
    const double a = from.empty() ? 0 : Phase(s, from);
    const double b = to.empty() ? s.pixel : Phase(s, to);
    return a < 0 || b < 0 ? -1 : b - a;
}

void PrintLine(const char* label, const std::vector<Showing>& showings,
               const std::function<double(const Showing&)>& value) {
    const Stats s = Of(Warm(showings, value));
    if (showings.empty() || s.count == 0) {
        std::printf("  %-36s  (none)\n", label);
        return;
    }
    std::printf("  %-36s first %7.1f   median %7.1f   min %7.1f   max %7.1f ms\n", label,
                value(showings.front()), s.median, s.min, s.max);
}

std::string Machine() {
    utsname u{};
    ::uname(&u);
    return std::string(u.machine) + ", " + std::to_string(std::thread::hardware_concurrency()) + " cores";
}

} // namespace

int main(int argc, char** argv) {
    int showings = 8;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--trace")
            gPrintTrace = true;
        else
            showings = std::max(2, std::atoi(argv[i]));
    }
    if (!std::getenv("ZORVANE_BIN_DIR"))
        setenv("ZORVANE_BIN_DIR", ZV_BIN_DIR, 1);

    WaylandFigures wayland;
    MeasureWayland(showings, wayland);
    X11Figures x11;
    MeasureX11(showings, x11);

    const std::time_t now = std::time(nullptr);
    char date[40];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    std::printf("Zorvane's opening, Super+Tab to the first changed pixel, %d windows on %dx%d, %d showings "
                "each (the first apart, then the warm ones), %s, %s\n",
                kWindows, kWidth, kHeight, showings, date, Machine().c_str());

    std::printf(
        "Wayland: headless sway (pixman), virtual keyboard, whole-output wlr screencopy with damage\n");
    if (!wayland.note.empty())
        std::printf("  %s\n", wayland.note.c_str());
    PrintLine("key to pixel (copy received)", wayland.showings, [](const Showing& s) { return s.pixel; });
    PrintLine("key to pixel (frame's time stamp)", wayland.showings,
              [](const Showing& s) { return s.presentedPixel; });
    PrintLine("minus the first frame's drawing", wayland.showings, WithoutFirstFrame);

    std::printf("X11: Xvfb and openbox, XTest keys, 35 probes read on root DAMAGE\n");
    if (!x11.note.empty())
        std::printf("  %s\n", x11.note.c_str());
    PrintLine("key to pixel", x11.showings, [](const Showing& s) { return s.pixel; });
    PrintLine("minus the first frame's drawing", x11.showings, WithoutFirstFrame);

    const auto median = [](const std::vector<Showing>& v, const std::function<double(const Showing&)>& f) {
        return Of(Warm(v, f)).median;
    };
    const double wlPixel = median(wayland.showings, [](const Showing& s) { return s.pixel; });
    const double xPixel = median(x11.showings, [](const Showing& s) { return s.pixel; });
    if (wlPixel > 0 && xPixel > 0) {
        std::printf(
            "Wayland / X11, warm medians: key to pixel %.2f (goal: at most 1.30), minus the first frame's "
            "drawing %.2f\n",
            wlPixel / xPixel,
            median(wayland.showings, WithoutFirstFrame) / median(x11.showings, WithoutFirstFrame));
    }

    std::printf("Where the time goes, warm medians from Zorvane's trace (ms; sway-map: sway's window event\n"
                "for the view, when its first buffer maps it):                    Wayland      X11\n");
    const std::vector<std::pair<std::string, std::string>> steps = {{"", "wintab"},
                                                                    {"wintab", "capture-start"},
                                                                    {"capture-start", "capture-done"},
                                                                    {"capture-done", "view-shown"},
                                                                    {"view-shown", "first-tick"},
                                                                    {"first-tick", "first-frame"},
                                                                    {"first-frame", "sway-map"},
                                                                    {"sway-map", ""},
                                                                    {"first-frame", ""},
                                                                    {"", ""}};
    for (const auto& [from, to] : steps) {
        const std::string label =
            (from.empty() ? std::string("key") : from) + " -> " + (to.empty() ? std::string("pixel") : to);
        const auto pick = [&](const Showing& s) { return Between(s, from, to); };
        const Stats w = Of(Warm(wayland.showings, pick)), x = Of(Warm(x11.showings, pick));
        char wText[16] = "      -", xText[16] = "      -";
        if (w.count)
            std::snprintf(wText, sizeof wText, "%7.1f", w.median);
        if (x.count)
            std::snprintf(xText, sizeof xText, "%7.1f", x.median);
        std::printf("  %-58s %s  %s\n", label.c_str(), wText, xText);
    }

    const Stats client = Of(wayland.wintabClient);
    if (client.count)
        std::printf(
            "zorvane --wintab (the binding's client), exec to exit, %d calls: median %.1f   min %.1f   max "
            "%.1f ms\n",
            client.count, client.median, client.min, client.max);
    std::printf("(a shared 2-core machine: figures are noisy while other programs build)\n");
    return wayland.showings.empty() || x11.showings.empty() ? 1 : 0;
}
