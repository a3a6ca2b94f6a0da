// Workspaces under openbox (two of them, windows moved with wmctrl): the whole program leaves a
// window on another workspace alone at start, offers it as a card (never black, never another
// window's picture), and picking it takes the user there; DesktopFilter 1 leaves it out.
// gtest first: Xlib's macros (None, Bool, ...) must not reach its headers.
#include <gtest/gtest.h>

#include "ShellTestWindows.h"
#include "ZorvaneRun.h"

#include <X11/Xatom.h>

#include <filesystem>
#include <sstream>

namespace zorvane::test {
namespace {

namespace fs = std::filesystem;

constexpr unsigned long kCardMiddle = 0x363C4B; // halfway down a card's slate face

class WorkspacesTest : public ::testing::Test {
protected:
    explicit WorkspacesTest(const XDesktop::Session& session)
        : desktop(XDesktop::Options{1024, 768, true}, session) {}
    void SetUp() override { ASSERT_TRUE(desktop.ok()) << desktop.reason(); }

    // -1 when the property is not there.
    long cardinal(Window window, const char* name) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        long value = -1;
        if (XGetWindowProperty(desktop.dpy(), window, XInternAtom(desktop.dpy(), name, False), 0, 1, False,
                               XA_CARDINAL, &type, &format, &items, &remaining, &data) == Success &&
            data != nullptr && format == 32 && items == 1)
            value = static_cast<long>(*reinterpret_cast<unsigned long*>(data) & 0xFFFFFFFFul);
        if (data != nullptr)
            XFree(data);
        return value;
    }

    std::vector<std::string> netWmState(Window window) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        std::vector<std::string> names;
        if (XGetWindowProperty(desktop.dpy(), window, XInternAtom(desktop.dpy(), "_NET_WM_STATE", False), 0,
                               64, False, XA_ATOM, &type, &format, &items, &remaining, &data) == Success &&
            data != nullptr && format == 32) {
            for (unsigned long i = 0; i < items; ++i) {
                char* name = XGetAtomName(desktop.dpy(), reinterpret_cast<Atom*>(data)[i]);
                names.emplace_back(name ? name : "");
                XFree(name);
            }
        }
        if (data != nullptr)
            XFree(data);
        return names;
    }

    // Steps that many windows on in the open view and lets go of Super.
    bool pick(ZorvaneRun& run, int steps) {
        for (int i = 1; i <= steps; ++i) {
            keys.tab();
            if (!run.waitFor("select-done", i))
                return false;
        }
        keys.superUp();
        return run.waitFor("view-hidden");
    }

    // Waits until the current workspace is that one (counted from 0) and the window is active.
    bool activeOn(long workspace, Window window) {
        return desktop.waitUntil(
            [&] {
                return cardinal(desktop.root(), "_NET_CURRENT_DESKTOP") == workspace &&
                       desktop.activeWindow() == window;
            },
            kPatience);
    }

    bool flagged(Window window) {
        for (const std::string& state : netWmState(window))
            if (state == "_NET_WM_STATE_DEMANDS_ATTENTION" || state == "_NET_WM_STATE_HIDDEN")
                return true;
        return false;
    }

    Window openWindow(const std::string& title, unsigned long colour, const std::string& position) {
        return OpenColouredWindow(desktop, title, colour, position);
    }

    // "1" the second workspace, "-1" every workspace (wmctrl's -1 does not reach openbox as that).
    void moveTo(Window window, const std::string& workspace) {
        const std::string id = std::to_string(window);
        ASSERT_EQ(desktop
                      .run(workspace == "-1"
                               ? std::vector<std::string>{"xdotool", "set_desktop_for_window", id, "-1"}
                               : std::vector<std::string>{"wmctrl", "-i", "-r", id, "-t", workspace})
                      .exitCode,
                  0);
        const long wanted = workspace == "-1" ? 0xFFFFFFFFL : std::stol(workspace);
        ASSERT_TRUE(desktop.waitUntil([&] { return cardinal(window, "_NET_WM_DESKTOP") == wanted; }));
    }

    // The offered order, as --list-windows prints it with the run's settings.
    std::vector<std::string> listed(ZorvaneRun& run) {
        const RunResult result = run.runAgain({"--settings", run.settingsFile(), "--list-windows"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        std::vector<std::string> lines;
        std::istringstream text(result.out);
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        return lines;
    }

    static int indexOf(const std::vector<std::string>& lines, Window window) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].find("\"handle\":" + std::to_string(window) + ",") != std::string::npos)
                return static_cast<int>(i);
        return -1;
    }

    XDesktop desktop;
    Keys keys{desktop};
};

