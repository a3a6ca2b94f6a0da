// The whole program on a headless sway with real windows, keys through the virtual keyboard: the
// pinned view (`zorvane --show`) and its keys, Super+Tab held through sway's bindings, a window on
// another workspace, closing from the view, the window list without sway's IPC, and the key
// bindings Zorvane adds to sway while it runs. Checked against sway's tree and Zorvane's trace.
#include "harness/ZorvaneWaylandRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

using namespace zorvane::test;

namespace {

constexpr const char* kViewTitle = "Zorvane OpenGL";

#define SKIP_WITHOUT(program)                                                                                \
    if (!HaveProgram(program))                                                                               \
    GTEST_SKIP() << program " is not installed"

std::string Hex(std::uint32_t colour) {
    char text[8];
    std::snprintf(text, sizeof text, "%06x", colour);
    return text;
}

class WaylandSwitcher : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT("sway");
        SKIP_WITHOUT("wtype");
    }

    // A desktop of its own for each test (most need only the defaults).
    SwayDesktop& desktop(const SwayDesktop::Options& options = {}) {
        sway_ = std::make_unique<SwayDesktop>(options);
        EXPECT_TRUE(sway_->ok()) << sway_->reason();
        return *sway_;
    }

    // Opens a window of one colour titled "<name> window" and waits until sway has laid it out.
    long open(const std::string& name, std::uint32_t colour) {
        auto& client = sway_->startClient(
            {"--title", name + " window", "--app-id", "zv." + name, "--color", Hex(colour)});
        clients_[name] = &client;
        EXPECT_TRUE(client.waitForLine("ready")) << client.err();
        const auto w = sway_->waitForWindow(name + " window");
        EXPECT_TRUE(w) << sway_->tree();
        ids_[name] = w ? w->id : 0;
        return ids_[name];
    }

    // Focuses the windows in this order (the last one ends up focused, the first least recently).
    void focusInOrder(const std::vector<std::string>& names) {
        for (const auto& name : names) {
            ASSERT_EQ(sway_->swaymsg("[con_id=" + std::to_string(ids_[name]) + "] focus").exitCode, 0);
            ASSERT_TRUE(waitFocused(name)) << sway_->tree();
        }
    }

    // The focused window's title ("" when none is).
    std::string focusedTitle() {
        for (const auto& w : sway_->windows())
            if (w.focused)
                return w.title;
        return {};
    }

    bool waitFocused(const std::string& name) {
        return SwayDesktop::waitFor([&] { return focusedTitle() == name + " window"; });
    }

    bool viewInTree() { return sway_->window(kViewTitle).has_value(); }

    // The view is up, focused (so the keys reach it) and done opening.
    bool waitViewOpen(ZorvaneWaylandRun& zorvane, int showing) {
        return zorvane.waitFor("opening-done", showing) &&
               SwayDesktop::waitFor([&] { return focusedTitle() == kViewTitle; });
    }

    bool waitViewGone(ZorvaneWaylandRun& zorvane, int showing) {
        return zorvane.waitFor("view-hidden", showing) && SwayDesktop::waitFor([&] { return !viewInTree(); });
    }

    bool keys(const std::vector<std::string>& wtypeArgs) {
        const bool pressed = sway_->pressKeys(wtypeArgs);
        EXPECT_TRUE(pressed) << sway_->lastError();
        return pressed;
    }

    // wtype's arguments for Super (the key and its modifier, with Shift too when back) held while Tab
    // is pressed, then `tabs` more Tabs, each gapMs after the one before, and Super let go gapMs
    // after the last.
    static std::vector<std::string> holdSuperTab(int tabs, long gapMs, bool back = false) {
        std::vector<std::string> args = {"-M", "logo", "-P", "Super_L"};
        if (back)
            args.insert(args.end(), {"-M", "shift"});
        args.insert(args.end(), {"-k", "Tab"});
        for (int i = 0; i < tabs; ++i)
            args.insert(args.end(), {"-s", std::to_string(gapMs), "-k", "Tab"});
        if (tabs > 0)
            args.insert(args.end(), {"-s", std::to_string(gapMs)});
        if (back)
            args.insert(args.end(), {"-m", "shift"});
        args.insert(args.end(), {"-p", "Super_L", "-m", "logo"});
        return args;
    }

    // In the open view: Tab, and once its step is done, the key.
    bool tabThen(ZorvaneWaylandRun& zorvane, const std::string& key) {
        const int steps = zorvane.count("select-done");
        return keys({"-s", "300", "-k", "Tab"}) && zorvane.waitFor("select-done", steps + 1) &&
               keys({"-s", "300", "-k", key});
    }

    std::string activated(const std::string& name) {
        return "activated " + std::to_string(ids_[name]) + " ok";
    }

    std::unique_ptr<SwayDesktop> sway_;
    std::map<std::string, ChildProcess*> clients_;
    std::map<std::string, long> ids_;
};

