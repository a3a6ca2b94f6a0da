// The whole program on a private desktop (Xvfb + openbox + real windows), keys through XTest:
// the Win+Tab path, the pinned path, the start-up rules, the settings that choose the view, exit,
// and the view always being leavable whatever fails.
// gtest first: Xlib's macros (None, Bool, ...) must not reach its headers.
#include <gtest/gtest.h>

#include "ShellTestWindows.h"
#include "ZorvaneRun.h"

#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

namespace zorvane::test {
namespace {

namespace fs = std::filesystem;

class Switcher : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(desktop.ok()) << desktop.reason(); }

    // Three windows; the last one opened (blue) is on top and active.
    void openThreeWindows() {
        red = openWindow("Red", kRed, "40,40");
        green = openWindow("Green", kGreen, "300,200");
        blue = openWindow("Blue", kBlue, "560,360");
        ASSERT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == blue; }, kPatience));
    }

    Window openWindow(const std::string& title, unsigned long colour, const std::string& position) {
        return OpenColouredWindow(desktop, title, colour, position);
    }

    // Opens the view with Super+Tab and waits until its opening animation has played.
    void openWithWinTab(ZorvaneRun& run) { ASSERT_TRUE(OpenWithWinTab(run, keys)) << run.trace(); }

    // The custom hot key as it comes: Alt+`.
    void pressAltGrave() {
        const unsigned alt = desktop.keycodeOf(XK_Alt_L);
        desktop.keyDown(alt);
        keys.tap(XK_grave);
        desktop.keyUp(alt);
    }

    XDesktop desktop{XDesktop::Options{1024, 768, true}};
    Keys keys{desktop};
    Window red = None, green = None, blue = None;
};

// --- The Win+Tab path: hold Super, Tab steps, releasing Super picks.
TEST_F(Switcher, WinTabOpensTheViewOverTheWindowsPictures) {
    // A bare X desktop in a plain colour, as `xsetroot -solid` leaves it.
    constexpr unsigned long kDesktop = 0xC08040;
    XSetWindowBackground(desktop.dpy(), desktop.root(), kDesktop);
    XClearWindow(desktop.dpy(), desktop.root());
    XSync(desktop.dpy(), False);
    openThreeWindows();
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    openWithWinTab(run);
    // The view covers the screen and shows the pictures: the front (selected) picture is the top
    // window's, in its own colour; the desktop behind is drawn at half brightness.
    EXPECT_GT(CountColour(desktop, kBlue, 40), 20);
    EXPECT_GT(CountColour(desktop, 0x604020, 12), 200) << "the dimmed desktop";
    EXPECT_EQ(CountColour(desktop, kDesktop, 12), 0) << "nothing of the desktop at full brightness";
    EXPECT_EQ(ViewsOnScreen(desktop), 1);
    EXPECT_EQ(run.lines("view-shown").size(), 1u);
    // Found by its title as tools find it; the keyboard is taken by a grab, the focus stays put.
    EXPECT_NE(desktop.run({"xdotool", "search", "--name", "^Zorvane OpenGL$"}).out, "");
    EXPECT_EQ(desktop.activeWindow(), blue);
    // The opening starts once the window can be seen: no frame of it is drawn to nothing.
    EXPECT_TRUE(run.before("exposed", "first-tick")) << run.trace();
    keys.superUp();
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();
    // Nothing was stepped: the window that was active stays active.
    EXPECT_EQ(desktop.activeWindow(), blue);
    // Gone from every part of the screen.
    EXPECT_EQ(ViewsOnScreen(desktop), 0);
    EXPECT_GT(CountColour(desktop, kDesktop, 12), 200) << "the desktop at full brightness again";
}

