// zv-wl-client: one xdg-shell toplevel filled with one colour, for tests on a real Wayland compositor.
//
//   zv-wl-client --title T --app-id A --color RRGGBB [--size WxH] [--scale N]
//
// The compositor picks the size (a tiling one always does); --size (default 400x300) is what the
// window asks for when the compositor leaves it to the client (a configure of 0x0). The buffer is
// the configured size times --scale (default 1), announced with wl_surface.set_buffer_scale, so a
// window on a scaled output shows sharp only when --scale matches the output's scale; it shows the
// same colour either way.
//
// Standard output: "ready" once the first buffer is committed after the first configure, "closed"
// when the compositor asks the window to close (then exit status 0). Standard input takes commands,
// one a line, so a test can change the window while it runs:
//   title T | app-id A | color RRGGBB | quit
// Exit status: 0 after close or quit, 1 when the connection fails or is lost, 2 on bad arguments.
#include "xdg-shell-client-protocol.h"

#include <wayland-client.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace {

struct Args {
    std::string title = "zv-wl-client";
    std::string appId = "zv-wl-client";
    std::uint32_t color = 0x808080;
    int width = 400;
    int height = 300;
    int scale = 1;
};

bool ParseColor(std::string_view text, std::uint32_t& color) {
    if (!text.empty() && text.front() == '#')
        text.remove_prefix(1);
    if (text.size() != 6)
        return false;
    char* end = nullptr;
    const std::string copy(text);
    const unsigned long value = std::strtoul(copy.c_str(), &end, 16);
    if (end != copy.c_str() + copy.size())
        return false;
    color = static_cast<std::uint32_t>(value);
    return true;
}

bool ParseArgs(int argc, char** argv, Args& args) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (i + 1 >= argc)
            return false;
        const std::string value = argv[++i];
        if (name == "--title") {
            args.title = value;
        } else if (name == "--app-id") {
            args.appId = value;
        } else if (name == "--color") {
            if (!ParseColor(value, args.color))
                return false;
        } else if (name == "--size") {
            if (std::sscanf(value.c_str(), "%dx%d", &args.width, &args.height) != 2 || args.width <= 0 ||
                args.height <= 0)
                return false;
        } else if (name == "--scale") {
            args.scale = std::atoi(value.c_str());
            if (args.scale < 1)
                return false;
        } else {
            return false;
        }
    }
    return true;
}

// Deleters so every protocol object and the connection go with the scope that made them.
template <typename T, void (*Destroy)(T*)> struct Deleter {
    void operator()(T* p) const {
        if (p != nullptr)
            Destroy(p);
    }
};
template <typename T, void (*Destroy)(T*)> using Owned = std::unique_ptr<T, Deleter<T, Destroy>>;

// One wl_shm buffer filled with a colour; the memory is unmapped with it.
class ShmBuffer {
public:
    ShmBuffer(wl_shm* shm, int width, int height, std::uint32_t color) : width_(width), height_(height) {
        const int stride = width * 4;
        size_ = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
        const int fd = ::memfd_create("zv-wl-client", MFD_CLOEXEC);
        if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(size_)) != 0) {
            if (fd >= 0)
                ::close(fd);
            return;
        }
        void* data = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (data == MAP_FAILED) {
            ::close(fd);
            return;
        }
        data_ = static_cast<std::uint32_t*>(data);
        // XRGB8888: one little-endian 32-bit word per pixel, the unused byte opaque for good measure.
        const std::uint32_t pixel = 0xff000000u | color;
        for (std::size_t i = 0; i < size_ / 4; ++i)
            data_[i] = pixel;
        Owned<wl_shm_pool, wl_shm_pool_destroy> pool(wl_shm_create_pool(shm, fd, static_cast<int>(size_)));
        buffer_.reset(
            wl_shm_pool_create_buffer(pool.get(), 0, width, height, stride, WL_SHM_FORMAT_XRGB8888));
        ::close(fd); // the pool keeps its own reference to the memory
    }
    ~ShmBuffer() {
        buffer_.reset();
        if (data_ != nullptr)
            ::munmap(data_, size_);
    }
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    wl_buffer* get() const { return buffer_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_;
    int height_;
    std::size_t size_ = 0;
    std::uint32_t* data_ = nullptr;
    Owned<wl_buffer, wl_buffer_destroy> buffer_;
};