constexpr std::uint32_t kRed = 0xd02040;
constexpr std::uint32_t kGreen = 0x20b050;
constexpr std::uint32_t kBlue = 0x3050e0;
constexpr std::uint32_t kYellow = 0xe0c030;

} // namespace

// --- The pinned view: stays open until a pick; Tab steps, Enter and Esc both activate.
TEST_F(WaylandSwitcher, PinnedViewTabThenEnterOrEscActivatesTheSelection) {
    auto& sway = desktop();
    ASSERT_TRUE(sway.ok());
    open("Red", kRed);
    open("Green", kGreen);
    open("Blue", kBlue);
    focusInOrder({"Red", "Green", "Blue"});
    ZorvaneWaylandRun zorvane(sway);
    ASSERT_TRUE(zorvane.startResident()) << zorvane.trace();

    struct Row {
        const char* key;
        const char* picked; // one step from the focused window: the one focused before it
    };
    int showing = 0;
    for (const Row& row : {Row{"Return", "Green"}, Row{"Escape", "Blue"}}) {
        SCOPED_TRACE(row.key);
        ASSERT_EQ(zorvane.runAgain({"--show"}).exitCode, 0);
        ++showing;
        ASSERT_TRUE(waitViewOpen(zorvane, showing)) << zorvane.trace() << sway.tree();
        ASSERT_TRUE(tabThen(zorvane, row.key)) << zorvane.trace();
        ASSERT_TRUE(waitViewGone(zorvane, showing)) << zorvane.trace() << sway.tree();
        EXPECT_EQ(zorvane.count("select-done next"), showing) << zorvane.trace();
        EXPECT_TRUE(waitFocused(row.picked)) << focusedTitle();
        EXPECT_EQ(zorvane.count(activated(row.picked)), 1) << zorvane.trace();
    }
}

// Enter pressed while Tab's step is still moving picks what the Tab stepped to: the keys count in
// the order they were pressed, however fast.
TEST_F(WaylandSwitcher, EnterRightAfterTabPicksTheWindowTabSteppedTo) {
    auto& sway = desktop();
    ASSERT_TRUE(sway.ok());
    open("Red", kRed);
    open("Green", kGreen);
    focusInOrder({"Red", "Green"});
    ZorvaneWaylandRun zorvane(sway);
    ASSERT_TRUE(zorvane.startResident()) << zorvane.trace();
    ASSERT_EQ(zorvane.runAgain({"--show"}).exitCode, 0);
    ASSERT_TRUE(waitViewOpen(zorvane, 1)) << zorvane.trace() << sway.tree();
    ASSERT_TRUE(keys({"-s", "300", "-k", "Tab", "-k", "Return"}));
    ASSERT_TRUE(waitViewGone(zorvane, 1)) << zorvane.trace();
    EXPECT_TRUE(waitFocused("Red")) << focusedTitle();
    EXPECT_EQ(zorvane.count(activated("Red")), 1) << zorvane.trace();
}

// --- Delete closes the selected window (the client is asked to close) and the view stays.
TEST_F(WaylandSwitcher, DeleteClosesTheSelectedWindowAndTheViewStaysWithTheRest) {
    auto& sway = desktop();
    ASSERT_TRUE(sway.ok());
    open("Red", kRed);
    open("Green", kGreen);
    open("Blue", kBlue);
    focusInOrder({"Red", "Green", "Blue"});
    ZorvaneWaylandRun zorvane(sway);
    ASSERT_TRUE(zorvane.startResident()) << zorvane.trace();

    ASSERT_EQ(zorvane.runAgain({"--show"}).exitCode, 0);
    ASSERT_TRUE(waitViewOpen(zorvane, 1)) << zorvane.trace() << sway.tree();
    ASSERT_TRUE(tabThen(zorvane, "Delete")) << zorvane.trace();
    ASSERT_TRUE(clients_["Green"]->waitExit(15000)) << zorvane.trace();
    EXPECT_TRUE(clients_["Green"]->waitForLine("closed"));
    EXPECT_EQ(clients_["Green"]->exitCode(), 0);
    ASSERT_TRUE(zorvane.waitFor("window-closed", 1, 15000)) << zorvane.trace();
    EXPECT_EQ(zorvane.count("close-requested 1"), 1) << zorvane.trace();
    // The view is still up with the two others.
    EXPECT_TRUE(viewInTree()) << sway.tree();
    EXPECT_EQ(zorvane.count("view-hidden"), 0) << zorvane.trace();
    EXPECT_TRUE(clients_["Red"]->running());
    EXPECT_TRUE(clients_["Blue"]->running());
    EXPECT_FALSE(sway.window("Green window")) << sway.tree();

    // And it still picks.
    ASSERT_TRUE(keys({"-s", "300", "-k", "Return"}));
    ASSERT_TRUE(waitViewGone(zorvane, 1)) << zorvane.trace();
    const auto picked = zorvane.lines("activated ");
    ASSERT_EQ(picked.size(), 1u) << zorvane.trace();
    EXPECT_TRUE(picked[0] == activated("Red") || picked[0] == activated("Blue")) << picked[0];
}