// --- Under a compositing manager (picom), which draws every window from its picture: the pictures
// are the windows', the view shows above everything at every showing, and a pick keeps the focus.
TEST_F(Switcher, UnderACompositingManagerThePicturesAreRightAndTheViewIsOnTop) {
    if (!fs::exists("/usr/bin/picom"))
        GTEST_SKIP() << "picom is not installed (scripts/setup installs it)";
    // The desktop picture published as wallpaper setters do: picom draws the root from it.
    constexpr unsigned long kDesktop = 0xC08040;
    Display* dpy = desktop.dpy();
    const Pixmap picture = XCreatePixmap(dpy, desktop.root(), 1024, 768,
                                         static_cast<unsigned>(DefaultDepth(dpy, DefaultScreen(dpy))));
    const GC gc = XCreateGC(dpy, picture, 0, nullptr);
    XSetForeground(dpy, gc, kDesktop);
    XFillRectangle(dpy, picture, gc, 0, 0, 1024, 768);
    XFreeGC(dpy, gc);
    XSetWindowBackgroundPixmap(dpy, desktop.root(), picture);
    XClearWindow(dpy, desktop.root());
    const unsigned long id = picture;
    XChangeProperty(dpy, desktop.root(), XInternAtom(dpy, "_XROOTPMAP_ID", False), XA_PIXMAP, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&id), 1);
    XSync(dpy, False);
    openThreeWindows();
    desktop.spawn({"picom", "--config", "/dev/null", "--backend", "xrender"});
    const Atom manager = XInternAtom(desktop.dpy(), "_NET_WM_CM_S0", False);
    ASSERT_TRUE(
        desktop.waitUntil([&] { return XGetSelectionOwner(desktop.dpy(), manager) != None; }, kPatience));
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    // The front picture is the active window's; the second showing is drawn before it is moved in.
    const struct {
        unsigned long front;
        Window picked;
    } showings[] = {{kBlue, green}, {kGreen, blue}};
    int shown = 0;
    for (const auto& showing : showings) {
        openWithWinTab(run);
        ++shown;
        EXPECT_GT(CountColour(desktop, showing.front, 40), 20) << "showing " << shown;
        EXPECT_GT(CountColour(desktop, 0x604020, 12), 200) << "the dimmed desktop, showing " << shown;
        EXPECT_EQ(CountColour(desktop, kDesktop, 12), 0) << "the view above everything, showing " << shown;
        keys.tab();
        ASSERT_TRUE(run.waitFor("select-done next", shown)) << run.trace();
        keys.superUp();
        ASSERT_TRUE(run.waitFor("view-hidden", shown)) << run.trace();
        EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == showing.picked; }, kPatience))
            << "showing " << shown;
        EXPECT_TRUE(desktop.waitUntil([&] { return CountColour(desktop, kDesktop, 12) > 200; }, kPatience))
            << "the view gone, showing " << shown;
        EXPECT_EQ(ViewsOnScreen(desktop), 0);
    }
}

TEST_F(Switcher, TabWhileSuperIsHeldStepsAndReleaseActivatesTheSelection) {
    struct Row {
        const char* what;
        int nextSteps;
        Window* expected;
    };
    openThreeWindows();
    const Row rows[] = {
        {"one step forward picks the window below the top one", 1, &green},
        {"two steps forward pick the third", 2, &red},
    };
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    int shown = 0;
    for (const Row& row : rows) {
        ASSERT_TRUE(desktop.activate(blue));
        openWithWinTab(run);
        ++shown;
        for (int i = 0; i < row.nextSteps; ++i) {
            keys.tab();
            ASSERT_TRUE(run.waitFor("select-done", static_cast<int>(run.lines("select-done").size()) + 1))
                << row.what;
        }
        keys.superUp();
        ASSERT_TRUE(run.waitFor("view-hidden", shown)) << row.what;
        EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == *row.expected; }, kPatience))
            << row.what;
    }
}

TEST_F(Switcher, SuperShiftTabStepsBack) {
    openThreeWindows();
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    openWithWinTab(run);
    keys.shiftTab();
    ASSERT_TRUE(run.waitFor("select-done previous")) << run.trace();
    keys.superUp();
    ASSERT_TRUE(run.waitFor("view-hidden"));
    // One step back from the top window wraps round to the bottom one.
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == red; }, kPatience));
}

