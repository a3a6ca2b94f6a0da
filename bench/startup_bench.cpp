// startup_bench: how fast the switcher opens and how much memory it holds, on a private Xvfb
// desktop with openbox and real windows.
//  - latency: from the Super+Tab key press (sent with XTest) to the first frame of the opening
//    animation, with 10 windows of 1280 x 720 on a 1920 x 1080 screen; several openings.
//  - memory: the resident set of the zorvane process while the view shows 20 such windows.
// Usage: startup_bench [openings]   (the zorvane and zv-testclient programs come from ZORVANE_BIN_DIR;
// BENCH_MEMORY_ONLY=1 skips the latency part)

#include "../tests/shell/ZorvaneRun.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace zorvane::test;

double MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

long StatusKb(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    }
    return -1;
}

bool OpenWindows(XDesktop& desktop, int count) {
    for (int i = 0; i < count; ++i) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "%02x%02x%02x", 40 + (i * 53) % 200, 60 + (i * 97) % 180,
                      80 + (i * 31) % 160);
        const std::string title = "Window " + std::to_string(i);
        const std::string position =
            std::to_string(20 + (i % 5) * 120) + "," + std::to_string(20 + (i % 4) * 80);
        desktop.spawnTestClient(
            {"--title", title, "--color", colour, "--size", "1280x720", "--pos", position});
        const Window window = desktop.waitForTitle(title, 60000);
        if (window == None || !desktop.waitPainted(window, 60000))
            return false;
    }
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The front window repainted every 100 ms, in two colours by turns, while the view stays open:
// how often a small probe on its picture in the view changes. Returns changes a second.
double LivePictureChanges(XDesktop& desktop, ZorvaneRun& run, int showing) {
    constexpr unsigned long kFirst = 0xE020E0;
    constexpr unsigned long kSecond = 0x20E0E0;
    const Window front = desktop.activeWindow();
    Display* dpy = desktop.dpy();
    auto paint = [&](unsigned long rgb) {
        GC gc = XCreateGC(dpy, front, 0, nullptr);
        XSetForeground(dpy, gc, rgb);
        XFillRectangle(dpy, front, gc, 0, 0, 1280, 720);
        XFreeGC(dpy, gc);
        XSync(dpy, False);
    };
    paint(kFirst);
    if (front == None || run.runAgain({"--show"}).exitCode != 0 ||
        !run.waitFor("opening-done", showing, 60000))
        return -1;
    // A place inside the front picture: a block of 8 x 8 pixels all in the first colour.
    XImage* screen = XGetImage(dpy, desktop.root(), 0, 0, 1920, 1080, AllPlanes, ZPixmap);
    if (!screen)
        return -1;
    auto near = [](unsigned long a, unsigned long b) {
        for (int shift : {0, 8, 16})
            if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 8)
                return false;
        return true;
    };
    int px = -1, py = -1;
    for (int y = 0; y + 8 < 1080 && px < 0; y += 8)
        for (int x = 0; x + 8 < 1920 && px < 0; x += 8) {
            bool block = true;
            for (int j = 0; j < 8 && block; ++j)
                for (int i = 0; i < 8 && block; ++i)
                    block = near(XGetPixel(screen, x + i, y + j) & 0xFFFFFF, kFirst);
            if (block) {
                px = x;
                py = y;
            }
        }
    XDestroyImage(screen);
    if (px < 0)
        return -1;
    auto probe = [&] {
        XImage* image = XGetImage(dpy, desktop.root(), px, py, 8, 8, AllPlanes, ZPixmap);
        const unsigned long value = image ? XGetPixel(image, 4, 4) & 0xFFFFFF : 0;
        if (image)
            XDestroyImage(image);
        return value;
    };
    constexpr double kSpanMs = 3000;
    const double start = MonotonicMs();
    double nextPaint = start + 100;
    bool second = false;
    int changes = 0;
    unsigned long last = probe();
    while (MonotonicMs() - start < kSpanMs) {
        if (MonotonicMs() >= nextPaint) {
            second = !second;
            paint(second ? kSecond : kFirst);
            nextPaint += 100;
        }
        const unsigned long now = probe();
        if (now != last) {
            ++changes;
            last = now;
        }
        timespec pause{0, 2000000};
        nanosleep(&pause, nullptr);
    }
    return changes / (kSpanMs / 1000.0);
}

} // namespace