// --- A window on another workspace: offered with the picture it had when last shown, and picking
// it takes the user back to its workspace. The pictures taken at start are the last ones of the
// windows left behind: the workspace changes while the splash shows (its own window covers the
// output, so no picture is taken then), and the window that opens there is pictured on its focus.
TEST_F(WaylandSwitcher, WindowOnAnotherWorkspaceIsOfferedAndPickingItGoesThere) {
    SKIP_WITHOUT("grim");
    auto& sway = desktop();
    ASSERT_TRUE(sway.ok());
    open("Red", kRed);
    open("Green", kGreen);
    focusInOrder({"Red", "Green"});
    ZorvaneWaylandRun zorvane(sway);
    zorvane.start();
    ASSERT_TRUE(zorvane.waitFor("splash-shown")) << zorvane.trace();
    EXPECT_EQ(zorvane.lines("pictures-taken"), std::vector<std::string>{"pictures-taken 2"})
        << zorvane.trace();

    ASSERT_EQ(sway.swaymsg("workspace 2").exitCode, 0);
    open("Blue", kBlue);
    ASSERT_TRUE(waitFocused("Blue"));
    const auto green = sway.window("Green window");
    ASSERT_TRUE(green && !green->visible && green->workspace == "1") << sway.tree();
    ASSERT_TRUE(zorvane.waitFor("resident")) << zorvane.trace();

    ASSERT_EQ(zorvane.runAgain({"--show"}).exitCode, 0);
    ASSERT_TRUE(waitViewOpen(zorvane, 1)) << zorvane.trace() << sway.tree();
    EXPECT_EQ(zorvane.lines("capture-done"), std::vector<std::string>{"capture-done 3"}) << zorvane.trace();
    // Green was shown last before Blue: its picture is in the view, on workspace 2.
    const Screenshot shot = sway.screenshot();
    ASSERT_FALSE(shot.empty()) << sway.lastError();
    int greenPixels = 0;
    for (int y = 0; y < shot.height; y += 4)
        for (int x = 0; x < shot.width; x += 4)
            greenPixels += SameColour(shot.pixel(x, y), kGreen, 24) ? 1 : 0;
    EXPECT_GT(greenPixels, 200) << "the view shows no green picture";

    ASSERT_TRUE(tabThen(zorvane, "Return")) << zorvane.trace();
    ASSERT_TRUE(waitViewGone(zorvane, 1)) << zorvane.trace();
    EXPECT_TRUE(waitFocused("Green")) << focusedTitle();
    EXPECT_EQ(zorvane.count(activated("Green")), 1) << zorvane.trace();
    const auto workspaces = nlohmann::json::parse(sway.query("get_workspaces"), nullptr, false);
    std::string focusedWorkspace;
    for (const auto& workspace : workspaces)
        if (workspace.value("focused", false))
            focusedWorkspace = workspace.value("name", "");
    EXPECT_EQ(focusedWorkspace, "1") << workspaces.dump(1);
}

