// Keys on a real X server, sent through XTest by keycode: the Win+Tab grab (left Super only),
// the custom hot key in every lock state, and the release of both.
// gtest first: Xlib defines None as a macro, which gtest also uses as a name.
#include <gtest/gtest.h>

#include "harness/XHarness.h"

#include "platform/x11/X11Platform.h"

#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace zorvane {
namespace {

using test::XDesktop;

class X11Keys : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(desktop.ok()) << desktop.reason();
        logPath = "/tmp/zv-keys-" + std::to_string(::getpid()) + ".log";
        std::remove(logPath.c_str());
        desktop.spawnTestClient({"--title", "typist", "--key-log", logPath});
        typist = desktop.waitForTitle("typist");
        ASSERT_NE(typist, None);
        ASSERT_TRUE(desktop.waitPainted(typist));
        ASSERT_TRUE(desktop.activate(typist));
        std::string error;
        x11 = createX11Platform(desktop.display().c_str(), error);
        ASSERT_TRUE(x11) << error;
        ASSERT_TRUE(x11->installWinTabGrab([this](bool shift) { winTabs.push_back(shift); }));
    }
    void TearDown() override { std::remove(logPath.c_str()); }

    unsigned key(unsigned long keysym) { return desktop.keycodeOf(keysym); }

    // Runs our event handling until the focused client has logged the marker key: every event
    // sent before the marker has then been dealt with by both sides. Returns the client's log
    // since the last settle.
    std::string settle() {
        // The client keeps the log open for appending, so it is read from where the last settle
        // stopped rather than removed.
        desktop.tapKey(key(XK_z));
        std::string log;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < deadline) {
            x11->processPendingEvents();
            std::ifstream in(logPath);
            std::stringstream text;
            text << in.rdbuf();
            log = text.str().substr(std::min(consumed, text.str().size()));
            if (log.find("press z") != std::string::npos)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        consumed += log.size();
        EXPECT_NE(log.find("press z"), std::string::npos) << "the marker key never reached the client";
        return log;
    }

    void chord(const std::vector<unsigned long>& held, unsigned long tapped) {
        for (unsigned long k : held)
            desktop.keyDown(key(k));
        desktop.tapKey(key(tapped));
        for (auto it = std::rbegin(held); it != std::rend(held); ++it)
            desktop.keyUp(key(*it));
    }

    XDesktop desktop;
    std::string logPath;
    Window typist = None;
    std::unique_ptr<Platform> x11;
    std::vector<bool> winTabs;
    std::size_t consumed = 0;
};

TEST_F(X11Keys, LeftSuperTabIsSwallowedAndReportedWithShift) {
    chord({XK_Super_L}, XK_Tab);
    std::string log = settle();
    EXPECT_EQ(winTabs, std::vector<bool>{false});
    EXPECT_EQ(log.find("press Tab"), std::string::npos) << log;
    EXPECT_NE(log.find("press z"), std::string::npos) << "the marker reached the client";

    chord({XK_Super_L, XK_Shift_L}, XK_Tab);
    log = settle();
    EXPECT_EQ(winTabs, (std::vector<bool>{false, true}));
    EXPECT_EQ(log.find("press Tab"), std::string::npos) << log;
}

TEST_F(X11Keys, RightSuperTabReachesTheFocusedProgram) {
    chord({XK_Super_R}, XK_Tab);
    const std::string log = settle();
    EXPECT_TRUE(winTabs.empty());
    EXPECT_NE(log.find("press Tab"), std::string::npos) << log;
    // A plain Tab is never ours either.
    desktop.tapKey(key(XK_Tab));
    EXPECT_NE(settle().find("press Tab"), std::string::npos);
    EXPECT_TRUE(winTabs.empty());
}

