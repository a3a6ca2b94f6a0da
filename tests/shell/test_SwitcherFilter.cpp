// The open view's typing and closing on a private desktop (Xvfb + openbox + real windows), keys
// and buttons through XTest: the filter narrows, shortens, finds nothing and clears; Delete and the
// middle button close windows, a window that refuses stays, and the last choice closes the view.
// gtest first: Xlib's macros (None, Bool, ...) must not reach its headers.
#include <gtest/gtest.h>

#include "ZorvaneRun.h"

#include <X11/keysym.h>

#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace zorvane::test {
namespace {

constexpr int kPatience = 60000;

class SwitcherFilter : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(desktop.ok()) << desktop.reason(); }

    Window openWindow(const std::string& title, const std::string& position,
                      const std::vector<std::string>& extra = {}, pid_t* pid = nullptr) {
        std::vector<std::string> args{"--title", title, "--size", "300x200", "--pos", position};
        args.insert(args.end(), extra.begin(), extra.end());
        const pid_t started = desktop.spawnTestClient(args);
        if (pid != nullptr)
            *pid = started;
        const Window window = desktop.waitForTitle(title, kPatience);
        EXPECT_NE(window, None) << title;
        EXPECT_TRUE(desktop.waitPainted(window, kPatience)) << title;
        return window;
    }

    // Types one key and waits for the filter's trace line that it must give.
    void type(ZorvaneRun& run, unsigned long keysym, const std::string& wanted) {
        const int before = static_cast<int>(run.lines(wanted).size());
        keys.tap(keysym);
        ASSERT_TRUE(run.waitFor(wanted, before + 1)) << wanted << "\n" << run.trace();
    }

    static std::string readFile(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    XDesktop desktop{XDesktop::Options{1024, 768, true}};
    Keys keys{desktop};
};

} // namespace

// Held with Super: letters narrow (title or class, any case), Backspace widens, a text that
// matches nothing says so and changes nothing, Esc clears first and closes second, and the
// window picked is the one the filter brought to the front.
TEST_F(SwitcherFilter, TypingNarrowsBackspaceWidensEscClearsThenCloses) {
    const Window red = openWindow("Red", "40,40");
    const Window green = openWindow("Green", "300,200");
    const Window blue = openWindow("Blue", "560,360");
    ASSERT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == blue; }, kPatience));
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    keys.superDown();
    keys.tab();
    ASSERT_TRUE(run.waitFor("opening-done")) << run.trace();

    type(run, XK_r, "filter [r] 2");          // Red, Green
    type(run, XK_g, "filter [rg] 2 nomatch"); // the stack stays as it was
    type(run, XK_BackSpace, "filter [r] 2");
    type(run, XK_BackSpace, "filter [] 3");
    type(run, XK_g, "filter [g] 1"); // Green alone
    type(run, XK_x, "filter [gx] 1 nomatch");
    type(run, XK_Escape, "filter [] 3");
    EXPECT_TRUE(run.lines("view-hidden").empty()) << "Esc with a filter only clears it";
    keys.superUp();
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();
    // The filter brought Green to the front and clearing kept it there: it is picked.
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == green; }, kPatience));

    // Pinned, with the stack back whole: Esc on an empty filter closes at once.
    ASSERT_EQ(run.runAgain({"--show"}).exitCode, 0);
    ASSERT_TRUE(run.waitFor("opening-done", 2)) << run.trace();
    type(run, XK_b, "filter [b] 1");
    keys.tap(XK_Return);
    ASSERT_TRUE(run.waitFor("view-hidden", 2)) << run.trace();
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == blue; }, kPatience));
    EXPECT_NE(red, None);
}

// Grid, pinned: Delete and the middle button ask windows to close; one that refuses stays; the
// stack closes up and the view stays on the next window; with one window left the view closes
// as a pick would.
TEST_F(SwitcherFilter, DeleteAndMiddleButtonCloseWindowsAndARefusalStays) {
    const std::string log = ::testing::TempDir() + "zv-keeper-" + std::to_string(::getpid()) + ".log";
    std::remove(log.c_str());
    pid_t keeperPid = -1, redPid = -1, greenPid = -1, bluePid = -1;
    const Window keeper = openWindow("Keeper", "600,400", {"--refuse-close", "--key-log", log}, &keeperPid);
    openWindow("Red", "40,40", {}, &redPid);
    openWindow("Green", "300,200", {}, &greenPid);
    const Window blue = openWindow("Blue", "560,100", {}, &bluePid);
    ASSERT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == blue; }, kPatience));
    ZorvaneRun run(desktop, {{"FlipEffectType", "1"}, {"FlipEffectOption", "1,0,0,0,0"}});
    ASSERT_TRUE(run.startResident()) << run.trace();
    keys.move(1000, 10);
    ASSERT_EQ(run.runAgain({"--show"}).exitCode, 0);
    ASSERT_TRUE(run.waitFor("opening-done")) << run.trace();
    const auto ended = [&](pid_t pid) {
        int status = 0;
        return desktop.waitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, kPatience) &&
               WIFEXITED(status);
    };

    // Cells, top first: Blue, Green / Red, Keeper. The pointer picks Keeper; Delete asks it.
    keys.move(768, 576);
    keys.tap(XK_Delete);
    ASSERT_TRUE(run.waitFor("close-requested 1")) << run.trace();
    ASSERT_TRUE(desktop.waitUntil([&] { return readFile(log).find("delete request") != std::string::npos; },
                                  kPatience));

    // The middle button on Blue: it goes, the grid closes up to Green, Red / Keeper.
    keys.click(256, 192, 2);
    ASSERT_TRUE(run.waitFor("stack-settled")) << run.trace();
    EXPECT_TRUE(ended(bluePid));
    // The middle button on Red, now top right: two are left and the view stays.
    keys.click(768, 192, 2);
    ASSERT_TRUE(run.waitFor("stack-settled", 2)) << run.trace();
    EXPECT_TRUE(ended(redPid)) << [&] {
        std::string titles;
        for (Window w : desktop.clientsTopFirst())
            titles += desktop.title(w) + ",";
        return titles + "\n" + run.trace();
    }();
    EXPECT_TRUE(run.lines("view-hidden").empty()) << run.trace();

    // Green, on the left of two: Delete closes it and the last window left is picked.
    keys.move(256, 384);
    keys.tap(XK_Delete);
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();
    EXPECT_TRUE(ended(greenPid));
    EXPECT_EQ(run.lines("window-closed").size(), 3u);
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == keeper; }, kPatience));
    EXPECT_EQ(::waitpid(keeperPid, nullptr, WNOHANG), 0) << "the window that refused is still there";
}

} // namespace zorvane::test