// --- Super+Tab through sway's bindings, with Super held: the view opens on the focused window, each
// further Tab (Super+Tab again, through the binding) steps once, and letting go of Super picks.
TEST_F(WaylandSwitcher, HeldSuperTabStepsOncePerTabAndReleasePicks) {
    auto& sway = desktop();
    ASSERT_TRUE(sway.ok());
    open("Red", kRed);
    open("Green", kGreen);
    open("Blue", kBlue);
    open("Yellow", kYellow);
    focusInOrder({"Red", "Green", "Blue", "Yellow"});
    ZorvaneWaylandRun zorvane(sway, {.asSwayUser = true});
    ASSERT_TRUE(zorvane.startResident()) << zorvane.trace();
    ASSERT_EQ(zorvane.lines("keys "), std::vector<std::string>{"keys super-tab ours hot-key ours"})
        << zorvane.trace();

    // Super+Tab and let go at once: nothing moves, the focused window is picked again.
    ASSERT_TRUE(keys(holdSuperTab(0, 0)));
    ASSERT_TRUE(waitViewGone(zorvane, 1)) << zorvane.trace() << sway.tree();
    EXPECT_EQ(zorvane.count("wintab"), 1) << zorvane.trace();
    EXPECT_EQ(zorvane.count("select-done"), 0) << zorvane.trace();
    EXPECT_EQ(zorvane.count(activated("Yellow")), 1) << zorvane.trace();
    EXPECT_TRUE(waitFocused("Yellow")) << focusedTitle();

    // Each further Tab comes through the binding (a `zorvane --wintab` of its own) and steps with an
    // animation: they are spaced by twice what that first showing took to open, so that each finds
    // the view at rest, on a busy machine too.
    const auto opened = zorvane.times("opening-done");
    const auto asked = zorvane.times("wintab");
    ASSERT_FALSE(opened.empty() || asked.empty()) << zorvane.trace();
    const long gap = std::max(1500L, 2 * (opened[0] - asked[0]));

    // Super+Tab, Tab, Tab: two steps, from Yellow (of Yellow, Blue, Green, Red) to Green.
    ASSERT_TRUE(keys(holdSuperTab(2, gap)));
    ASSERT_TRUE(waitViewGone(zorvane, 2)) << zorvane.trace() << sway.tree();
    EXPECT_EQ(zorvane.count("wintab"), 4) << zorvane.trace();
    EXPECT_EQ(zorvane.count("select-done next"), 2) << zorvane.trace();
    EXPECT_TRUE(waitFocused("Green")) << focusedTitle();
    EXPECT_EQ(zorvane.count(activated("Green")), 1) << zorvane.trace();

    // Super+Shift+Tab opens the same way; Tab again with Shift and Super down (the back binding)
    // steps back once: round to the least recently focused of Green, Yellow, Blue, Red.
    ASSERT_TRUE(keys(holdSuperTab(1, gap, true)));
    ASSERT_TRUE(waitViewGone(zorvane, 3)) << zorvane.trace() << sway.tree();
    EXPECT_EQ(zorvane.count("select-done previous"), 1) << zorvane.trace();
    EXPECT_TRUE(waitFocused("Red")) << focusedTitle();
    EXPECT_EQ(zorvane.count(activated("Red")), 1) << zorvane.trace();
}

// --- Without sway's IPC the windows come from the foreign-toplevel list, pictured as cards; the
// pinned view picks from them all the same.
TEST_F(WaylandSwitcher, WithoutSwaysIpcThePinnedViewStillPicks) {
    SKIP_WITHOUT("grim");
    auto& sway = desktop();
    ASSERT_TRUE(sway.ok());
    open("Red", kRed);
    open("Green", kGreen);
    focusInOrder({"Red", "Green"});
    ZorvaneWaylandRun zorvane(sway, {.swayIpc = false});
    ASSERT_TRUE(zorvane.startResident()) << zorvane.trace();
    ASSERT_EQ(zorvane.runAgain({"--show"}).exitCode, 0);
    ASSERT_TRUE(waitViewOpen(zorvane, 1)) << zorvane.trace() << sway.tree();
    EXPECT_EQ(zorvane.lines("capture-done"), std::vector<std::string>{"capture-done 2"}) << zorvane.trace();
    // Cards with titles and icons, not the windows' contents.
    const Screenshot shot = sway.screenshot();
    ASSERT_FALSE(shot.empty()) << sway.lastError();
    int windowPixels = 0;
    for (int y = 0; y < shot.height; y += 4)
        for (int x = 0; x < shot.width; x += 4)
            windowPixels +=
                SameColour(shot.pixel(x, y), kRed, 24) || SameColour(shot.pixel(x, y), kGreen, 24) ? 1 : 0;
    EXPECT_EQ(windowPixels, 0) << "the view shows the windows' contents";
    ASSERT_TRUE(tabThen(zorvane, "Return")) << zorvane.trace();
    ASSERT_TRUE(waitViewGone(zorvane, 1)) << zorvane.trace();
    EXPECT_TRUE(waitFocused("Red")) << focusedTitle();
    const auto picked = zorvane.lines("activated ");
    ASSERT_EQ(picked.size(), 1u) << zorvane.trace();
    EXPECT_TRUE(picked[0].ends_with(" ok")) << picked[0];
}

