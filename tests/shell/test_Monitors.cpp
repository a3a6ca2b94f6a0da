// The view on real desktops of several monitors and at a device pixel ratio of 2: it covers exactly
// the monitor it opens on (the pointer's, or the primary), shows that monitor's part of the desktop,
// and picks with the mouse where the mouse is.
// gtest first: Xlib's macros (None, Bool, ...) must not reach its headers.
#include <gtest/gtest.h>

#include "ZorvaneRun.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <sstream>

namespace zorvane::test {
namespace {

constexpr int kPatience = 60000;
constexpr unsigned long kLeftDesktop = 0xC08040;
constexpr unsigned long kRightDesktop = 0x4080C0;

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Geometry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Geometry& g) {
    return out << g.width << "x" << g.height << "+" << g.x << "+" << g.y;
}

// Where the view's window is on the root, in device pixels, as `xwininfo -name` finds it by its title
// (the view is none of the window manager's clients).
Geometry ViewGeometry(XDesktop& desktop) {
    Geometry g;
    const RunResult info = desktop.run({"xwininfo", "-name", "Zorvane OpenGL"});
    std::istringstream lines(info.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string name = line.substr(0, colon);
        const int value = std::atoi(line.c_str() + colon + 1);
        if (name.find("Absolute upper-left X") != std::string::npos)
            g.x = value;
        else if (name.find("Absolute upper-left Y") != std::string::npos)
            g.y = value;
        else if (name == "  Width")
            g.width = value;
        else if (name == "  Height")
            g.height = value;
    }
    return g;
}

unsigned long Halved(unsigned long rgb) {
    return ((rgb >> 1) & 0x7F7F7F);
}

// Opens the view pinned (as the tray icon does) and waits until its opening has played.
void ShowPinned(ZorvaneRun& run) {
    const int before = static_cast<int>(run.lines("opening-done").size());
    const RunResult shown = run.runAgain({"--show"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    ASSERT_TRUE(run.waitFor("opening-done", before + 1)) << run.trace();
}

void CloseWithEscape(ZorvaneRun& run, Keys& keys) {
    const int before = static_cast<int>(run.lines("view-hidden").size());
    keys.tap(XK_Escape);
    ASSERT_TRUE(run.waitFor("view-hidden", before + 1)) << run.trace();
}

using Commands = std::vector<std::vector<std::string>>;

// Two monitors of 1024 x 768 side by side on Xorg's dummy driver, the primary on the right, away from
// the root's corner: two outputs, or one wide output split in two monitors that RandR 1.5 alone knows
// of (xrandr --setmonitor, as for a display that shows two pictures).
const Commands kTwoOutputs = {
    {"xrandr", "--output", "DUMMY0", "--mode", "1024x768", "--pos", "0x0"},
    {"xrandr", "--addmode", "DUMMY1", "1024x768"},
    {"xrandr", "--output", "DUMMY1", "--mode", "1024x768", "--pos", "1024x0", "--primary"}};
const Commands kOneOutputSplit = {
    {"xrandr", "--output", "DUMMY0", "--mode", "2048x768", "--pos", "0x0", "--noprimary"},
    {"xrandr", "--setmonitor", "LEFT", "1024/270x768/203+0+0", "DUMMY0"},
    {"xrandr", "--setmonitor", "*RIGHT", "1024/270x768/203+1024+0", "none"}};

// The desktop picture is one colour on the left monitor and another on the right, published as the
// root's background pixmap the way wallpaper setters do; one window on each monitor.
class TwoMonitors : public ::testing::Test {
protected:
    void SetUp() override {
        if (!desktop.ok())
            GTEST_SKIP() << "no two-monitor desktop here: " << desktop.reason();
    }

    void Arrange(const Commands& commands) {
        for (const std::vector<std::string>& command : commands) {
            const RunResult result = desktop.run(command);
            ASSERT_EQ(result.exitCode, 0) << command[1] << " " << command[2] << ": " << result.err;
        }
        PaintDesktop();
        ASSERT_TRUE(desktop.startWindowManager());
        ASSERT_NE(OpenPaintedWindow(desktop, "Left", "c03030", "400x300", "100,100"), None);
        ASSERT_NE(OpenPaintedWindow(desktop, "Right", "30a040", "400x300", "1124,200"), None);
    }

    void PaintDesktop() {
        Display* dpy = desktop.dpy();
        const Window root = desktop.root();
        const int screen = DefaultScreen(dpy);
        const Pixmap picture =
            XCreatePixmap(dpy, root, 2048, 768, static_cast<unsigned>(DefaultDepth(dpy, screen)));
        const GC gc = XCreateGC(dpy, picture, 0, nullptr);
        XSetForeground(dpy, gc, kLeftDesktop);
        XFillRectangle(dpy, picture, gc, 0, 0, 1024, 768);
        XSetForeground(dpy, gc, kRightDesktop);
        XFillRectangle(dpy, picture, gc, 1024, 0, 1024, 768);
        XFreeGC(dpy, gc);
        XSetWindowBackgroundPixmap(dpy, root, picture);
        XClearWindow(dpy, root);
        const unsigned long id = picture;
        XChangeProperty(dpy, root, XInternAtom(dpy, "_XROOTPMAP_ID", False), XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&id), 1);
        XSync(dpy, False);
    }

    XDesktop desktop{XDesktop::Options{2048, 768, false, {}, XDesktop::Server::xorgDummy}};
    Keys keys{desktop};
};

TEST_F(TwoMonitors, TheViewCoversThePointersMonitorAndShowsItsPartOfTheDesktop) {
    ASSERT_NO_FATAL_FAILURE(Arrange(kOneOutputSplit));
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    const RunResult diagnostics = run.runAgain({"--diagnostics"});
    EXPECT_NE(diagnostics.out.find("monitor: LEFT 1024x768+0+0\n"), std::string::npos) << diagnostics.out;
    EXPECT_NE(diagnostics.out.find("monitor: RIGHT 1024x768+1024+0 primary\n"), std::string::npos)
        << diagnostics.out;
    EXPECT_NE(diagnostics.out.find("device pixel ratio: 1\n"), std::string::npos) << diagnostics.out;

    struct Row {
        const char* what;
        int pointerX;
        Geometry view;
        unsigned long shown, hidden; // the desktop colour dimmed behind the view, and the other one
    };
    const Row rows[] = {
        {"pointer on the right (primary) monitor", 1500, {1024, 0, 1024, 768}, kRightDesktop, kLeftDesktop},
        {"pointer on the left monitor, at the root's corner",
         300,
         {0, 0, 1024, 768},
         kLeftDesktop,
         kRightDesktop},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        keys.move(row.pointerX, 700);
        ShowPinned(run);
        EXPECT_EQ(ViewGeometry(desktop), row.view);
        EXPECT_GT(CountColour(desktop, Halved(row.shown), 12), 200) << "its part of the desktop, dimmed";
        EXPECT_EQ(CountColour(desktop, Halved(row.hidden), 12), 0) << "nothing of the other monitor's part";
        EXPECT_GT(CountColour(desktop, row.hidden, 12), 200) << "the other monitor still shows its desktop";
        CloseWithEscape(run, keys);
    }
}

// At a device pixel ratio of 2 as well: Qt keeps each screen's corner where its device pixels are and
// halves only what lies beyond it, so the right monitor's corner stays at 1024 in Qt's terms too.
TEST_F(TwoMonitors, MonitorSettingOneOpensOnThePrimaryWhereverThePointerIsAtDoubleScale) {
    ASSERT_NO_FATAL_FAILURE(Arrange(kTwoOutputs));
    const RunResult merged = desktop.run({"sh", "-c", "echo 'Xft.dpi: 192' | xrdb -merge"});
    ASSERT_EQ(merged.exitCode, 0) << merged.err;
    ZorvaneRun run(desktop, {{"Monitor", "1"}});
    ASSERT_TRUE(run.startResident()) << run.trace();
    EXPECT_NE(run.runAgain({"--diagnostics"}).out.find("device pixel ratio: 2\n"), std::string::npos);
    keys.move(300, 700);
    // Twice: the second time the view starts from the right monitor, where it was left.
    for (int showing = 1; showing <= 2; ++showing) {
        SCOPED_TRACE("showing " + std::to_string(showing));
        ShowPinned(run);
        EXPECT_EQ(ViewGeometry(desktop), (Geometry{1024, 0, 1024, 768}));
        EXPECT_GT(CountColour(desktop, Halved(kRightDesktop), 12), 200);
        CloseWithEscape(run, keys);
    }
}

// Xvfb with Xft.dpi 192: Qt's device pixel ratio is 2, so its geometry is half the device pixels.
class DoubleScale : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(desktop.ok()) << desktop.reason();
        const RunResult merged = desktop.run({"sh", "-c", "echo 'Xft.dpi: 192' | xrdb -merge"});
        ASSERT_EQ(merged.exitCode, 0) << merged.err;
    }
    XDesktop desktop{XDesktop::Options{1024, 768, true}};
    Keys keys{desktop};
};

