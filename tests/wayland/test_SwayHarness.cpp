// The Wayland test desktops themselves: real headless sway and weston with real zv-wl-client windows,
// checked through sway's tree, grim's screenshots, the virtual keyboard and the clients' own output.
#include "harness/WaylandDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

using namespace zorvane::test;

namespace {

constexpr std::uint32_t kRed = 0xd02040;
constexpr std::uint32_t kGreen = 0x20b050;
constexpr std::uint32_t kBlue = 0x3050e0;

std::string Hex(std::uint32_t colour) {
    char text[8];
    std::snprintf(text, sizeof text, "%06x", colour);
    return text;
}

// The value of NAME in `env` output, or in a list of "NAME=value".
std::string ValueIn(const std::string& envOutput, const std::string& name) {
    std::istringstream lines(envOutput);
    std::string line;
    while (std::getline(lines, line))
        if (line.starts_with(name + "="))
            return line.substr(name.size() + 1);
    return "<unset>";
}

std::string ValueIn(const std::vector<std::string>& environment, const std::string& name) {
    std::string joined;
    for (const auto& assignment : environment)
        joined += assignment + "\n";
    return ValueIn(joined, name);
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

#define SKIP_WITHOUT(program)                                                                                \
    if (!HaveProgram(program))                                                                               \
    GTEST_SKIP() << program " is not installed"

// The colour at the centre of a window's own part, in the screenshot's physical pixels.
std::uint32_t CentreColour(const Screenshot& shot, const SwayWindow& w, double scale) {
    const int x = static_cast<int>((w.contentX + w.contentWidth / 2) * scale);
    const int y = static_cast<int>((w.contentY + w.contentHeight / 2) * scale);
    return shot.pixel(x, y);
}

} // namespace

TEST(WaylandHarness, SwayListsClientsAndTheScreenshotShowsTheirColours) {
    SKIP_WITHOUT("sway");
    SKIP_WITHOUT("grim");
    // Stacked top and bottom: a picture read upside down would swap the colours.
    SwayDesktop sway({.extraConfig = {"default_orientation vertical"}});
    ASSERT_TRUE(sway.ok()) << sway.reason();
    EXPECT_EQ(sway.outputName(), "HEADLESS-1");

    auto& red = sway.startClient({"--title", "Red window", "--app-id", "zv.red", "--color", Hex(kRed)});
    ASSERT_TRUE(red.waitForLine("ready")) << red.err();
    ASSERT_TRUE(sway.waitForWindow("Red window")) << sway.tree();
    auto& green =
        sway.startClient({"--title", "Green window", "--app-id", "zv.green", "--color", Hex(kGreen)});
    ASSERT_TRUE(green.waitForLine("ready")) << green.err();

    auto g = sway.waitForWindow("Green window");
    auto r = sway.window("Red window");
    ASSERT_TRUE(r && g) << sway.tree();
    EXPECT_EQ(r->appId, "zv.red");
    EXPECT_EQ(g->appId, "zv.green");
    // Sway reads the pid from the connection: our clients are our own children.
    EXPECT_EQ(r->pid, red.pid());
    EXPECT_EQ(g->pid, green.pid());
    EXPECT_EQ(r->output, "HEADLESS-1");
    EXPECT_TRUE(g->focused) << "the newest window has the focus";

    // Sway lays out while the client draws: the colours are there once the new sizes are drawn.
    Screenshot shot;
    const bool painted = SwayDesktop::waitFor([&] {
        r = sway.window("Red window");
        g = sway.window("Green window");
        shot = sway.screenshot();
        return r && g && !shot.empty() && CentreColour(shot, *r, 1) == kRed &&
               CentreColour(shot, *g, 1) == kGreen;
    });
    ASSERT_FALSE(shot.empty()) << sway.lastError();
    ASSERT_TRUE(r && g) << sway.tree();
    EXPECT_LT(r->contentY + r->contentHeight, g->contentY + g->contentHeight);
    EXPECT_EQ(shot.width, 1280);
    EXPECT_EQ(shot.height, 720);
    EXPECT_TRUE(painted) << std::hex << "red centre " << CentreColour(shot, *r, 1) << ", green centre "
                         << CentreColour(shot, *g, 1);
}

TEST(WaylandHarness, ScaledOutputIsShotInPhysicalPixels) {
    SKIP_WITHOUT("sway");
    SKIP_WITHOUT("grim");
    SwayDesktop sway({.width = 1280, .height = 720, .scale = 2});
    ASSERT_TRUE(sway.ok()) << sway.reason();

    // One after the other: sway places a new window right of the focused one.
    auto& left =
        sway.startClient({"--title", "Left", "--app-id", "zv.left", "--color", Hex(kRed), "--scale", "2"});
    ASSERT_TRUE(left.waitForLine("ready")) << left.err();
    ASSERT_TRUE(sway.waitForWindow("Left")) << sway.tree();
    auto& right = sway.startClient({"--title", "Right", "--app-id", "zv.right", "--color", Hex(kBlue)});
    ASSERT_TRUE(right.waitForLine("ready")) << right.err();
    auto r = sway.waitForWindow("Right");
    auto l = sway.window("Left");
    ASSERT_TRUE(l && r) << sway.tree();

    Screenshot shot;
    const bool painted = SwayDesktop::waitFor([&] {
        l = sway.window("Left");
        r = sway.window("Right");
        shot = sway.screenshot();
        return l && r && !shot.empty() && CentreColour(shot, *l, 2) == kRed &&
               CentreColour(shot, *r, 2) == kBlue;
    });
    ASSERT_FALSE(shot.empty()) << sway.lastError();
    ASSERT_TRUE(l && r) << sway.tree();
    // The layout is in logical pixels: the mode divided by the scale, side by side.
    EXPECT_LE(r->x + r->width, 640);
    EXPECT_LT(l->contentX, r->contentX);
    EXPECT_EQ(shot.width, 1280);
    EXPECT_EQ(shot.height, 720);
    EXPECT_TRUE(painted) << std::hex << "left centre " << CentreColour(shot, *l, 2) << ", right centre "
                         << CentreColour(shot, *r, 2);
}

TEST(WaylandHarness, ClientFollowsItsCommandsAndClosesWhenAsked) {
    SKIP_WITHOUT("sway");
    SKIP_WITHOUT("grim");
    SwayDesktop sway;
    ASSERT_TRUE(sway.ok()) << sway.reason();
    auto& client = sway.startClient({"--title", "Before", "--app-id", "zv.cmd", "--color", Hex(kRed)});
    ASSERT_TRUE(client.waitForLine("ready")) << client.err();
    ASSERT_TRUE(sway.waitForWindow("Before")) << sway.tree();

    ASSERT_TRUE(client.send("title After"));
    ASSERT_TRUE(client.send("color " + Hex(kGreen)));
    const auto after = sway.waitForWindow("After");
    ASSERT_TRUE(after) << sway.tree();
    EXPECT_TRUE(SwayDesktop::waitFor([&] {
        const Screenshot shot = sway.screenshot();
        return !shot.empty() && CentreColour(shot, *after, 1) == kGreen;
    })) << sway.lastError();

    // A close request (what a switcher's "close" sends) ends the client on its own, status 0.
    const auto kill = sway.swaymsg("[app_id=zv.cmd] kill");
    EXPECT_EQ(kill.exitCode, 0) << kill.out << kill.err;
    ASSERT_TRUE(client.waitExit(15000)) << "the client ignored the close request";
    EXPECT_EQ(client.exitCode(), 0) << client.err();
    EXPECT_TRUE(client.waitForLine("closed"));
    EXPECT_TRUE(SwayDesktop::waitFor([&] { return sway.windows().empty(); })) << sway.tree();
}

TEST(WaylandHarness, FloatingClientHasTheSizeItAskedFor) {
    SKIP_WITHOUT("sway");
    SwayDesktop sway({.extraConfig = {"for_window [app_id=zv.float] floating enable"}});
    ASSERT_TRUE(sway.ok()) << sway.reason();
    auto& client = sway.startClient(
        {"--title", "Floating", "--app-id", "zv.float", "--color", Hex(kBlue), "--size", "321x123"});
    ASSERT_TRUE(client.waitForLine("ready")) << client.err();
    std::optional<SwayWindow> w;
    EXPECT_TRUE(SwayDesktop::waitFor([&] {
        w = sway.window("Floating");
        return w && w->floating && w->contentWidth == 321 && w->contentHeight == 123;
    })) << sway.tree();
}

TEST(WaylandHarness, BindingRunsAsSwayUserWithTheSessionEnvironment) {
    SKIP_WITHOUT("sway");
    SKIP_WITHOUT("wtype");
    SwayDesktop sway({.bindings = {{"Mod4+Tab", "exec env > ~/binding-env"}},
                      .environment = {"ZORVANE_TEST_MARK=sway-child"}});
    ASSERT_TRUE(sway.ok()) << sway.reason();
    const std::string written = sway.swayUser().home + "/binding-env";

    ASSERT_TRUE(sway.pressKeys({"-M", "logo", "-k", "Tab", "-m", "logo"})) << sway.lastError();
    ASSERT_TRUE(SwayDesktop::waitFor([&] { return !ReadTextFile(written).empty(); }))
        << "the binding did not run; sway's log:\n"
        << sway.compositorLog();
    // Files may be half written while polled: wait until the last variable is in.
    std::string bindingEnv;
    SwayDesktop::waitFor([&] {
        bindingEnv = ReadTextFile(written);
        return ValueIn(bindingEnv, "SWAYSOCK") != "<unset>" && bindingEnv.ends_with("\n");
    });

    // What startAsSwayUser gives a program is what the binding's command got.
    const auto expected = sway.swayUserEnvironment();
    for (const char* name : {"XDG_RUNTIME_DIR", "WAYLAND_DISPLAY", "SWAYSOCK", "HOME", "ZORVANE_TEST_MARK"})
        EXPECT_EQ(ValueIn(bindingEnv, name), ValueIn(expected, name)) << name;

    auto& probe = sway.startAsSwayUser({"sh", "-c", "id -u; env"});
    ASSERT_TRUE(probe.waitExit(15000));
    EXPECT_EQ(probe.exitCode(), 0) << probe.err();
    const std::string out = probe.out();
    EXPECT_EQ(out.substr(0, out.find('\n')), std::to_string(sway.swayUser().uid));
    EXPECT_EQ(ValueIn(out, "WAYLAND_DISPLAY"), ValueIn(bindingEnv, "WAYLAND_DISPLAY"));

    // Files given to sway's user are theirs to read and rewrite.
    const std::string settings = sway.writeSwayUserFile("config/zv/settings.txt", "first\n");
    auto& editor = sway.startAsSwayUser({"sh", "-c", "cat \"$0\" && echo second >> \"$0\"", settings});
    ASSERT_TRUE(editor.waitExit(15000));
    EXPECT_EQ(editor.exitCode(), 0) << editor.err();
    EXPECT_EQ(editor.out(), "first\n");
    EXPECT_EQ(ReadTextFile(settings), "first\nsecond\n");

    // Programs run as ourselves find sway's IPC too.
    const auto ours = sway.run({"sh", "-c", "echo \"$SWAYSOCK\""});
    EXPECT_EQ(ours.out, sway.ipcSocket() + "\n");

    // A client run as sway's user reaches sway through the relative socket name.
    auto& client = sway.startAsSwayUser({WaylandBinDir() + "/zv-wl-client", "--title", "Nobody's", "--app-id",
                                         "zv.nobody", "--color", Hex(kBlue)});
    ASSERT_TRUE(client.waitForLine("ready")) << client.err();
    const auto w = sway.waitForWindow("Nobody's");
    ASSERT_TRUE(w) << sway.tree();
    EXPECT_EQ(w->pid, client.pid());
}

namespace {

// A process running `program` whose environment holds `assignment`; -1 when there is none.
pid_t FindProcess(const std::string& program, const std::string& assignment) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string cmdline = ReadTextFile(entry.path() / "cmdline");
        const std::string first = cmdline.substr(0, cmdline.find('\0'));
        if (std::filesystem::path(first).filename() != program)
            continue;
        if (("\0" + ReadTextFile(entry.path() / "environ")).find("\0" + assignment + '\0') !=
            std::string::npos)
            return std::stoi(name);
    }
    return -1;
}

