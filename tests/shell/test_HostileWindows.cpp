// Zorvane among windows that misbehave: a 200 KB title, a title that is not UTF-8, a class
// without terminators, an icon claiming 100000 x 100000 pixels, 1 x 1 and 6000 x 4000 windows,
// and windows that map and vanish every few milliseconds. Over 300 showings it keeps working,
// prints nothing, leaves the keyboard free, and holds no more memory or X resources at the end
// than after warming up.
// gtest first: Xlib's macros (None, Bool, ...) must not reach its headers.
#include <gtest/gtest.h>

#include "ProcessResources.h"
#include "ZorvaneRun.h"


namespace zorvane::test {
namespace {

constexpr int kPatience = 60000;
constexpr int kShowings = 300;
constexpr int kWarmUp = 50;
// "Flat": a leak of anything per showing would add at least 250 of it; a few can be in flight
// (a churning window that is being captured when the count is taken).
constexpr long kResourceSlack = 8;
// Resident memory moves with the allocator's caches and the 6000 x 4000 window's pictures
// (about 100 MB each); a leak of one picture or texture a showing would pass this many times over.
constexpr long kMemorySlackKb = 96 * 1024;

TEST(HostileWindows, ThreeHundredShowingsAmongMisbehavingWindowsStayFlat) {
    XDesktop desktop{XDesktop::Options{1024, 768, true}};
    ASSERT_TRUE(desktop.ok()) << desktop.reason();
    Keys keys{desktop};
    const std::string client = BinDir() + "/zv-hostileclient";
    desktop.spawn({client, "static"});
    // "Broken" has no readable _NET_WM_NAME to wait for; it maps before the others.
    for (const char* title : {"Unterminated class", "Huge icon claim", "One pixel", "Very large"})
        ASSERT_NE(desktop.waitForTitle(title, kPatience), None) << title;

    // No animations: the showings are about the windows, not the effect.
    ZorvaneRun run(desktop, {{"FlipEffectOption", "0,0,0,0,0"}, {"ShowTitles", "-1"}});
    ASSERT_TRUE(run.startResident()) << run.trace();
    desktop.spawn({client, "churn", "4"});

    XResourceCounts warm;
    long warmKb = 0;
    for (int showing = 1; showing <= kShowings; ++showing) {
        keys.superDown();
        keys.tab();
        ASSERT_TRUE(run.waitFor("opening-done", showing)) << "showing " << showing << "\n" << run.trace();
        keys.superUp();
        ASSERT_TRUE(run.waitFor("view-hidden", showing)) << "showing " << showing;
        if (showing == kWarmUp) {
            warm = CountXResources(desktop, run.pid());
            warmKb = ResidentKb(run.pid());
        }
    }
    const XResourceCounts end = CountXResources(desktop, run.pid());
    const long endKb = ResidentKb(run.pid());

    int exitCode = -1;
    ASSERT_FALSE(run.waitExit(0, exitCode)) << "Zorvane ended with " << exitCode;
    EXPECT_EQ(run.ownLines(), std::vector<std::string>{}) << "nothing but the trace on standard error";
    // The keyboard is free: no grab of Zorvane's is left holding it.
    EXPECT_EQ(XGrabKeyboard(desktop.dpy(), desktop.root(), False, GrabModeAsync, GrabModeAsync, CurrentTime),
              GrabSuccess);
    XUngrabKeyboard(desktop.dpy(), CurrentTime);

    ASSERT_TRUE(warm.found && end.found) << "xrestop lists no connection of Zorvane's";
    std::cout << "after " << kWarmUp << " showings: " << warm.text() << ", " << warmKb << " kB resident\n"
              << "after " << kShowings << " showings: " << end.text() << ", " << endKb << " kB resident\n";
    EXPECT_LE(end.windows, warm.windows + kResourceSlack);
    EXPECT_LE(end.gcs, warm.gcs + kResourceSlack);
    EXPECT_LE(end.pixmaps, warm.pixmaps + kResourceSlack);
    EXPECT_LE(end.pictures, warm.pictures + kResourceSlack);
    EXPECT_LE(end.other, warm.other + kResourceSlack) << "damage objects, shared-memory segments";
    EXPECT_LE(endKb, warmKb + kMemorySlackKb);
}

} // namespace
} // namespace zorvane::test
