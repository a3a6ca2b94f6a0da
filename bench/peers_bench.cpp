// peers_bench: Zorvane next to two peers on one desktop, measured from outside the same way for
// all three: the time from the key press (sent with XTest) to the first changed pixel on the
// screen, and the switcher's memory while it shows. One private 1920 x 1080 Xvfb with 10 windows
// of 1280 x 720, and, one after the other:
//   - Zorvane under openbox, Super+Tab;
//   - alttab (icons only) under openbox, Ctrl+Tab (`alttab -w 1 -mk Control_L`);
//   - compiz 0.8's Shift switcher, compiz being the window manager, Ctrl+Tab.
// Usage: peers_bench [showings]  (the first showing of each is reported apart, the rest as median
// and minimum). A peer that is not installed is reported as such and skipped. PEERS_BENCH_TRACE=FILE
// keeps Zorvane's trace of the run in FILE.

#include "../tests/shell/ZorvaneRun.h"
#include "ScreenProbes.h"

#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace zorvane::test;
using zorvane::bench::Probes;
namespace fs = std::filesystem;

double NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

long RssKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

struct Figures {
    std::string name;
    std::vector<double> latencies; // the first showing first
    std::vector<double> pressedAt; // each key press, on the monotonic clock of Zorvane's trace
    // Zorvane only, from its trace: each showing's first tick and first frame (drawn, not yet shown).
    std::vector<double> firstTicks;
    std::vector<double> firstFrames;
    std::vector<double> firstHanded; // the first frame handed to the X server (and the view moved in)
    long rssKb = -1;
    std::string note;
};

// Presses the modifier, taps Tab, measures, holds a moment, lets go, and waits until the desktop
// is quiet again; `pid` is the switcher's process for its memory while it shows.
void Measure(XDesktop& desktop, unsigned long modifier, int showings, pid_t pid, Figures& figures) {
    Probes probes(desktop, 1920, 1080);
    const unsigned mod = desktop.keycodeOf(modifier);
    const unsigned tab = desktop.keycodeOf(XK_Tab);
    for (int i = 0; i < showings; ++i) {
        probes.settle();
        const std::vector<unsigned long> before = probes.read();
        probes.watch();
        desktop.keyDown(mod);
        const double pressed = NowMs();
        desktop.tapKey(tab);
        const double latency = probes.firstChange(before, pressed);
        figures.pressedAt.push_back(pressed);
        if (latency < 0) {
            figures.note = "no change on the screen within 5 s";
            desktop.keyUp(mod);
            return;
        }
        figures.latencies.push_back(latency);
        probes.settle(300, 3000); // the opening has played
        if (pid > 0)
            figures.rssKb = std::max(figures.rssKb, RssKb(pid));
        desktop.keyUp(mod);
    }
    probes.settle();
}

bool Installed(const std::string& program) {
    for (const char* folder : {"/usr/bin/", "/usr/local/bin/"})
        if (fs::exists(std::string(folder) + program))
            return true;
    return false;
}

void Print(const Figures& f) {
    if (f.latencies.empty()) {
        std::printf("  %-22s %s\n", f.name.c_str(), f.note.c_str());
        return;
    }
    if (!f.note.empty())
        std::printf("  %-22s after %zu showings: %s\n", f.name.c_str(), f.latencies.size(), f.note.c_str());
    std::vector<double> warm(f.latencies.begin() + (f.latencies.size() > 1 ? 1 : 0), f.latencies.end());
    std::sort(warm.begin(), warm.end());
    std::printf("  %-22s first %6.1f ms   median %6.1f ms   min %6.1f ms   RSS %6.1f MB\n", f.name.c_str(),
                f.latencies.front(), warm[warm.size() / 2], warm.front(), f.rssKb / 1024.0);
}

double WarmMedian(const std::vector<double>& values) {
    if (values.size() < 2)
        return 0;
    std::vector<double> warm(values.begin() + 1, values.end());
    std::sort(warm.begin(), warm.end());
    return warm[warm.size() / 2];
}

double WarmMedian(const Figures& f) {
    return WarmMedian(f.latencies);
}

// What Zorvane adds to drawing its first frame: each showing's latency less that frame's drawing
// (first tick to first frame), and its parts: key to first tick, the frame handed to the X server
// (with the view moved in), and from there to the pixel seen.
void PrintOwnWork(const Figures& f) {
    const std::size_t n = f.latencies.size();
    if (n < 2 || f.firstTicks.size() != n || f.firstFrames.size() != n || f.firstHanded.size() != n ||
        f.pressedAt.size() != n) {
        std::printf("  Zorvane's own work: no trace of every showing's first frame\n");
        return;
    }
    std::vector<double> own, drawing, toTick, handing, toPixel;
    for (std::size_t i = 0; i < n; ++i) {
        drawing.push_back(f.firstFrames[i] - f.firstTicks[i]);
        own.push_back(f.latencies[i] - drawing.back());
        toTick.push_back(f.firstTicks[i] - f.pressedAt[i]);
        handing.push_back(f.firstHanded[i] - f.firstFrames[i]);
        toPixel.push_back(f.pressedAt[i] + f.latencies[i] - f.firstHanded[i]);
    }
    std::printf("  Zorvane, key to first changed pixel less the first frame's drawing: median %.1f ms\n"
                "    (medians: key to first tick %.1f ms, frame handed over %.1f ms, then to the pixel seen "
                "%.1f ms; the drawing %.1f ms)\n",
                WarmMedian(own), WarmMedian(toTick), WarmMedian(handing), WarmMedian(toPixel),
                WarmMedian(drawing));
}

} // namespace