// Gone, or a zombie nobody reaps (this container's init does not).
bool Ended(pid_t pid) {
    const std::string stat = ReadTextFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return stat.empty() || (close != std::string::npos && stat.substr(close + 2, 1) == "Z");
}

} // namespace

TEST(WaylandHarness, EndingTheDesktopEndsWhatItsBindingsStarted) {
    SKIP_WITHOUT("sway");
    SKIP_WITHOUT("wtype");
    pid_t sleeper = -1;
    {
        SwayDesktop sway({.bindings = {{"Mod4+s", "exec sleep 600"}}});
        ASSERT_TRUE(sway.ok()) << sway.reason();
        ASSERT_TRUE(sway.pressKeys({"-M", "logo", "-k", "s", "-m", "logo"})) << sway.lastError();
        // Sway detaches what its bindings start: it is nobody's child but init's.
        ASSERT_TRUE(SwayDesktop::waitFor([&] {
            sleeper = FindProcess("sleep", "XDG_RUNTIME_DIR=" + sway.runtimeDir());
            return sleeper > 0;
        })) << sway.compositorLog();
    }
    EXPECT_TRUE(SwayDesktop::waitFor([&] { return Ended(sleeper); }))
        << "sleep " << sleeper << " outlived the desktop";
}

TEST(WaylandHarness, OutputsStandSideBySide) {
    SKIP_WITHOUT("sway");
    SKIP_WITHOUT("grim");
    SwayDesktop sway({.width = 800, .height = 600, .outputs = 2});
    ASSERT_TRUE(sway.ok()) << sway.reason();
    ASSERT_EQ(sway.outputNames(), (std::vector<std::string>{"HEADLESS-1", "HEADLESS-2"}));
    const auto outputs = nlohmann::json::parse(sway.query("get_outputs"));
    ASSERT_EQ(outputs.size(), 2u) << outputs.dump(2);
    for (const auto& o : outputs) {
        const int expectedX = o["name"] == "HEADLESS-1" ? 0 : 800;
        EXPECT_EQ(o["rect"]["x"], expectedX) << o.dump(2);
        EXPECT_EQ(o["rect"]["y"], 0) << o.dump(2);
        EXPECT_EQ(o["rect"]["width"], 800) << o.dump(2);
    }

    auto& client =
        sway.startClient({"--title", "Wanderer", "--app-id", "zv.wanderer", "--color", Hex(kBlue)});
    ASSERT_TRUE(client.waitForLine("ready")) << client.err();
    ASSERT_TRUE(sway.waitForWindow("Wanderer")) << sway.tree();
    const auto moved = sway.swaymsg("[app_id=zv.wanderer] move container to output HEADLESS-2");
    EXPECT_EQ(moved.exitCode, 0) << moved.out << moved.err;
    std::optional<SwayWindow> w;
    Screenshot whole;
    const bool shown = SwayDesktop::waitFor([&] {
        w = sway.window("Wanderer");
        if (!w || w->output != "HEADLESS-2" || !w->visible)
            return false;
        whole = sway.screenshot("");
        return CentreColour(whole, *w, 1) == kBlue;
    });
    EXPECT_TRUE(shown) << sway.tree() << sway.lastError();
    EXPECT_EQ(whole.width, 1600);
    EXPECT_EQ(whole.height, 600);
    ASSERT_TRUE(w);
    EXPECT_GE(w->contentX, 800);
}

