// ScreenProbes: when a switcher's first pixel reaches an X screen, seen from outside: a few small
// probes spread over the screen, read when the server reports drawing on the root window. Shared
// by the benchmarks that measure Zorvane and its peers on X11.
#pragma once

#include "harness/XHarness.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>

#include <chrono>
#include <ctime>
#include <thread>
#include <utility>
#include <vector>

namespace zorvane::bench {

using test::XDesktop;

// Milliseconds on the monotonic clock, the one Zorvane's trace is stamped with.
inline double ProbeClockMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Tells when anything was drawn on the screen, from the server's damage reports on the root window.
// The probes are read when something was drawn, not over and over: a reader that spins keeps one
// processor (and the X server) busy, and on two processors that halves what a switcher drawing in
// software gets, which no user's desktop does to it.
class ScreenDamage {
public:
    explicit ScreenDamage(const char* displayName) : dpy_(XOpenDisplay(displayName)) {
        int error = 0;
        if (dpy_ && XDamageQueryExtension(dpy_, &event_, &error))
            damage_ = XDamageCreate(dpy_, DefaultRootWindow(dpy_), XDamageReportNonEmpty);
        if (dpy_)
            XSync(dpy_, False);
    }
    ~ScreenDamage() {
        if (!dpy_)
            return;
        if (damage_)
            XDamageDestroy(dpy_, damage_);
        XCloseDisplay(dpy_);
    }
    ScreenDamage(const ScreenDamage&) = delete;
    ScreenDamage& operator=(const ScreenDamage&) = delete;

    // Forgets what was drawn so far.
    void clear() { takeReports(); }
    // Waits until something is drawn, for at most timeoutMs; true when something was.
    bool wait(int timeoutMs) {
        if (!damage_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return true; // no damage extension: read the probes every millisecond
        }
        if (takeReports())
            return true;
        pollfd connection{ConnectionNumber(dpy_), POLLIN, 0};
        poll(&connection, 1, timeoutMs);
        return takeReports();
    }

private:
    bool takeReports() {
        if (!damage_)
            return false;
        bool drawn = false;
        while (XPending(dpy_) > 0) {
            XEvent event;
            XNextEvent(dpy_, &event);
            drawn = drawn || event.type == event_ + XDamageNotify;
        }
        if (drawn) {
            XDamageSubtract(dpy_, damage_, None, None);
            XFlush(dpy_);
        }
        return drawn;
    }

    Display* dpy_;
    int event_ = 0;
    Damage damage_ = 0;
};

// Small probes spread over the screen, read with XGetImage: any switcher that shows anything
// changes at least one of them.
class Probes {
public:
    // 7 x 5 probes of 4 x 4 pixels over a screen of this size (placed for 1920 x 1080, scaled).
    Probes(XDesktop& desktop, int screenWidth, int screenHeight)
        : desktop_(desktop), damage_(DisplayString(desktop.dpy())) {
        for (int gy = 0; gy < 5; ++gy)
            for (int gx = 0; gx < 7; ++gx)
                places_.push_back(
                    {(100 + gx * 280) * screenWidth / 1920, (60 + gy * 240) * screenHeight / 1080});
    }
    std::vector<unsigned long> read() const {
        std::vector<unsigned long> values;
        for (const auto& [x, y] : places_) {
            XImage* image = XGetImage(desktop_.dpy(), desktop_.root(), x, y, 4, 4, AllPlanes, ZPixmap);
            for (int j = 0; j < 4; ++j)
                for (int i = 0; i < 4; ++i)
                    values.push_back(image ? XGetPixel(image, i, j) : 0);
            if (image)
                XDestroyImage(image);
        }
        return values;
    }
    // Waits until the probes stay the same for quietMs (the desktop has settled after a showing).
    void settle(int quietMs = 400, int timeoutMs = 10000) const {
        const double end = ProbeClockMs() + timeoutMs;
        std::vector<unsigned long> last = read();
        double since = ProbeClockMs();
        while (ProbeClockMs() < end && ProbeClockMs() - since < quietMs) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::vector<unsigned long> now = read();
            if (now != last) {
                last = std::move(now);
                since = ProbeClockMs();
            }
        }
    }
    // Milliseconds from `pressed` until the screen differs from `before`; negative on time-out.
    double firstChange(const std::vector<unsigned long>& before, double pressed, int timeoutMs = 5000) {
        while (ProbeClockMs() - pressed < timeoutMs) {
            // A report missed would cost at most 10 ms, not the measurement.
            damage_.wait(10);
            if (read() != before)
                return ProbeClockMs() - pressed;
        }
        return -1;
    }
    // Called just before the key press: only what is drawn from then on wakes the probes.
    void watch() { damage_.clear(); }

private:
    XDesktop& desktop_;
    ScreenDamage damage_;
    std::vector<std::pair<int, int>> places_;
};

} // namespace zorvane::bench