struct Client {
    Args args;
    Owned<wl_display, wl_display_disconnect> display;
    Owned<wl_registry, wl_registry_destroy> registry;
    Owned<wl_compositor, wl_compositor_destroy> compositor;
    Owned<wl_shm, wl_shm_destroy> shm;
    Owned<xdg_wm_base, xdg_wm_base_destroy> wmBase;
    Owned<wl_surface, wl_surface_destroy> surface;
    Owned<xdg_surface, xdg_surface_destroy> xdgSurface;
    Owned<xdg_toplevel, xdg_toplevel_destroy> toplevel;
    std::unique_ptr<ShmBuffer> buffer;
    // The size of the latest xdg_toplevel.configure, applied at the xdg_surface.configure after it.
    int pendingWidth = 0;
    int pendingHeight = 0;
    int width = 0;
    int height = 0;
    bool configured = false;
    bool ready = false;
    bool done = false;
    int exitCode = 0;

    // Draws the current size and colour and commits it.
    void paint() {
        buffer = std::make_unique<ShmBuffer>(shm.get(), width * args.scale, height * args.scale, args.color);
        if (buffer->get() == nullptr) {
            std::fprintf(stderr, "zv-wl-client: no buffer of %dx%d\n", width, height);
            done = true;
            exitCode = 1;
            return;
        }
        wl_surface_set_buffer_scale(surface.get(), args.scale);
        wl_surface_attach(surface.get(), buffer->get(), 0, 0);
        wl_surface_damage_buffer(surface.get(), 0, 0, buffer->width(), buffer->height());
        wl_surface_commit(surface.get());
        if (!ready) {
            ready = true;
            std::printf("ready\n");
            std::fflush(stdout);
        }
    }

    void command(const std::string& line) {
        const std::size_t space = line.find(' ');
        const std::string verb = line.substr(0, space);
        const std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
        if (verb == "title") {
            args.title = rest;
            xdg_toplevel_set_title(toplevel.get(), rest.c_str());
        } else if (verb == "app-id") {
            args.appId = rest;
            xdg_toplevel_set_app_id(toplevel.get(), rest.c_str());
        } else if (verb == "color") {
            if (ParseColor(rest, args.color) && configured)
                paint();
        } else if (verb == "quit") {
            done = true;
        } else if (!verb.empty()) {
            std::fprintf(stderr, "zv-wl-client: unknown command '%s'\n", line.c_str());
        }
    }
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
    auto* c = static_cast<Client*>(data);
    const std::string_view which = interface;
    if (which == wl_compositor_interface.name && version >= 4) {
        c->compositor.reset(
            static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4)));
    } else if (which == wl_shm_interface.name) {
        c->shm.reset(static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1)));
    } else if (which == xdg_wm_base_interface.name) {
        c->wmBase.reset(
            static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1)));
    }
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

void OnPing(void*, xdg_wm_base* base, std::uint32_t serial) {
    xdg_wm_base_pong(base, serial);
}

const xdg_wm_base_listener kWmBaseListener = {OnPing};

void OnSurfaceConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
    auto* c = static_cast<Client*>(data);
    xdg_surface_ack_configure(surface, serial);
    const int w = c->pendingWidth > 0 ? c->pendingWidth : c->args.width;
    const int h = c->pendingHeight > 0 ? c->pendingHeight : c->args.height;
    // A configure without a new size needs no new buffer, but every configure wants a commit.
    if (!c->configured || w != c->width || h != c->height) {
        c->configured = true;
        c->width = w;
        c->height = h;
        c->paint();
    } else {
        wl_surface_commit(c->surface.get());
    }
}

const xdg_surface_listener kSurfaceListener = {OnSurfaceConfigure};

void OnToplevelConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
    auto* c = static_cast<Client*>(data);
    c->pendingWidth = width;
    c->pendingHeight = height;
}

