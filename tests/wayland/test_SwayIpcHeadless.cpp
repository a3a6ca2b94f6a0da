// SwayIpc against a real headless sway with real windows: tree, configuration, commands, events.
#include "harness/WaylandDesktop.h"
#include "platform/wayland/SwayConfig.h"
#include "platform/wayland/SwayIpc.h"

#include <gtest/gtest.h>

#include <functional>
#include <poll.h>
#include <sstream>

using namespace zorvane::wayland;
using zorvane::test::HaveProgram;
using zorvane::test::SwayDesktop;

namespace {

using Clock = std::chrono::steady_clock;

// Configuration lines added to the fixture's own.
const std::vector<std::string> kConfig = {"swaynag_command -",
                                          "set $mod Mod4",
                                          "output * bg #336699 solid_color",
                                          "bindsym $mod+Tab exec zorvane --wintab",
                                          "bindsym Mod1+Tab focus next",
                                          "mode \"resize\" {",
                                          "    bindsym Mod1+Shift+Tab nop",
                                          "}"};

// The 1-based number of the configuration text's line that is `line`, 0 when none is.
int LineNumberOf(const std::string& text, const std::string& line) {
    std::istringstream lines(text);
    int number = 0;
    for (std::string each; std::getline(lines, each);) {
        ++number;
        if (each == line)
            return number;
    }
    return 0;
}

// Reads events into seen until done() holds, woken by the event connection; false after the
// deadline or once sway has gone.
bool waitFor(SwayIpc& ipc, std::vector<SwayEvent>& seen, const std::function<bool()>& done) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    for (;;) {
        for (auto& event : ipc.readEvents())
            seen.push_back(std::move(event));
        if (done())
            return true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || ipc.eventsClosed())
            return false;
        pollfd pfd{ipc.eventFd(), POLLIN, 0};
        ::poll(&pfd, 1, static_cast<int>(left));
    }
}

std::optional<SwayWindow> titled(const std::optional<SwayTree>& tree, const std::string& title) {
    if (tree) {
        for (const auto& w : tree->windows) {
            if (w.title == title)
                return w;
        }
    }
    return std::nullopt;
}