// Under openbox, with two workspaces.
class Workspaces : public WorkspacesTest {
protected:
    Workspaces() : WorkspacesTest(XDesktop::Session{}) {}
    void SetUp() override {
        WorkspacesTest::SetUp();
        ASSERT_EQ(desktop.run({"wmctrl", "-n", "2"}).exitCode, 0);
        ASSERT_TRUE(
            desktop.waitUntil([&] { return cardinal(desktop.root(), "_NET_NUMBER_OF_DESKTOPS") == 2; }));
    }
};

// Under i3 (its own configuration without the first-start wizard), which keeps a window on another
// workspace withdrawn rather than iconic.
class WorkspacesUnderI3 : public WorkspacesTest {
protected:
    WorkspacesUnderI3()
        : WorkspacesTest(XDesktop::Session{
              {"sh", "-c",
               "sed '/i3-config-wizard/d;/^bar {/,/^}/d;/^exec/d' /etc/i3/config > \"$HOME/i3.config\" && "
               "exec i3 -c \"$HOME/i3.config\""},
              false,
              true}) {}
};

TEST_F(Workspaces, WindowOnAnotherWorkspaceIsLeftAloneShownAsACardAndPickingItGoesThere) {
    XSetWindowBackground(desktop.dpy(), desktop.root(), 0xC08040);
    XClearWindow(desktop.dpy(), desktop.root());
    const Window red = openWindow("Red", kRed, "40,40");
    const Window green = openWindow("Green", kGreen, "300,200");
    const Window blue = openWindow("Blue", kBlue, "560,360");
    moveTo(red, "1");
    ASSERT_TRUE(desktop.waitUntil([&] { return !desktop.isViewable(red); }));
    ASSERT_TRUE(desktop.minimize(green));
    ASSERT_TRUE(desktop.activate(blue));
    int x = 0, y = 0, width = 0, height = 0;
    ASSERT_TRUE(desktop.frameRect(red, x, y, width, height));

    // Grid shows every picture at once; None shows the desktop dimmed behind them.
    ZorvaneRun run(desktop, {{"FlipEffectType", "1"}, {"BackEffectType", "0"}});
    ASSERT_TRUE(run.startResident()) << run.trace();
    // The minimised window was restored for its picture and minimised again, as before.
    EXPECT_TRUE(desktop.waitUntil([&] { return !desktop.isViewable(green); }, kPatience));
    // The one on the other workspace was not touched: not flagged, moved or minimised, and the
    // user is still where they were.
    EXPECT_FALSE(flagged(red)) << ::testing::PrintToString(netWmState(red));
    EXPECT_EQ(cardinal(red, "_NET_WM_DESKTOP"), 1);
    EXPECT_EQ(cardinal(desktop.root(), "_NET_CURRENT_DESKTOP"), 0);
    int nx = 0, ny = 0, nwidth = 0, nheight = 0;
    ASSERT_TRUE(desktop.frameRect(red, nx, ny, nwidth, nheight));
    EXPECT_EQ(std::vector<int>({nx, ny, nwidth, nheight}), std::vector<int>({x, y, width, height}));

    const auto lines = listed(run);
    const int redIndex = indexOf(lines, red);
    ASSERT_GE(redIndex, 0) << ::testing::PrintToString(lines);
    EXPECT_NE(lines[static_cast<std::size_t>(redIndex)].find("\"showCmd\":1,"), std::string::npos)
        << "normal where it is, not minimised";
    ASSERT_GE(indexOf(lines, green), 0);
    EXPECT_NE(lines[static_cast<std::size_t>(indexOf(lines, green))].find("\"showCmd\":2,"),
              std::string::npos);

    // --capture writes no file rather than a black one for a window it cannot picture now.
    const std::string folder = run.folder() + "/capture";
    ASSERT_EQ(run.runAgain({"--settings", run.settingsFile(), "--capture", folder}).exitCode, 0);
    EXPECT_FALSE(fs::exists(folder + "/" + std::to_string(red) + ".bmp"));
    EXPECT_TRUE(fs::exists(folder + "/" + std::to_string(blue) + ".bmp"));

    ASSERT_TRUE(OpenWithWinTab(run, keys)) << run.trace();
    EXPECT_EQ(run.lines("capture-done 3").size(), 1u) << run.trace();
    EXPECT_GT(CountColour(desktop, kGreen, 40), 20) << "the minimised window's picture from the start";
    EXPECT_GT(CountColour(desktop, kCardMiddle, 16), 20) << "the card of the window never pictured";
    EXPECT_EQ(CountColour(desktop, kRed, 40), 0) << "nothing of its content was ever seen here";
    EXPECT_FALSE(flagged(red));

    // Picked: the user is taken to its workspace and it is the active window there.
    ASSERT_TRUE(pick(run, redIndex)) << run.trace();
    EXPECT_TRUE(activeOn(1, red)) << run.trace();
    EXPECT_TRUE(desktop.isViewable(red));
    EXPECT_FALSE(flagged(red)) << ::testing::PrintToString(netWmState(red));

    // Now the first workspace is the other one: a window maximised there is listed maximised.
    ASSERT_EQ(
        desktop.run({"wmctrl", "-i", "-r", std::to_string(blue), "-b", "add,maximized_vert,maximized_horz"})
            .exitCode,
        0);
    std::string blueLine;
    EXPECT_TRUE(desktop.waitUntil([&] {
        const auto now = listed(run);
        const int index = indexOf(now, blue);
        blueLine = index >= 0 ? now[static_cast<std::size_t>(index)] : "";
        return blueLine.find("\"showCmd\":3,") != std::string::npos;
    })) << blueLine;
    EXPECT_FALSE(desktop.isViewable(blue));
    EXPECT_EQ(run.ownLines(), std::vector<std::string>{}) << "nothing but the trace on standard error";
}