// --- When nothing opens.
TEST_F(Switcher, OneWindowOpensNothing) {
    blue = openWindow("Blue", kBlue, "100,100");
    ZorvaneRun run(desktop, {{"HotKeyHold", "-1"}});
    ASSERT_TRUE(run.startResident()) << run.trace();
    keys.superDown();
    keys.tab();
    keys.superUp();
    ASSERT_TRUE(run.waitFor("show-skipped")) << run.trace();
    EXPECT_EQ(run.lines("capture-done 1").size(), 1u);
    EXPECT_TRUE(run.lines("view-shown").empty());
    // The pinned path and the held custom hot key refuse too.
    EXPECT_EQ(run.runAgain({"--show"}).exitCode, 0);
    ASSERT_TRUE(run.waitFor("show-skipped", 2)) << run.trace();
    const unsigned alt = desktop.keycodeOf(XK_Alt_L);
    desktop.keyDown(alt);
    keys.tap(XK_grave);
    desktop.keyUp(alt);
    ASSERT_TRUE(run.waitFor("show-skipped", 3)) << run.trace();
    EXPECT_EQ(run.lines("hotkey-held").size(), 1u) << run.trace();
    EXPECT_TRUE(run.lines("view-shown").empty()) << run.trace();
}

TEST_F(Switcher, NothingOpensDuringTheSplash) {
    openThreeWindows();
    ZorvaneRun run(desktop);
    run.start();
    ASSERT_TRUE(run.waitFor("splash-shown")) << run.trace();
    keys.superDown();
    keys.tab();
    keys.superUp();
    ASSERT_TRUE(run.waitFor("wintab")) << run.trace();
    ASSERT_TRUE(run.waitFor("resident")) << run.trace();
    // The Tab was caught (the hook's message arrived) during the splash and did nothing.
    EXPECT_TRUE(run.before("wintab", "resident"));
    EXPECT_TRUE(run.lines("capture-start").empty());
    EXPECT_TRUE(run.lines("view-shown").empty());
}

// --- The pinned path (tray icon, "Show Effect", custom hot key): stays until a pick.
TEST_F(Switcher, PinnedViewStaysWithoutSuperAndClosesOnEnterEscOrClick) {
    struct Row {
        const char* what;
        unsigned long keysym; // 0: a click on the front picture
    };
    const Row rows[] = {{"Enter", XK_Return}, {"Esc (does not cancel)", XK_Escape}, {"a click", 0}};
    openThreeWindows();
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    int shown = 0;
    for (const Row& row : rows) {
        ASSERT_TRUE(desktop.activate(blue));
        ASSERT_EQ(run.runAgain({"--show"}).exitCode, 0) << row.what;
        ++shown;
        ASSERT_TRUE(run.waitFor("opening-done", shown)) << row.what << run.trace();
        // Pressing and letting go of Super does not close a pinned view: a Tab after it still
        // reaches the open view and steps the selection.
        keys.superDown();
        keys.superUp();
        keys.tab();
        ASSERT_TRUE(run.waitFor("select-done", shown)) << row.what << run.trace();
        EXPECT_EQ(run.lines("view-hidden").size(), static_cast<size_t>(shown - 1)) << row.what;
        if (row.keysym != 0) {
            keys.tap(row.keysym);
        } else {
            keys.click(512, 384);
        }
        ASSERT_TRUE(run.waitFor("view-hidden", shown)) << row.what << run.trace();
        EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == green; }, kPatience))
            << row.what;
    }
}

// --- The single-instance rule.
TEST_F(Switcher, SecondStartEndsSilentlyAndTheFirstIsUnaffected) {
    openThreeWindows();
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    const RunResult second = run.runAgain({});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(second.err, "") << "the second start must show and say nothing";
    EXPECT_EQ(run.lines("splash-shown").size(), 1u);
    openWithWinTab(run);
    keys.superUp();
    EXPECT_TRUE(run.waitFor("view-hidden"));
}