TEST(WaylandHarness, XwaylandWhenAsked) {
    SKIP_WITHOUT("sway");
    SKIP_WITHOUT("Xwayland");
    SKIP_WITHOUT("xdpyinfo");
    SKIP_WITHOUT("xeyes");
    SwayDesktop sway({.xwayland = true});
    ASSERT_TRUE(sway.ok()) << sway.reason();
    const std::string display = sway.xwaylandDisplay();
    ASSERT_TRUE(display.starts_with(":")) << "DISPLAY '" << display << "' " << sway.lastError();
    const auto info = sway.run({"xdpyinfo"}, {"DISPLAY=" + display});
    EXPECT_EQ(info.exitCode, 0) << info.err;

    sway.startProcess({"xeyes"}, {"DISPLAY=" + display});
    const auto eyes = sway.waitForWindow("xeyes");
    ASSERT_TRUE(eyes) << sway.tree();
    EXPECT_EQ(eyes->node.value("shell", ""), "xwayland");
    EXPECT_EQ(eyes->appId, "");
}

TEST(WaylandHarness, SwayAnnouncesTheWlrProtocolsTheBackendUses) {
    SKIP_WITHOUT("sway");
    SwayDesktop sway;
    ASSERT_TRUE(sway.ok()) << sway.reason();
    const auto names = sway.globals();
    EXPECT_TRUE(Has(names, "zwlr_foreign_toplevel_manager_v1"));
    EXPECT_TRUE(Has(names, "zwlr_screencopy_manager_v1"));
    EXPECT_TRUE(Has(names, "zwp_virtual_keyboard_manager_v1"));
    EXPECT_TRUE(Has(names, "xdg_wm_base"));
}

TEST(WaylandHarness, WestonRunsClientsButListsNoWindows) {
    SKIP_WITHOUT("weston");
    WestonDesktop weston;
    ASSERT_TRUE(weston.ok()) << weston.reason() << "\n" << weston.compositorLog();
    const auto names = weston.globals();
    EXPECT_TRUE(Has(names, "xdg_wm_base"));
    EXPECT_FALSE(Has(names, "zwlr_foreign_toplevel_manager_v1"));

    auto& client =
        weston.startClient({"--title", "On weston", "--app-id", "zv.weston", "--color", Hex(kGreen)});
    ASSERT_TRUE(client.waitForLine("ready")) << client.err() << "\n" << weston.compositorLog();
    EXPECT_TRUE(client.running());
    // Ending the compositor under the client ends the client with an error, not a hang.
    weston.killCompositor();
    ASSERT_TRUE(client.waitExit(15000));
    EXPECT_EQ(client.exitCode(), 1) << client.err();
}