// The same with a real terminal, judged by what xterm hands to the program inside it.
TEST_F(X11Keys, RightSuperTabReachesARealXtermAndLeftSuperTabDoesNot) {
    const std::string ttyLog = logPath + ".tty";
    const std::string ready = logPath + ".ready";
    desktop.spawn({"xterm", "-T", "terminal", "-e", "sh", "-c",
                   "stty raw -echo && : > '" + ready + "' && exec cat > '" + ttyLog + "'"});
    const Window xterm = desktop.waitForTitle("terminal", 15000);
    ASSERT_NE(xterm, None);
    ASSERT_TRUE(desktop.waitUntil([&] { return std::ifstream(ready).good(); }, 15000))
        << "the terminal's program";
    ASSERT_TRUE(desktop.activate(xterm));
    // Runs our event handling until the terminal's program has received exactly `wanted`.
    const auto received = [&](const std::string& wanted) {
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            x11->processPendingEvents();
            std::ifstream in(ttyLog);
            std::stringstream content;
            content << in.rdbuf();
            text = content.str();
            if (text.size() >= wanted.size())
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return text;
    };

    chord({XK_Super_R}, XK_Tab);
    desktop.tapKey(key(XK_z));
    EXPECT_EQ(received("\tz"), "\tz") << "Super_R + Tab reaches the terminal";
    EXPECT_TRUE(winTabs.empty());

    chord({XK_Super_L}, XK_Tab);
    desktop.tapKey(key(XK_y));
    EXPECT_EQ(received("\tzy"), "\tzy") << "Super_L + Tab is swallowed";
    EXPECT_EQ(winTabs, std::vector<bool>{false});
    std::remove(ttyLog.c_str());
    std::remove(ready.c_str());
}

TEST_F(X11Keys, WinTabWorksWhateverLockIsOn) {
    for (const auto& [caps, num] : {std::pair{true, false}, std::pair{false, true}, std::pair{true, true}}) {
        desktop.setLocks(caps, num);
        chord({XK_Super_L}, XK_Tab);
        const std::string log = settle();
        EXPECT_EQ(log.find("press Tab"), std::string::npos) << "caps " << caps << " num " << num;
    }
    EXPECT_EQ(winTabs.size(), 3u);
    desktop.setLocks(false, false);
}

TEST_F(X11Keys, RemovingTheGrabFreesSuperTab) {
    x11->removeWinTabGrab();
    chord({XK_Super_L}, XK_Tab);
    EXPECT_NE(settle().find("press Tab"), std::string::npos);
    EXPECT_TRUE(winTabs.empty());
}

// The shell's event loop watches the connection's descriptor: a grabbed key makes it readable.
TEST_F(X11Keys, ConnectionDescriptorBecomesReadableForAGrabbedKey) {
    chord({XK_Super_L}, XK_Tab);
    pollfd watched{x11->connectionFd(), POLLIN, 0};
    ASSERT_EQ(::poll(&watched, 1, 10000), 1);
    x11->processPendingEvents();
    EXPECT_EQ(winTabs, std::vector<bool>{false});
}

// A Tab caught by the grab but handled only after the grab was removed must not leave the
// keyboard frozen: it goes on to the focused program.
TEST_F(X11Keys, TabCaughtJustBeforeTheGrabWasRemovedIsPassedOn) {
    chord({XK_Super_R}, XK_Tab);
    x11->removeWinTabGrab();
    const std::string log = settle();
    EXPECT_NE(log.find("press Tab"), std::string::npos) << log;
    EXPECT_TRUE(winTabs.empty());
}

TEST_F(X11Keys, LeftSuperStateFollowsTheKey) {
    EXPECT_FALSE(x11->isLeftSuperDown());
    desktop.keyDown(key(XK_Super_L));
    EXPECT_TRUE(x11->isLeftSuperDown());
    desktop.keyUp(key(XK_Super_L));
    EXPECT_FALSE(x11->isLeftSuperDown());
    desktop.keyDown(key(XK_Super_R));
    EXPECT_FALSE(x11->isLeftSuperDown()) << "the right Super key does not count";
    desktop.keyUp(key(XK_Super_R));
}