// --- Exit.
TEST_F(Switcher, ExitLeavesTheCaptureFolderEmptyButPresent) {
    openThreeWindows();
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    openWithWinTab(run);
    keys.superUp();
    ASSERT_TRUE(run.waitFor("view-hidden"));
    ASSERT_TRUE(fs::is_directory(run.captureFolder()));
    EXPECT_FALSE(fs::is_empty(run.captureFolder())) << "the pictures are stored while running";
    EXPECT_EQ(run.runAgain({"--quit"}).exitCode, 0);
    int exitCode = -1;
    ASSERT_TRUE(run.waitExit(kPatience, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(fs::is_directory(run.captureFolder()));
    EXPECT_TRUE(fs::is_empty(run.captureFolder()));
}

// --- Pictures left behind: an instance killed without its Exit leaves its pictures, and the next
// start on this display empties the folder before it writes there. A second start while an
// instance runs ends without touching that instance's pictures.
TEST_F(Switcher, PicturesLeftByAKilledInstanceGoAtTheNextStart) {
    openThreeWindows();
    ZorvaneRun run(desktop);
    const auto pictures = [&] {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(run.captureFolder()))
            names.insert(entry.path().filename().string());
        return names;
    };
    ASSERT_TRUE(run.startResident()) << run.trace();
    openWithWinTab(run);
    keys.superUp();
    ASSERT_TRUE(run.waitFor("view-hidden"));
    const std::set<std::string> running = pictures();
    ASSERT_FALSE(running.empty());
    EXPECT_EQ(run.runAgain({}).exitCode, 0);
    const std::set<std::string> afterSecondStart = pictures();
    EXPECT_TRUE(
        std::includes(afterSecondStart.begin(), afterSecondStart.end(), running.begin(), running.end()))
        << "a second start must leave the running instance's pictures";

    ASSERT_EQ(::kill(run.pid(), SIGKILL), 0);
    int exitCode = 0;
    ASSERT_TRUE(run.waitExit(kPatience, exitCode));
    const std::set<std::string> left = pictures();
    ASSERT_FALSE(left.empty()) << "killed, it had no Exit to empty its folder";

    ASSERT_TRUE(run.startResident()) << run.trace();
    EXPECT_EQ(run.lines("capture-folder-emptied " + std::to_string(left.size())).size(), 1u) << run.trace();
    for (const std::string& name : pictures())
        EXPECT_EQ(left.count(name), 0u) << name << " is left from the killed instance";
    openWithWinTab(run);
    keys.superUp();
    ASSERT_TRUE(run.waitFor("view-hidden"));
    EXPECT_FALSE(pictures().empty()) << "the new instance stores its own pictures";
}

// --- Keys the display server keeps: a settings file holding one reports it at start as
// unusable, like a taken key, instead of saying that it works.
TEST_F(Switcher, CustomHotKeyTheDisplayServerKeepsIsReportedAtStart) {
    ZorvaneRun run(desktop, {{"Language", "English"}, {"acShowEffect_ShortCut", "49275"}});
    ASSERT_TRUE(run.startResident()) << run.trace();
    const auto told = [&] {
        for (const std::string& line : run.ownLines())
            if (line.find("The custom hot key Ctrl+Alt+F12 is reserved by the display server") !=
                std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(desktop.waitUntil(told, kPatience)) << run.trace();
    for (const std::string& line : run.ownLines())
        EXPECT_EQ(line.find("Ctrl+Alt+F12 works"), std::string::npos) << line;
    const RunResult diagnostics = run.runAgain({"--diagnostics", "--settings", run.settingsFile()});
    EXPECT_NE(diagnostics.out.find("custom hot key Ctrl+Alt+F12: reserved by the display server"),
              std::string::npos)
        << diagnostics.out;
}

// --- The settings file chooses what opens.
TEST_F(Switcher, SettingsChooseTheEffectAndTheBackground) {
    struct Row {
        const char* flipType;
        const char* backType;
        const char* backOption;
        const char* expectedEffects; // "effects <kind> <background>"
        bool blackCorner;            // no background: the corner shows the clear colour
    };
    const Row rows[] = {
        {"1", "7", "", "effects 1 7", true},                   // Grid, no background at all
        {"2", "1", "back01.bmp,0,20", "effects 2 1", false},   // Wave Flip over a picture
        {"7", "5", "", "effects 0 5", true},                   // unknown effect types give Flip
        {"0", "129", "back01.bmp,0,20", "effects 0 1", false}, // only the low 7 bits count
    };
    openThreeWindows();
    for (const Row& row : rows) {
        ZorvaneRun run(desktop, {{"FlipEffectType", row.flipType},
                                 {"BackEffectType", row.backType},
                                 {"BackEffectOption", row.backOption}});
        ASSERT_TRUE(run.startResident()) << run.trace();
        openWithWinTab(run);
        EXPECT_EQ(run.lines("effects").front(), row.expectedEffects);
        const unsigned long corner = desktop.screenPixel(2, 2);
        EXPECT_EQ(corner == 0x000000, row.blackCorner)
            << row.expectedEffects << " corner " << std::hex << corner;
        keys.superUp();
        ASSERT_TRUE(run.waitFor("view-hidden"));
        EXPECT_EQ(run.runAgain({"--quit"}).exitCode, 0);
        int exitCode = -1;
        EXPECT_TRUE(run.waitExit(kPatience, exitCode));
    }
}

// --- The view can always be left, and Zorvane stays.
TEST_F(Switcher, WrongSettingsStillOpenTheViewWithFallbacks) {
    openThreeWindows();
    ZorvaneRun run(desktop, {{"FlipEffectType", "not a number"},
                             {"FlipEffectOption", "x,,\"unterminated,999999999999"},
                             {"BackEffectType", "99999999999999"},
                             {"BackEffectOption", "/no/such/picture.bmp,-7,-20"}});
    ASSERT_TRUE(run.startResident()) << run.trace();
    openWithWinTab(run);
    keys.superUp();
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == blue; }, kPatience));
}