TEST(SwayIpcHeadless, TreeConfigCommandsAndEvents) {
    if (!HaveProgram("sway"))
        GTEST_SKIP() << "sway is not installed";
    SwayDesktop::Options options;
    options.extraConfig = kConfig;
    SwayDesktop sway(options);
    ASSERT_TRUE(sway.ok()) << sway.reason();
    std::string error;
    auto ipc = SwayIpc::Connect(sway.ipcSocket(), error);
    ASSERT_TRUE(ipc) << error;

    // The configuration as sway loaded it.
    const auto text = ipc->getConfig();
    ASSERT_TRUE(text) << ipc->lastError();
    for (const std::string& line : kConfig)
        EXPECT_GT(LineNumberOf(*text, line), 0) << line;
    const auto bound = FindBinding(*text, *ParseCombo("Alt+Tab"));
    ASSERT_TRUE(bound);
    EXPECT_EQ(bound->lineNumber, LineNumberOf(*text, "bindsym Mod1+Tab focus next"));
    EXPECT_FALSE(bound->ownCommand);
    const auto own = FindBinding(*text, *ParseCombo("Super+Tab"));
    ASSERT_TRUE(own);
    EXPECT_TRUE(own->ownCommand);
    EXPECT_FALSE(FindBinding(*text, *ParseCombo("Alt+Shift+Tab")));
    const auto wallpaper = FindSwayWallpaper(*text, "/home/u");
    ASSERT_TRUE(wallpaper);
    EXPECT_EQ(wallpaper->colour, 0x336699u);

    ASSERT_TRUE(ipc->subscribe({"window", "workspace"})) << ipc->lastError();
    ASSERT_GE(ipc->eventFd(), 0);
    std::vector<SwayEvent> seen;

    // Two windows, each focused as it opens.
    const pid_t alphaPid =
        sway.startClient({"--title", "zv-alpha", "--app-id", "zv", "--color", "ff0000"}).pid();
    ASSERT_TRUE(waitFor(*ipc, seen, [&] {
        const auto w = titled(ipc->getTree(), "zv-alpha");
        return w && w->focused;
    })) << "no window zv-alpha";
    sway.startClient({"--title", "zv-beta", "--app-id", "zv", "--color", "00ff00"});
    ASSERT_TRUE(waitFor(*ipc, seen, [&] {
        const auto w = titled(ipc->getTree(), "zv-beta");
        return w && w->focused;
    })) << "no window zv-beta";

    const auto tree = ipc->getTree();
    ASSERT_TRUE(tree);
    ASSERT_EQ(tree->windows.size(), 2u);
    const SwayWindow beta = tree->windows[0];
    const SwayWindow alpha = tree->windows[1];
    EXPECT_EQ(beta.title, "zv-beta");
    EXPECT_EQ(alpha.title, "zv-alpha");
    EXPECT_EQ(alpha.pid, alphaPid);
    for (const auto& w : tree->windows) {
        SCOPED_TRACE(w.title);
        EXPECT_EQ(w.appId, "zv");
        EXPECT_EQ(w.workspace, "1");
        EXPECT_EQ(w.output, "HEADLESS-1");
        EXPECT_TRUE(w.visible);
        EXPECT_FALSE(w.floating || w.fullscreen || w.scratchpad || w.xwayland);
    }
    EXPECT_LT(alpha.x + alpha.width, beta.x + 1); // side by side, the newer on the right
    ASSERT_EQ(tree->outputs.size(), 1u);
    EXPECT_TRUE(tree->outputs[0].focused);
    EXPECT_EQ(tree->outputs[0].currentWorkspace, "1");
    EXPECT_EQ(tree->focusedWorkspace, "1");

    // A command, and the focus event it causes.
    FocusOrder order;
    order.seed(tree->windows);
    seen.clear(); // alpha's focus event from when it opened does not count
    ASSERT_TRUE(ipc->runCommand("[con_id=" + std::to_string(alpha.id) + "] focus", &error)) << error;
    ASSERT_TRUE(waitFor(*ipc, seen, [&] {
        for (const auto& e : seen) {
            if (e.type != SwayEventType::window)
                continue;
            const auto event = ParseSwayWindowEvent(e.payload);
            if (event && event->change == "focus" && event->container.id == alpha.id) {
                order.focused(event->container.id);
                return true;
            }
        }
        return false;
    })) << "no focus event for zv-alpha";
    const auto after = ipc->getTree();
    ASSERT_TRUE(after);
    EXPECT_EQ(order.ids().front(), alpha.id);
    EXPECT_EQ(order.order(after->windows).at(0).id, alpha.id);

    EXPECT_FALSE(ipc->runCommand("nop; zv_no_such_command", &error));
    EXPECT_NE(error.find("zv_no_such_command"), std::string::npos) << error;

    seen.clear();
    ASSERT_TRUE(ipc->runCommand("workspace 2", &error)) << error;
    ASSERT_TRUE(waitFor(*ipc, seen, [&] {
        for (const auto& e : seen) {
            const auto event =
                e.type == SwayEventType::workspace ? ParseSwayWorkspaceEvent(e.payload) : std::nullopt;
            if (event && event->change == "focus" && event->current == "2" && event->old == "1")
                return true;
        }
        return false;
    })) << "no workspace focus event";

    // Sway going away is reported on both connections, without waiting out the timeout.
    sway.killCompositor();
    EXPECT_FALSE(waitFor(*ipc, seen, [] { return false; }));
    EXPECT_TRUE(ipc->eventsClosed());
    EXPECT_FALSE(ipc->getTree());
    EXPECT_FALSE(ipc->lastError().empty());
}

} // namespace