void OnToplevelClose(void* data, xdg_toplevel*) {
    auto* c = static_cast<Client*>(data);
    std::printf("closed\n");
    std::fflush(stdout);
    c->done = true;
}

// Sent only to clients of xdg_wm_base 4 and 5; we bind 1, but the listener has their slots.
void OnConfigureBounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
void OnWmCapabilities(void*, xdg_toplevel*, wl_array*) {}

const xdg_toplevel_listener kToplevelListener = {OnToplevelConfigure, OnToplevelClose, OnConfigureBounds,
                                                 OnWmCapabilities};

// Reads what standard input holds and runs its complete lines; false once it has ended.
bool ReadCommands(Client& c, std::string& pending) {
    char chunk[512];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n <= 0)
        return n < 0 && (errno == EINTR || errno == EAGAIN);
    pending.append(chunk, static_cast<std::size_t>(n));
    for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        c.command(pending.substr(0, end));
        pending.erase(0, end + 1);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Client c;
    if (!ParseArgs(argc, argv, c.args)) {
        std::fprintf(stderr,
                     "usage: zv-wl-client --title T --app-id A --color RRGGBB [--size WxH] [--scale N]\n");
        return 2;
    }
    c.display.reset(wl_display_connect(nullptr));
    if (!c.display) {
        std::fprintf(stderr, "zv-wl-client: cannot connect to the Wayland display\n");
        return 1;
    }
    c.registry.reset(wl_display_get_registry(c.display.get()));
    wl_registry_add_listener(c.registry.get(), &kRegistryListener, &c);
    wl_display_roundtrip(c.display.get());
    if (!c.compositor || !c.shm || !c.wmBase) {
        std::fprintf(stderr, "zv-wl-client: the compositor lacks wl_compositor 4, wl_shm or xdg_wm_base\n");
        return 1;
    }
    xdg_wm_base_add_listener(c.wmBase.get(), &kWmBaseListener, &c);
    c.surface.reset(wl_compositor_create_surface(c.compositor.get()));
    c.xdgSurface.reset(xdg_wm_base_get_xdg_surface(c.wmBase.get(), c.surface.get()));
    xdg_surface_add_listener(c.xdgSurface.get(), &kSurfaceListener, &c);
    c.toplevel.reset(xdg_surface_get_toplevel(c.xdgSurface.get()));
    xdg_toplevel_add_listener(c.toplevel.get(), &kToplevelListener, &c);
    xdg_toplevel_set_title(c.toplevel.get(), c.args.title.c_str());
    xdg_toplevel_set_app_id(c.toplevel.get(), c.args.appId.c_str());
    // The first commit carries no buffer: it asks for the first configure.
    wl_surface_commit(c.surface.get());

    wl_display* display = c.display.get();
    bool stdinOpen = true;
    std::string pending;
    while (!c.done) {
        while (wl_display_prepare_read(display) != 0)
            wl_display_dispatch_pending(display);
        if (c.done) {
            wl_display_cancel_read(display);
            break;
        }
        wl_display_flush(display);
        pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int ready = ::poll(fds, stdinOpen ? 2 : 1, -1);
        if (ready < 0 && errno != EINTR) {
            wl_display_cancel_read(display);
            return 1;
        }
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            if (wl_display_read_events(display) != 0)
                break;
        } else {
            wl_display_cancel_read(display);
        }
        if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP)) != 0 && (fds[0].revents & POLLIN) == 0)
            break;
        if (wl_display_dispatch_pending(display) < 0)
            break;
        if (stdinOpen && ready > 0 && (fds[1].revents & (POLLIN | POLLHUP)) != 0)
            stdinOpen = ReadCommands(c, pending);
    }
    if (!c.done || wl_display_get_error(display) != 0) {
        std::fprintf(stderr, "zv-wl-client: the connection to the compositor was lost\n");
        return 1;
    }
    // Unmap the window before leaving, so the compositor sees an orderly close.
    c.toplevel.reset();
    c.xdgSurface.reset();
    c.surface.reset();
    wl_display_roundtrip(display);
    return c.exitCode;
}