TEST_F(Switcher, UnwritableCaptureFolderNeitherStopsTheViewNorEndsTheProgram) {
    openThreeWindows();
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    // The folder disappears and a plain file takes its name: no picture can be written there.
    fs::remove_all(run.captureFolder());
    std::ofstream(run.captureFolder()) << "not a folder";
    openWithWinTab(run);
    EXPECT_GT(CountColour(desktop, kBlue, 40), 20) << "the pictures stay in memory for the showing";
    keys.tab();
    ASSERT_TRUE(run.waitFor("select-done"));
    keys.superUp();
    ASSERT_TRUE(run.waitFor("view-hidden"));
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == green; }, kPatience));
    int exitCode = 0;
    EXPECT_FALSE(run.waitExit(0, exitCode)) << "Zorvane ended";
}

// The wheel: one notch of a classic wheel is one step, down to the next window, up back.
TEST_F(Switcher, AWheelNotchStepsOnceEitherWay) {
    openThreeWindows();
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    ASSERT_EQ(run.runAgain({"--show"}).exitCode, 0);
    ASSERT_TRUE(run.waitFor("opening-done")) << run.trace();
    // Button 5 turns the wheel down by a notch, button 4 up.
    for (const unsigned button : {5u, 5u, 4u}) {
        const int before = static_cast<int>(run.lines("wheel-done").size());
        keys.click(500, 400, button);
        ASSERT_TRUE(run.waitFor("wheel-done", before + 1)) << run.trace();
    }
    EXPECT_EQ(run.lines("wheel-done 1").size(), 2u) << run.trace();
    EXPECT_EQ(run.lines("wheel-done -1").size(), 1u) << run.trace();
    keys.tap(XK_Return);
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == green; }, kPatience))
        << "two notches down and one up: the window below the top one";
}