// Shortcut codes: virtual key in the low byte; 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
TEST_F(X11Keys, CustomHotKeysFireInEveryLockStateAndAreReleased) {
    struct Case {
        const char* name;
        std::uint16_t shortcut;
        std::vector<unsigned long> held; // a vector: an initializer_list member would dangle
        unsigned long tapped;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {"Alt+grave (the default 32960)", 0x80C0, {XK_Alt_L}, XK_grave, "press grave"},
        {"Ctrl+Alt+X", 0xC058, {XK_Control_L, XK_Alt_L}, XK_x, "press x"},
        {"F12", 0x007B, {}, XK_F12, "press F12"},
        {"Shift+F5", 0x2074, {XK_Shift_L}, XK_F5, "press F5"},
    };
    for (const auto& c : cases) {
        int fired = 0;
        ASSERT_TRUE(x11->registerHotKey(c.shortcut, [&] { ++fired; })) << c.name;
        for (const auto& [caps, num] : {std::pair{false, false}, std::pair{true, false},
                                        std::pair{false, true}, std::pair{true, true}}) {
            desktop.setLocks(caps, num);
            chord(c.held, c.tapped);
            const std::string log = settle();
            EXPECT_EQ(log.find(c.logged), std::string::npos)
                << c.name << ": the grabbed key is not passed on\n"
                << log;
        }
        EXPECT_EQ(fired, 4) << c.name;
        desktop.setLocks(false, false);
        // The key without its modifiers is not the hot key.
        if (!c.held.empty()) {
            desktop.tapKey(key(c.tapped));
            EXPECT_NE(settle().find(c.logged), std::string::npos) << c.name;
            EXPECT_EQ(fired, 4) << c.name;
        }
        x11->unregisterHotKey();
        chord(c.held, c.tapped);
        EXPECT_NE(settle().find(c.logged), std::string::npos) << c.name << ": released after unregistering";
        EXPECT_EQ(fired, 4) << c.name;
    }
}

TEST_F(X11Keys, HotKeyTakenByAnotherProgramOrUnmappableFails) {
    // Another client holds F11 already.
    XGrabKey(desktop.dpy(), key(XK_F11), 0, desktop.root(), False, GrabModeAsync, GrabModeAsync);
    XSync(desktop.dpy(), False);
    EXPECT_FALSE(x11->registerHotKey(0x007A, [] {}));
    EXPECT_FALSE(x11->registerHotKey(0, [] {})) << "no shortcut at all";
    EXPECT_FALSE(x11->registerHotKey(0x8007, [] {})) << "a code with no key";
    // A failed registration leaves no part of the combination grabbed.
    XUngrabKey(desktop.dpy(), key(XK_F11), 0, desktop.root());
    XSync(desktop.dpy(), False);
    desktop.tapKey(key(XK_F11));
    EXPECT_NE(settle().find("press F11"), std::string::npos);
}

} // namespace
} // namespace zorvane