int main(int argc, char** argv) {
    const int openings = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    if (!std::getenv("ZORVANE_BIN_DIR"))
        setenv("ZORVANE_BIN_DIR", ZV_BIN_DIR, 1);

    // --- Latency with 10 windows.
    if (!std::getenv("BENCH_MEMORY_ONLY")) {
        XDesktop desktop(XDesktop::Options{1920, 1080, true});
        if (!desktop.ok()) {
            std::fprintf(stderr, "startup_bench: %s\n", desktop.reason().c_str());
            return 1;
        }
        if (!OpenWindows(desktop, 10)) {
            std::fprintf(stderr, "startup_bench: the windows did not show\n");
            return 1;
        }
        ZorvaneRun run(desktop);
        if (!run.startResident()) {
            std::fprintf(stderr, "startup_bench: zorvane did not start\n%s", run.trace().c_str());
            return 1;
        }
        Keys keys(desktop);
        std::vector<double> toFirstFrame;
        const std::vector<std::string> milestones = {"wintab", "capture-done", "textures-done", "view-shown",
                                                     "first-tick"};
        std::vector<std::vector<double>> toMilestone(milestones.size());
        for (int i = 1; i <= openings; ++i) {
            const double pressed = MonotonicMs();
            keys.superDown();
            keys.tab();
            if (!run.waitFor("opening-done", i, 60000)) {
                std::fprintf(stderr, "startup_bench: opening %d did not happen\n%s", i, run.trace().c_str());
                return 1;
            }
            toFirstFrame.push_back(run.stamps("first-frame").at(i - 1) - pressed);
            for (std::size_t m = 0; m < milestones.size(); ++m) {
                const std::vector<double> stamps = run.stamps(milestones[m]);
                if (stamps.size() >= static_cast<std::size_t>(i))
                    toMilestone[m].push_back(stamps[i - 1] - pressed);
            }
            keys.superUp();
            if (!run.waitFor("view-hidden", i, 60000))
                return 1;
        }
        // Each warm showing's capture cycle, by how many windows it read again (the first
        // "pictures-taken" line is the start-up cycle's, which has no start line).
        const std::vector<double> cycleStarts = run.stamps("capture-start");
        const std::vector<double> cycleEnds = run.stamps("capture-done");
        const std::vector<std::string> taken = run.lines("pictures-taken ");
        std::vector<double> cycleNone, cycleOne, cycleMore;
        for (std::size_t k = 1; k < cycleStarts.size() && k < cycleEnds.size() && k + 1 < taken.size(); ++k) {
            const int read = std::atoi(taken[k + 1].c_str() + std::string("pictures-taken ").size());
            const double ms = cycleEnds[k] - cycleStarts[k];
            (read == 0 ? cycleNone : read == 1 ? cycleOne : cycleMore).push_back(ms);
        }
        std::printf("Super+Tab to first frame, 10 windows of 1280x720, 1920x1080 screen, %d openings\n",
                    openings);
        std::printf("  first opening      %7.1f ms\n", toFirstFrame.front());
        // Warm showings: the first one apart.
        const std::vector<double> warm(toFirstFrame.begin() + (toFirstFrame.size() > 1 ? 1 : 0),
                                       toFirstFrame.end());
        std::printf("  median, warm       %7.1f ms   (min %.1f, max %.1f)\n", Median(warm),
                    *std::min_element(warm.begin(), warm.end()), *std::max_element(warm.begin(), warm.end()));
        std::printf(
            "  capture cycle (medians of warm showings): no window read again %.1f ms (%zu), one %.1f ms "
            "(%zu), more %.1f ms (%zu)\n",
            Median(cycleNone), cycleNone.size(), Median(cycleOne), cycleOne.size(), Median(cycleMore),
            cycleMore.size());
        std::printf("  on the way (medians):");
        for (std::size_t m = 0; m < milestones.size(); ++m)
            std::printf(" %s %.1f ms%s", milestones[m].c_str(), Median(toMilestone[m]),
                        m + 1 < milestones.size() ? "," : "\n");
        const double live = LivePictureChanges(desktop, run, openings + 1);
        std::printf("Live pictures: the front window repainted every 100 ms shows %.1f changes a second in "
                    "the open view\n",
                    live);
        keys.tap(XK_Escape);
        run.waitFor("view-hidden", openings + 1, 60000);
    }

    // --- Memory with 20 windows, the view held open.
    {
        XDesktop desktop(XDesktop::Options{1920, 1080, true});
        if (!desktop.ok() || !OpenWindows(desktop, 20))
            return 1;
        ZorvaneRun run(desktop);
        if (!run.startResident())
            return 1;
        const long idle = StatusKb(run.pid(), "VmRSS");
        if (run.runAgain({"--show"}).exitCode != 0 || !run.waitFor("opening-done", 1, 60000))
            return 1;
        const long showing = StatusKb(run.pid(), "VmRSS");
        const long peak = StatusKb(run.pid(), "VmHWM");
        const long anonymous = StatusKb(run.pid(), "RssAnon");
        const long files = StatusKb(run.pid(), "RssFile");
        std::printf("Memory (RSS), 20 windows of 1280x720, 1920x1080 screen\n");
        std::printf("  resident, idle     %7.1f MB\n", idle / 1024.0);
        std::printf("  view showing       %7.1f MB   (peak %.1f MB)\n", showing / 1024.0, peak / 1024.0);
        std::printf("    of which anonymous %.1f MB, mapped files (shared libraries) %.1f MB\n",
                    anonymous / 1024.0, files / 1024.0);
        // Closed and opened again: what a showing leaves behind.
        Keys keys(desktop);
        keys.tap(XK_Return);
        if (!run.waitFor("view-hidden", 1, 60000))
            return 1;
        const long closed = StatusKb(run.pid(), "VmRSS");
        if (run.runAgain({"--show"}).exitCode != 0 || !run.waitFor("opening-done", 2, 60000))
            return 1;
        const long again = StatusKb(run.pid(), "VmRSS");
        std::printf("  after closing      %7.1f MB\n  showing again      %7.1f MB\n", closed / 1024.0,
                    again / 1024.0);
        // Three more showings: the figure must stay where it is.
        for (int k = 3; k <= 5; ++k) {
            keys.tap(XK_Return);
            if (!run.waitFor("view-hidden", k - 1, 60000) || run.runAgain({"--show"}).exitCode != 0 ||
                !run.waitFor("opening-done", k, 60000))
                return 1;
        }
        std::printf("  fifth showing      %7.1f MB\n", StatusKb(run.pid(), "VmRSS") / 1024.0);
    }
    return 0;
}
