// soak_bench: a long run. The real zorvane program on a private Xvfb desktop with openbox shows
// and hides its view SHOWINGS times (default 1000) with Super+Tab, while windows open and close
// around it (a window that maps and vanishes every few milliseconds, and every tenth showing one
// more real window opened and an older one closed), with the opening and closing animations off. Every 100
// showings it prints Zorvane's resident memory and the X resources of its connections (xrestop). Usage:
// soak_bench [SHOWINGS]   (programs from ZORVANE_BIN_DIR)
#include "../tests/shell/ProcessResources.h"
#include "../tests/shell/ZorvaneRun.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

int main(int argc, char** argv) {
    using namespace zorvane::test;
    const int showings = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (showings < 1) {
        std::fprintf(stderr, "usage: soak_bench [SHOWINGS]\n");
        return 2;
    }
    setenv("ZORVANE_BIN_DIR", ZV_BIN_DIR, 0);
    XDesktop desktop{XDesktop::Options{1280, 800, true}};
    if (!desktop.ok()) {
        std::fprintf(stderr, "soak_bench: %s\n", desktop.reason().c_str());
        return 1;
    }
    std::deque<pid_t> windows;
    auto openWindow = [&](int n) {
        const std::string title = "Soak " + std::to_string(n);
        windows.push_back(desktop.spawnTestClient({"--title", title, "--size", "640x400", "--pos",
                                                   std::to_string(40 + n % 9 * 60) + ",40", "--pattern"}));
        return desktop.waitForTitle(title, 60000) != None;
    };
    for (int n = 0; n < 6; ++n)
        if (!openWindow(n)) {
            std::fprintf(stderr, "soak_bench: a window did not open\n");
            return 1;
        }
    // Without the opening and closing animations: the run is about what stays behind, and 1000
    // animated showings would take most of an hour on software OpenGL.
    ZorvaneRun run(desktop, {{"FlipEffectOption", "0,0,0,0,0"}});
    if (!run.startResident()) {
        std::fprintf(stderr, "soak_bench: zorvane did not start\n%s", run.trace().c_str());
        return 1;
    }
    desktop.spawn({BinDir() + "/zv-hostileclient", "churn", "5"});
    Keys keys{desktop};
    std::printf("showings  resident kB  windows  GCs  pixmaps  pictures  other  pixmap kB\n");
    for (int showing = 1; showing <= showings; ++showing) {
        keys.superDown();
        keys.tab();
        const bool shown = run.waitFor("opening-done", showing);
        keys.superUp();
        if (!shown || !run.waitFor("view-hidden", showing)) {
            std::fprintf(stderr, "soak_bench: showing %d did not open and close\n", showing);
            return 1;
        }
        if (showing % 10 == 0) {
            desktop.stop(windows.front());
            windows.pop_front();
            openWindow(6 + showing / 10);
        }
        if (showing % 100 == 0) {
            const XResourceCounts x = CountXResources(desktop, run.pid());
            std::printf("%8d  %11ld  %7ld  %3ld  %7ld  %8ld  %5ld  %9ld\n", showing, ResidentKb(run.pid()),
                        x.windows, x.gcs, x.pixmaps, x.pictures, x.other, x.pixmapBytes / 1024);
            std::fflush(stdout);
        }
    }
    return 0;
}