// A close that arrives while an effect animation is still running (the release of Super during a
// selection step, Esc during a pinned step) closes once, activates once and leaves the program
// able to open again.
TEST_F(Switcher, CloseInsideAnAnimationClosesOnceAndCanOpenAgain) {
    openThreeWindows();
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();

    openWithWinTab(run);
    keys.tab();
    keys.superUp(); // at once: the step is still animating
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();
    ASSERT_TRUE(run.waitFor("activated"));

    ASSERT_EQ(run.runAgain({"--show"}).exitCode, 0);
    ASSERT_TRUE(run.waitFor("opening-done", 2)) << run.trace();
    keys.tab();
    keys.tap(XK_Escape);
    keys.tap(XK_Return);
    ASSERT_TRUE(run.waitFor("view-hidden", 2)) << run.trace();

    // Open once more: the earlier effects are gone and nothing is left half closed.
    openWithWinTab(run);
    keys.superUp();
    ASSERT_TRUE(run.waitFor("view-hidden", 3)) << run.trace();
    EXPECT_EQ(run.lines("activated").size(), 3u) << run.trace();
    EXPECT_EQ(run.lines("view-shown").size(), 3u);
}

// --- The tray icon with a real tray host: a click opens the view pinned.
TEST_F(Switcher, TrayIconClickOpensThePinnedViewAndAPickActivates) {
    openThreeWindows();
    desktop.spawn({"trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "64",
                   "--height", "32", "--SetDockType", "true"});
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    EXPECT_EQ(run.lines("resident tray").size(), 1u) << run.trace();
    int x = 0;
    int y = 0;
    ASSERT_TRUE(
        desktop.waitUntil([&] { return FindZorvaneWindowCentre(desktop, desktop.root(), x, y); }, kPatience))
        << "the icon never docked";
    keys.click(x, y);
    ASSERT_TRUE(run.waitFor("opening-done")) << run.trace();
    // Not held open by Super: nothing is pressed, and the view stays.
    keys.tab();
    ASSERT_TRUE(run.waitFor("select-done next")) << run.trace();
    EXPECT_TRUE(run.lines("view-hidden").empty());
    keys.tap(XK_Return);
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == green; }, kPatience));
}

// --- A rendering context that cannot be made: one warning box at start, with the failing step's
// text; the program goes on and its view still opens and closes.
TEST_F(Switcher, ContextFailureShowsOneWarningAndTheProgramGoesOn) {
    struct Row {
        const char* step;
        const char* text;
    };
    const Row rows[] = {
        {"1", "Can't Create A GL Device Context!"},
        {"2", "Can't Find A Suitable PixelFormat!"},
        {"3", "Can't Create A GL Rendering Context!"},
        {"4", "Can't Activate The GL Rendering Context!"},
    };
    openThreeWindows();
    for (const Row& row : rows) {
        ZorvaneRun run(desktop);
        run.start({std::string("ZORVANE_FAIL_GL=") + row.step});
        ASSERT_TRUE(run.waitFor("warning")) << row.step << run.trace();
        EXPECT_EQ(run.lines("warning").front(), std::string("warning ") + row.text);
        ASSERT_TRUE(desktop.waitUntil([&] { return CountWindowsTitled(desktop, "Error") == 1; }, kPatience))
            << row.step;
        // The box is modal: the splash waits for it.
        EXPECT_TRUE(run.lines("splash-shown").empty());
        const Window box = desktop.waitForTitle("Error", 5000);
        if (box != None)
            desktop.activate(box);
        keys.tap(XK_Return);
        ASSERT_TRUE(run.waitFor("resident")) << row.step << run.trace();
        EXPECT_EQ(CountWindowsTitled(desktop, "Error"), 0);
        openWithWinTab(run);
        keys.superUp();
        ASSERT_TRUE(run.waitFor("view-hidden")) << row.step << run.trace();
        EXPECT_EQ(run.lines("warning").size(), 1u) << "reported once, at start only";
        EXPECT_EQ(run.runAgain({"--quit"}).exitCode, 0);
        int exitCode = -1;
        EXPECT_TRUE(run.waitExit(kPatience, exitCode));
        EXPECT_EQ(exitCode, 0);
    }
}