int main(int argc, char** argv) {
    const int showings = argc > 1 ? std::max(2, std::atoi(argv[1])) : 11;
    if (!std::getenv("ZORVANE_BIN_DIR"))
        setenv("ZORVANE_BIN_DIR", ZV_BIN_DIR, 1);
    XDesktop desktop(XDesktop::Options{1920, 1080, true});
    if (!desktop.ok()) {
        std::fprintf(stderr, "peers_bench: %s\n", desktop.reason().c_str());
        return 1;
    }
    for (int i = 0; i < 10; ++i) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "%02x%02x%02x", 40 + (i * 53) % 200, 60 + (i * 97) % 180,
                      80 + (i * 31) % 160);
        const std::string title = "Window " + std::to_string(i);
        desktop.spawnTestClient(
            {"--title", title, "--color", colour, "--size", "1280x720", "--pos",
             std::to_string(20 + (i % 5) * 120) + "," + std::to_string(20 + (i % 4) * 80)});
        const Window window = desktop.waitForTitle(title, 60000);
        if (window == None || !desktop.waitPainted(window, 60000)) {
            std::fprintf(stderr, "peers_bench: the windows did not show\n");
            return 1;
        }
    }
    std::vector<Figures> all;

    {
        Figures zorvane;
        zorvane.name = "Zorvane (Super+Tab)";
        ZorvaneRun run(desktop);
        if (run.startResident()) {
            Measure(desktop, XK_Super_L, showings, run.pid(), zorvane);
            zorvane.firstTicks = run.stamps("first-tick");
            zorvane.firstFrames = run.stamps("first-frame");
            zorvane.firstHanded = run.stamps("handed-first-frame");
            if (const char* keep = std::getenv("PEERS_BENCH_TRACE"))
                std::ofstream(keep) << run.trace();
        } else
            zorvane.note = "did not start";
        all.push_back(zorvane);
        run.runAgain({"--quit"});
        int code = 0;
        run.waitExit(10000, code);
    }
    {
        Figures alttab;
        alttab.name = "alttab (Ctrl+Tab)";
        if (Installed("alttab")) {
            const pid_t pid = desktop.spawn({"alttab", "-w", "1", "-mk", "Control_L"});
            std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // its grab is made
            Measure(desktop, XK_Control_L, showings, pid, alttab);
            desktop.stop(pid);
        } else {
            alttab.note = "not installed (Debian package alttab)";
        }
        all.push_back(alttab);
    }
    {
        Figures shift;
        shift.name = "compiz Shift (Ctrl+Tab)";
        if (Installed("compiz")) {
            // compizconfig reads $HOME/.config whatever XDG_CONFIG_HOME says on some builds: both.
            const fs::path home = fs::temp_directory_path() / ("peers-bench-" + std::to_string(::getpid()));
            const fs::path config = home / ".config";
            fs::create_directories(config / "compiz" / "compizconfig");
            std::ofstream(config / "compiz" / "compizconfig" / "config")
                << "[general]\nprofile = \nintegration = true\n";
            std::ofstream(config / "compiz" / "compizconfig" / "Default.ini")
                << "[core]\nas_active_plugins = core;ccp;text;move;place;shift;\n\n"
                   "[shift]\nas_next_key = <Control>Tab\ns0_mode = 0\ns0_reflection = true\n";
            setenv("XDG_CONFIG_HOME", config.c_str(), 1);
            setenv("HOME", home.c_str(), 1);
            const pid_t pid = desktop.spawn({"compiz", "--replace", "--sm-disable", "ccp"});
            std::this_thread::sleep_for(std::chrono::milliseconds(8000)); // it has taken over
            Measure(desktop, XK_Control_L, showings, pid, shift);
            desktop.stop(pid);
            fs::remove_all(home);
        } else {
            shift.note = "not installed (Debian packages compiz-core compiz-plugins-main)";
        }
        all.push_back(shift);
    }

    std::time_t today = std::time(nullptr);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d", std::gmtime(&today));
    std::printf("Key press to the first changed pixel, 10 windows of 1280x720 on 1920x1080 (Xvfb, software "
                "OpenGL), %d showings each, %s\n",
                showings, date);
    for (const Figures& f : all)
        Print(f);
    PrintOwnWork(all[0]);
    const double ours = WarmMedian(all[0]);
    for (std::size_t i = 1; i < all.size(); ++i)
        if (ours > 0 && WarmMedian(all[i]) > 0)
            std::printf("  Zorvane / %s: %.2f\n", all[i].name.c_str(), ours / WarmMedian(all[i]));
    return 0;
}