// --- The keys: bound in sway while Zorvane runs, gone when it exits; a user's own Super+Tab stays
// theirs and is named.
TEST_F(WaylandSwitcher, BindingsLastWhileZorvaneRuns) {
    auto& sway = desktop();
    ASSERT_TRUE(sway.ok());
    open("Red", kRed);
    open("Green", kGreen);
    ZorvaneWaylandRun zorvane(sway, {.asSwayUser = true});
    ASSERT_TRUE(zorvane.startResident()) << zorvane.trace();
    EXPECT_EQ(zorvane.lines("keys "), std::vector<std::string>{"keys super-tab ours hot-key ours"})
        << zorvane.trace();
    ASSERT_TRUE(keys({"-M", "logo", "-k", "Tab", "-m", "logo"}));
    ASSERT_TRUE(zorvane.waitFor("wintab")) << zorvane.trace();
    ASSERT_TRUE(waitViewGone(zorvane, 1)) << zorvane.trace();

    EXPECT_EQ(zorvane.quit(), 0) << zorvane.trace();
    // Sway refuses to unbind what is not bound.
    for (const char* combo : {"Mod4+Tab", "Mod4+Shift+Tab", "Mod1+grave"}) {
        const auto unbound = sway.swaymsg(std::string("unbindsym ") + combo);
        EXPECT_NE(unbound.exitCode, 0) << combo << " is still bound: " << unbound.out;
    }
    ASSERT_EQ(sway.swaymsg("bindsym Mod4+Tab exec true").exitCode, 0);
    EXPECT_EQ(sway.swaymsg("unbindsym Mod4+Tab").exitCode, 0) << "the check itself";
}

TEST_F(WaylandSwitcher, UsersOwnSuperTabStaysTheirsAndIsNamed) {
    auto& sway = desktop({.bindings = {{"Mod4+Tab", "exec touch ~/pressed"}}});
    ASSERT_TRUE(sway.ok());
    open("Red", kRed);
    open("Green", kGreen);
    ZorvaneWaylandRun zorvane(sway, {.asSwayUser = true});
    ASSERT_TRUE(zorvane.startResident()) << zorvane.trace();
    EXPECT_EQ(zorvane.lines("keys "), std::vector<std::string>{"keys super-tab other hot-key ours"})
        << zorvane.trace();
    // Told once it is resident, naming the line of sway's configuration.
    const auto named = [&] {
        const auto own = zorvane.ownLines();
        return std::any_of(own.begin(), own.end(), [](const std::string& line) {
            return line.starts_with("zorvane: ") &&
                   line.find("bindsym Mod4+Tab exec touch ~/pressed") != std::string::npos;
        });
    };
    EXPECT_TRUE(SwayDesktop::waitFor(named)) << zorvane.trace();
    ASSERT_TRUE(keys({"-M", "logo", "-k", "Tab", "-m", "logo"}));
    const std::string pressed = sway.swayUser().home + "/pressed";
    EXPECT_TRUE(SwayDesktop::waitFor([&] { return std::filesystem::exists(pressed); }))
        << "the user's binding did not run";
    EXPECT_EQ(zorvane.count("wintab"), 0) << zorvane.trace();
}

// The tray icon on Wayland: a StatusNotifierItem registered with the session's watcher (as
// waybar's tray finds it), on a session bus of the test's own in sway's runtime folder.
TEST_F(WaylandSwitcher, TrayIconRegistersAsAStatusNotifierItem) {
    SKIP_WITHOUT("dbus-daemon");
    // A folder sway's user can make the bus's socket in, named before sway starts with it.
    const std::string folder = "/tmp/zv-tray-bus-" + std::to_string(::getpid());
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::all);
    const std::string bus = "unix:path=" + folder + "/bus";
    auto& sway = desktop({.environment = {"DBUS_SESSION_BUS_ADDRESS=" + bus}});
    ASSERT_TRUE(sway.ok());
    sway.startAsSwayUser({"dbus-daemon", "--session", "--nofork", "--address=" + bus});
    ASSERT_TRUE(SwayDesktop::waitFor([&] { return std::filesystem::exists(folder + "/bus"); }));
    auto& watcher = sway.startAsSwayUser({WaylandBinDir() + "/zv-sni-watcher"});
    open("Red", kRed);
    ZorvaneWaylandRun zorvane(sway, {.asSwayUser = true});
    ASSERT_TRUE(zorvane.startResident()) << zorvane.trace();
    EXPECT_EQ(zorvane.count("resident tray"), 1) << zorvane.trace() << watcher.err();
    EXPECT_TRUE(SwayDesktop::waitFor([&] { return watcher.out().find("registered ") != std::string::npos; }))
        << watcher.out() << watcher.err();
    std::filesystem::remove_all(folder);
}