TEST_F(DoubleScale, TheViewCoversTheScreenAndAClickPicksTheCellUnderThePointer) {
    const Window first = OpenPaintedWindow(desktop, "First", "c03030", "300x200", "40,40");
    const Window second = OpenPaintedWindow(desktop, "Second", "30a040", "300x200", "300,200");
    const Window third = OpenPaintedWindow(desktop, "Third", "3050c0", "300x200", "560,360");
    ASSERT_TRUE(first != None && second != None && third != None);
    ASSERT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == third; }, kPatience));
    // Grid without animations: three windows make two by two cells, the top window's first.
    ZorvaneRun run(desktop, {{"FlipEffectType", "1"}, {"FlipEffectOption", "1,0,0,0,0"}});
    ASSERT_TRUE(run.startResident()) << run.trace();
    EXPECT_NE(run.runAgain({"--diagnostics"}).out.find("device pixel ratio: 2\n"), std::string::npos);
    keys.move(5, 5);
    ShowPinned(run);
    EXPECT_EQ(ViewGeometry(desktop), (Geometry{0, 0, 1024, 768}));
    // The second cell (top right) holds the window below the top one: a click there picks it.
    const int before = static_cast<int>(run.lines("view-hidden").size());
    keys.click(768, 192);
    ASSERT_TRUE(run.waitFor("view-hidden", before + 1)) << run.trace();
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == second; }, kPatience))
        << "active: " << desktop.activeWindow() << " first " << first << " third " << third;
}

} // namespace
} // namespace zorvane::test
