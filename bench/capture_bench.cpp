// capture_bench: how long one capture cycle takes per window, with MIT-SHM and with plain
// XGetImage, over 10 real 1280 x 720 windows on a private Xvfb desktop.
#include "harness/XHarness.h"

#include "platform/x11/X11PlatformImpl.h"
#include "windows/unitHandleInfos.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
    return 0;
}