namespace zorvane {
namespace {

// Tab with Super and any of Shift, Ctrl and Alt is Win+Tab too (Shift still says "back").
TEST_F(X11Keys, TabWithSuperAndEveryOtherModifierIsCaught) {
    struct Row {
        std::vector<unsigned long> held;
        bool shift;
    };
    const std::vector<Row> rows = {
        {{XK_Super_L, XK_Control_L}, false},
        {{XK_Super_L, XK_Alt_L}, false},
        {{XK_Super_L, XK_Control_L, XK_Alt_L}, false},
        {{XK_Super_L, XK_Control_L, XK_Shift_L}, true},
        {{XK_Super_L, XK_Alt_L, XK_Shift_L, XK_Control_L}, true},
    };
    std::vector<bool> expected;
    for (const Row& row : rows) {
        chord(row.held, XK_Tab);
        expected.push_back(row.shift);
        const std::string log = settle();
        EXPECT_EQ(log.find("press Tab"), std::string::npos) << log;
    }
    EXPECT_EQ(winTabs, expected);
    // The right Super key with Ctrl still passes the Tab on.
    chord({XK_Super_R, XK_Control_L}, XK_Tab);
    EXPECT_NE(settle().find("press Tab"), std::string::npos);
    EXPECT_EQ(winTabs.size(), rows.size());
}

// Who holds the keys: ours, another program's Super+Tab, another program's left Super key alone;
// what a second process (the checking tools) sees; and taking Super+Tab once it is freed.
TEST_F(X11Keys, KeyHoldersAreKnownAndSuperTabIsTakenOnceFreed) {
    EXPECT_EQ(x11->winTabHolder(), KeyHolder::khOurs);
    std::string error;
    auto tools = createX11Platform(desktop.display().c_str(), error);
    ASSERT_TRUE(tools) << error;
    PublishedKeys published;
    ASSERT_TRUE(tools->runningInstanceKeys(published)) << "the grabbing process publishes its keys";
    EXPECT_TRUE(published.winTabOurs);
    EXPECT_EQ(tools->probeWinTab(), KeyHolder::khOtherProgram) << "held by the first process";

    // Another program takes the left Super key alone (a start menu): Tab never comes with it.
    const unsigned superL = key(XK_Super_L);
    XGrabKey(desktop.dpy(), superL, 0, desktop.root(), False, GrabModeAsync, GrabModeAsync);
    XSync(desktop.dpy(), False);
    EXPECT_EQ(x11->winTabHolder(), KeyHolder::khLeftSuperAlone);
    XUngrabKey(desktop.dpy(), superL, 0, desktop.root());
    XSync(desktop.dpy(), False);
    EXPECT_EQ(x11->winTabHolder(), KeyHolder::khOurs);

    // Another program holds Super+Tab itself.
    x11->removeWinTabGrab();
    EXPECT_EQ(tools->probeWinTab(), KeyHolder::khNobody);
    const unsigned tab = key(XK_Tab);
    XGrabKey(desktop.dpy(), tab, Mod4Mask, desktop.root(), False, GrabModeAsync, GrabModeAsync);
    XSync(desktop.dpy(), False);
    EXPECT_FALSE(x11->installWinTabGrab([this](bool shift) { winTabs.push_back(shift); }));
    EXPECT_EQ(x11->winTabHolder(), KeyHolder::khOtherProgram);
    EXPECT_EQ(tools->probeWinTab(), KeyHolder::khOtherProgram);
    ASSERT_TRUE(tools->runningInstanceKeys(published));
    EXPECT_FALSE(published.winTabOurs);
    // Nothing of Super+Tab is half held: Super+Shift+Tab reaches the focused program.
    chord({XK_Super_L, XK_Shift_L}, XK_Tab);
    EXPECT_NE(settle().find("press Tab"), std::string::npos);

    XUngrabKey(desktop.dpy(), tab, Mod4Mask, desktop.root());
    XSync(desktop.dpy(), False);
    ASSERT_TRUE(x11->installWinTabGrab([this](bool shift) { winTabs.push_back(shift); }));
    EXPECT_EQ(x11->winTabHolder(), KeyHolder::khOurs);
    chord({XK_Super_L}, XK_Tab);
    EXPECT_EQ(settle().find("press Tab"), std::string::npos);
    EXPECT_EQ(winTabs, std::vector<bool>{false});
}

TEST_F(X11Keys, CustomHotKeyHolderAndItsModifiersAreKnown) {
    XGrabKey(desktop.dpy(), key(XK_F11), 0, desktop.root(), False, GrabModeAsync, GrabModeAsync);
    XSync(desktop.dpy(), False);
    EXPECT_FALSE(x11->registerHotKey(0x007A, [] {}));
    EXPECT_EQ(x11->hotKeyHolder(), KeyHolder::khOtherProgram);
    EXPECT_EQ(x11->probeHotKey(0x007A), KeyHolder::khOtherProgram);
    EXPECT_EQ(x11->probeHotKey(0x007B), KeyHolder::khNobody);
    EXPECT_FALSE(x11->registerHotKey(0, [] {}));
    EXPECT_EQ(x11->hotKeyHolder(), KeyHolder::khNobody) << "nothing asked for, nothing taken";

    ASSERT_TRUE(x11->registerHotKey(0xC058, [] {})); // Ctrl+Alt+X
    EXPECT_EQ(x11->hotKeyHolder(), KeyHolder::khOurs);
    EXPECT_TRUE(x11->isHotKeyKey(key(XK_x)));
    EXPECT_FALSE(x11->isHotKeyKey(key(XK_y)));
    EXPECT_FALSE(x11->hotKeyModifiersDown());
    desktop.keyDown(key(XK_Control_L));
    EXPECT_FALSE(x11->hotKeyModifiersDown()) << "Alt is still up";
    desktop.keyDown(key(XK_Alt_L));
    EXPECT_TRUE(x11->hotKeyModifiersDown());
    desktop.keyUp(key(XK_Alt_L));
    desktop.keyUp(key(XK_Control_L));
    EXPECT_FALSE(x11->hotKeyModifiersDown());
}

} // namespace
} // namespace zorvane