// --- Another program holds the keyboard: Esc cannot reach the view, a click still picks.
TEST_F(Switcher, PinnedViewClosesOnAClickWhenTheKeyboardIsHeldElsewhere) {
    openThreeWindows();
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    ASSERT_EQ(XGrabKeyboard(desktop.dpy(), desktop.root(), False, GrabModeAsync, GrabModeAsync, CurrentTime),
              GrabSuccess);
    XSync(desktop.dpy(), False);
    ASSERT_EQ(run.runAgain({"--show"}).exitCode, 0);
    ASSERT_TRUE(run.waitFor("opening-done")) << run.trace();
    keys.tap(XK_Escape); // goes to the grabbing program
    keys.click(512, 384);
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();
    XUngrabKeyboard(desktop.dpy(), CurrentTime);
    XSync(desktop.dpy(), False);
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == blue; }, kPatience));
    // Zorvane is still there and opens again.
    openWithWinTab(run);
    keys.superUp();
    ASSERT_TRUE(run.waitFor("view-hidden", 2)) << run.trace();
}

// --- A window minimised before the start: pictured at start (restored for a moment, minimised
// again), offered from its stored picture, and restored when picked.
TEST_F(Switcher, WindowMinimisedAtStartIsPicturedAndRestoredWhenPicked) {
    openThreeWindows();
    ASSERT_TRUE(desktop.minimize(red));
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    EXPECT_TRUE(desktop.waitUntil([&] { return !desktop.isViewable(red); }, kPatience)) << "minimised again";
    // Every window's picture went to its file at start, the minimised one's included.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(run.captureFolder()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 3);
    // Where a minimised window stacks is the window manager's choice: ask for the offered order.
    ASSERT_TRUE(desktop.activate(blue));
    const RunResult listed = run.runAgain({"--list-windows"});
    int steps = -1;
    std::istringstream lines(listed.out);
    std::string line;
    for (int index = 0; std::getline(lines, line); ++index) {
        if (line.find("\"handle\":" + std::to_string(red)) != std::string::npos)
            steps = index;
    }
    ASSERT_GT(steps, 0) << listed.out;
    openWithWinTab(run);
    EXPECT_EQ(run.lines("capture-done 3").size(), 1u) << run.trace();
    for (int i = 1; i <= steps; ++i) {
        keys.tab();
        ASSERT_TRUE(run.waitFor("select-done", i));
    }
    keys.superUp();
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == red && desktop.isViewable(red); },
                                  kPatience))
        << std::hex << "red 0x" << red << " green 0x" << green << " blue 0x" << blue << "\n"
        << run.trace();
}

// --- The tray menu's commands from the command line: the dialogs open in the running instance.
TEST_F(Switcher, AboutAndOptionsOpenInTheRunningInstance) {
    openThreeWindows();
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    for (const char* command : {"--about", "--options"}) {
        const std::string title = std::string(command) == "--about" ? "About" : "Option";
        ASSERT_EQ(run.runAgain({command}).exitCode, 0) << command;
        const Window dialog = desktop.waitForTitle(title, kPatience);
        ASSERT_NE(dialog, static_cast<Window>(None)) << command;
        // While a dialog is open the switcher does not open.
        EXPECT_EQ(run.runAgain({"--show"}).exitCode, 0);
        // Closed from its title bar, as a person would.
        EXPECT_EQ(desktop.run({"wmctrl", "-c", title}).exitCode, 0);
        EXPECT_TRUE(desktop.waitUntil([&] { return CountWindowsTitled(desktop, title) == 0; }, kPatience))
            << command;
    }
    EXPECT_TRUE(run.lines("view-shown").empty());
    EXPECT_EQ(run.runAgain({"--quit"}).exitCode, 0);
    int exitCode = -1;
    EXPECT_TRUE(run.waitExit(kPatience, exitCode));
    EXPECT_EQ(exitCode, 0);
}