TEST_F(Workspaces, DesktopFilterOneOffersTheCurrentWorkspaceAndStickyWindowsOnly) {
    const Window red = openWindow("Red", kRed, "40,40");
    const Window green = openWindow("Green", kGreen, "300,200");
    const Window blue = openWindow("Blue", kBlue, "560,360");
    moveTo(red, "1");
    moveTo(green, "-1");
    ASSERT_TRUE(desktop.activate(blue));

    ZorvaneRun run(desktop, {{"DesktopFilter", "1"}});
    ASSERT_TRUE(run.startResident()) << run.trace();
    const auto lines = listed(run);
    EXPECT_EQ(indexOf(lines, red), -1) << ::testing::PrintToString(lines);
    EXPECT_GE(indexOf(lines, green), 0) << "on every workspace";
    EXPECT_GE(indexOf(lines, blue), 0);
    ASSERT_TRUE(OpenWithWinTab(run, keys)) << run.trace();
    EXPECT_EQ(run.lines("capture-done 2").size(), 1u) << run.trace();
    keys.superUp();
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();

    const RunResult diagnostics = run.runAgain({"--settings", run.settingsFile(), "--diagnostics"});
    EXPECT_NE(diagnostics.out.find("\nworkspaces: 2, current: 1\n"), std::string::npos) << diagnostics.out;
    EXPECT_EQ(run.ownLines(), std::vector<std::string>{}) << "nothing but the trace on standard error";
}

TEST_F(WorkspacesUnderI3, WindowLeftOnAnotherWorkspaceIsOfferedAndPickingItGoesThere) {
    const Window one = openWindow("One", kRed, "40,40");
    ASSERT_EQ(desktop.run({"i3-msg", "workspace", "2"}).exitCode, 0);
    ASSERT_TRUE(desktop.waitUntil([&] { return cardinal(desktop.root(), "_NET_CURRENT_DESKTOP") == 1; }));
    const Window two = openWindow("Two", kBlue, "40,40");
    ASSERT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == two; }, kPatience));
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();

    const auto lines = listed(run);
    const int oneIndex = indexOf(lines, one);
    ASSERT_GE(oneIndex, 0) << ::testing::PrintToString(lines);
    EXPECT_NE(lines[static_cast<std::size_t>(oneIndex)].find("\"showCmd\":1,"), std::string::npos);
    ASSERT_TRUE(OpenWithWinTab(run, keys)) << run.trace();
    EXPECT_EQ(run.lines("capture-done 2").size(), 1u) << run.trace();
    ASSERT_TRUE(pick(run, oneIndex)) << run.trace();
    EXPECT_TRUE(activeOn(0, one)) << run.trace();
    EXPECT_EQ(run.ownLines(), std::vector<std::string>{}) << "nothing but the trace on standard error";
}

} // namespace
} // namespace zorvane::test
