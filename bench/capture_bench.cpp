// capture_bench: how long one capture cycle takes per window, with MIT-SHM and with plain
// XGetImage, over 10 real 1280 x 720 windows on a private Xvfb desktop.
#include "harness/XHarness.h"

#include "platform/x11/X11PlatformImpl.h"
#include "windows/unitHandleInfos.h"
#include "windows/unitWindowInfos.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

using namespace zorvane;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double lowest(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

// Microseconds per window for `rounds` rounds of printing every window (print only), and for a
// whole cycle (enumeration, three-attempt capture with the black tests, region crop).
void measure(x11::X11Platform& platform, bool shm, int rounds) {
    platform.setUseSharedMemory(shm);
    THandleInfos list;
    EnumerateWindows(platform, list);
    std::vector<double> print;
    std::vector<double> cycle;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < list.Count(); ++i) {
            Rect rect;
            platform.windowRect(list.Items(i).Handle, rect);
            CaptureImage image(rect.width(), rect.height());
            const auto start = std::chrono::steady_clock::now();
            platform.printWindow(list.Items(i).Handle, image);
            print.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        }
        const auto start = std::chrono::steady_clock::now();
        THandleInfos cycleList;
        EnumerateWindows(platform, cycleList);
        for (int i = 0; i < cycleList.Count(); ++i) {
            std::unique_ptr<CaptureImage> image;
            CaptureEnumerated(platform, cycleList.Items(i), image);
        }
        const double total =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        cycle.push_back(total / std::max(1, cycleList.Count()));
    }
    std::printf("%-9s windows %2d  print (read + conversion) median %7.1f us, best %7.1f us per window;"
                "  whole cycle median %7.1f us per window\n",
                shm ? "MIT-SHM" : "XGetImage", list.Count(), median(print), lowest(print), median(cycle));
}

// Whole capture cycles with the pictures kept between them, as at each Super+Tab: with no window
// changed, and with one window drawn into before each cycle. Milliseconds a cycle.
void measureKept(x11::X11Platform& platform, test::XDesktop& desktop, int rounds) {
    platform.setUseSharedMemory(true);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zv-capture-bench-" + std::to_string(::getpid()));
    TWindowInfos kept(platform, folder.string());
    THandleInfos windows;
    RunCaptureCycle(platform, windows, kept, false);
    auto timed = [&] {
        const auto start = std::chrono::steady_clock::now();
        const int read = RunCaptureCycle(platform, windows, kept, false);
        return std::make_pair(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
            read);
    };
    std::vector<double> none;
    std::vector<double> one;
    int readNone = 0;
    int readOne = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto [ms, read] = timed();
        none.push_back(ms);
        readNone += read;
    }
    for (int round = 0; round < rounds; ++round) {
        const Window drawn = static_cast<Window>(windows.Items(round % windows.Count()).Handle);
        GC gc = XCreateGC(desktop.dpy(), drawn, 0, nullptr);
        XSetForeground(desktop.dpy(), gc, 0x100000u * static_cast<unsigned>(round % 15));
        XFillRectangle(desktop.dpy(), drawn, gc, 10, 10, 200, 100);
        XFreeGC(desktop.dpy(), gc);
        XSync(desktop.dpy(), False);
        const auto [ms, read] = timed();
        one.push_back(ms);
        readOne += read;
    }
    std::printf(
        "kept pictures, %d windows: whole cycle median %.2f ms with no window changed (%d read again in %d "
        "cycles), %.2f ms with one drawn into (%d read again in %d cycles)\n",
        windows.Count(), median(none), readNone, rounds, median(one), readOne, rounds);
    kept.EndStores();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace

int main() {
    if (std::getenv("ZORVANE_BIN_DIR") == nullptr)
        ::setenv("ZORVANE_BIN_DIR", ZV_BIN_DIR, 1);
    zorvane::test::XDesktop desktop(zorvane::test::XDesktop::Options{1920, 1080, true});
    if (!desktop.ok()) {
        std::fprintf(stderr, "capture_bench: %s\n", desktop.reason().c_str());
        return 1;
    }
    for (int i = 0; i < 10; ++i) {
        char color[8];
        std::snprintf(color, sizeof color, "%06X", 0x203040 + i * 0x101010);
        const std::string title = "bench " + std::to_string(i);
        desktop.spawnTestClient({"--title", title, "--size", "1280x720", "--pos",
                                 std::to_string(40 * i) + "," + std::to_string(30 * i), "--color", color});
        const Window w = desktop.waitForTitle(title, 10000);
        if (w == None || !desktop.waitPainted(w, 10000)) {
            std::fprintf(stderr, "capture_bench: window %d did not show\n", i);
            return 1;
        }
    }
    std::string error;
    auto platform = zorvane::x11::X11Platform::open(desktop.display().c_str(), error);
    if (!platform) {
        std::fprintf(stderr, "capture_bench: %s\n", error.c_str());
        return 1;
    }
    measure(*platform, true, 3); // warm-up: segments, server caches
    measure(*platform, true, 30);
    measure(*platform, false, 30);
    measureKept(*platform, desktop, 30);
    return 0;
}