// --- The custom hot key (Alt+` unless the settings name another) opens the view pinned.
TEST_F(Switcher, CustomHotKeyOpensThePinnedView) {
    openThreeWindows();
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    pressAltGrave();
    ASSERT_TRUE(run.waitFor("opening-done")) << run.trace();
    keys.tab();
    ASSERT_TRUE(run.waitFor("select-done next")) << run.trace();
    EXPECT_TRUE(run.lines("view-hidden").empty()) << "no Super key holds it open";
    keys.tap(XK_Return);
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == green; }, kPatience));
}

// --- Held like Super+Tab (HotKeyHold): the hot key's modifiers held keep the view open, its key
// again steps (with Shift, back), letting go of the modifiers picks.
TEST_F(Switcher, HeldCustomHotKeyStepsWithItsKeyAndPicksWhenItsModifiersAreReleased) {
    openThreeWindows();
    ZorvaneRun run(desktop, {{"HotKeyHold", "-1"}});
    ASSERT_TRUE(run.startResident()) << run.trace();
    const unsigned alt = desktop.keycodeOf(XK_Alt_L);
    const unsigned shift = desktop.keycodeOf(XK_Shift_L);
    desktop.keyDown(alt);
    keys.tap(XK_grave);
    ASSERT_TRUE(run.waitFor("opening-done")) << run.trace();
    // Blue is selected; on to green, then red, then back to green.
    keys.tap(XK_grave);
    ASSERT_TRUE(run.waitFor("select-done next", 1)) << run.trace();
    keys.tap(XK_grave);
    ASSERT_TRUE(run.waitFor("select-done next", 2)) << run.trace();
    desktop.keyDown(shift);
    keys.tap(XK_grave);
    desktop.keyUp(shift);
    ASSERT_TRUE(run.waitFor("select-done previous", 1)) << run.trace();
    EXPECT_TRUE(run.lines("view-hidden").empty()) << "Alt held keeps the view";
    desktop.keyUp(alt);
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();
    EXPECT_TRUE(desktop.waitUntil([&] { return desktop.activeWindow() == green; }, kPatience));
}

// --- A custom hot key another program holds at start is reported; once that program lets go of
// it, Zorvane takes it by itself, without a restart.
TEST_F(Switcher, CustomHotKeyHeldElsewhereIsReportedAndTakenOnceFreed) {
    openThreeWindows();
    // Another client grabs Alt+` as hot key programs do: with and without Caps Lock and Num Lock.
    const std::unique_ptr<Display, int (*)(Display*)> other(XOpenDisplay(desktop.display().c_str()),
                                                            XCloseDisplay);
    ASSERT_NE(other, nullptr);
    const int grave = XKeysymToKeycode(other.get(), XK_grave);
    const Window root = DefaultRootWindow(other.get());
    for (unsigned locks : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)})
        XGrabKey(other.get(), grave, Mod1Mask | locks, root, True, GrabModeAsync, GrabModeAsync);
    XSync(other.get(), False);

    ZorvaneRun run(desktop, {{"Language", "English"}});
    ASSERT_TRUE(run.startResident()) << run.trace();
    ASSERT_TRUE(run.waitFor("keys super-tab ours hot-key other")) << run.trace();
    const auto told = [&] {
        for (const std::string& line : run.ownLines())
            if (line.find("The custom hot key Alt+` is taken by another program") != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(desktop.waitUntil(told, kPatience)) << run.trace();

    XUngrabKey(other.get(), grave, AnyModifier, root);
    XSync(other.get(), False);
    ASSERT_TRUE(run.waitFor("keys super-tab ours hot-key ours", 1, kPatience)) << run.trace();
    pressAltGrave();
    ASSERT_TRUE(run.waitFor("opening-done")) << run.trace();
    keys.tap(XK_Escape);
    ASSERT_TRUE(run.waitFor("view-hidden")) << run.trace();
}

} // namespace
} // namespace zorvane::test
