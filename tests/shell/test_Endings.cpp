// How Zorvane ends and what it survives: the signals a session, a terminal or Ctrl+C send end it
// as Exit does; a window manager that dies or restarts under the open view never traps it; an X
// server that goes away ends it with status 1 and one line of its own.
// gtest first: Xlib's macros (None, Bool, ...) must not reach its headers.
#include <gtest/gtest.h>

#include "ZorvaneRun.h"

#include <X11/keysym.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zorvane::test {
namespace {

namespace fs = std::filesystem;

constexpr int kPatience = 60000;

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class Endings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(desktop.ok()) << desktop.reason();
        for (const char* title : {"First", "Second"}) {
            desktop.spawnTestClient({"--title", title, "--size", "300x200"});
            const Window window = desktop.waitForTitle(title, kPatience);
            ASSERT_NE(window, None) << title;
            ASSERT_TRUE(desktop.waitPainted(window, kPatience)) << title;
        }
    }

    // Shows the view with Super+Tab (Super stays down) and waits for its opening.
    void openWithWinTab(ZorvaneRun& run) {
        const int before = static_cast<int>(run.lines("opening-done").size());
        keys.superDown();
        keys.tab();
        ASSERT_TRUE(run.waitFor("opening-done", before + 1)) << run.trace();
    }
    void openPinned(ZorvaneRun& run) {
        const int before = static_cast<int>(run.lines("opening-done").size());
        ASSERT_EQ(run.runAgain({"--show"}).exitCode, 0);
        ASSERT_TRUE(run.waitFor("opening-done", before + 1)) << run.trace();
    }

    XDesktop desktop{XDesktop::Options{800, 600, true}};
    Keys keys{desktop};
};

// --- SIGTERM (the session ends), SIGINT (Ctrl+C) and SIGHUP (the terminal closes) are an Exit:
// settings saved, capture folder emptied, status 0; also while the view is showing.
TEST_F(Endings, TerminatingSignalsEndAsExitDoes) {
    struct Row {
        const char* what;
        int signal;
        bool viewShowing;
        bool optionsOpen = false;
    };
    const Row rows[] = {{"SIGTERM", SIGTERM, false},
                        {"SIGINT", SIGINT, false},
                        {"SIGHUP", SIGHUP, false},
                        {"SIGTERM while the view shows", SIGTERM, true},
                        {"SIGTERM while the options dialog is open", SIGTERM, false, true}};
    for (const Row& row : rows) {
        // A settings file without "FormVersion": only a save writes it.
        ZorvaneRun run(desktop, {{"FlipEffectType", "1"}});
        ASSERT_TRUE(run.startResident()) << row.what << run.trace();
        openWithWinTab(run);
        if (!row.viewShowing) {
            keys.superUp();
            ASSERT_TRUE(run.waitFor("view-hidden")) << row.what;
        }
        ASSERT_FALSE(fs::is_empty(run.captureFolder())) << row.what << ": pictures are stored while running";
        if (row.optionsOpen) {
            ASSERT_EQ(run.runAgain({"--options"}).exitCode, 0);
            ASSERT_NE(desktop.waitForTitle("Option", kPatience), None) << row.what;
        }
        ASSERT_EQ(::kill(run.pid(), row.signal), 0);
        int exitCode = -1;
        ASSERT_TRUE(run.waitExit(kPatience, exitCode)) << row.what;
        keys.superUp();
        EXPECT_EQ(exitCode, 0) << row.what;
        EXPECT_TRUE(fs::is_directory(run.captureFolder())) << row.what;
        EXPECT_TRUE(fs::is_empty(run.captureFolder())) << row.what;
        const std::string saved = ReadFile(run.settingsFile());
        EXPECT_NE(saved.find("<FormVersion>0</FormVersion>"), std::string::npos) << row.what << saved;
        EXPECT_NE(saved.find("<FlipEffectType>1</FlipEffectType>"), std::string::npos) << row.what << saved;
        EXPECT_EQ(run.ownLines(), std::vector<std::string>{}) << row.what;
    }
}

// --- The window manager dies, or is replaced by a new one, while the view shows: each way of
// closing still closes it, and the next showing works.
TEST_F(Endings, ViewClosesWhenTheWindowManagerDiesOrRestarts) {
    struct Row {
        const char* what;
        bool pinned;
        bool restart;
        unsigned long keysym; // 0: Super released (Win+Tab path) or a click (pinned)
    };
    const Row rows[] = {{"dies, Super released", false, false, 0},
                        {"restarts, Super released", false, true, 0},
                        {"dies, Esc on the pinned view", true, false, XK_Escape},
                        {"restarts, a click on the pinned view", true, true, 0}};
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    int shown = 0;
    for (const Row& row : rows) {
        if (row.pinned)
            openPinned(run);
        else
            openWithWinTab(run);
        ++shown;
        desktop.killWindowManager();
        if (row.restart) {
            ASSERT_TRUE(desktop.startWindowManager()) << row.what;
        }
        if (!row.pinned)
            keys.superUp();
        else if (row.keysym != 0)
            keys.tap(row.keysym);
        else
            keys.click(400, 300);
        ASSERT_TRUE(run.waitFor("view-hidden", shown)) << row.what << run.trace();
        if (!row.restart) {
            ASSERT_TRUE(desktop.startWindowManager()) << row.what;
        }
        EXPECT_EQ(ViewsOnScreen(desktop), 0) << row.what;
    }
    // Still resident and working.
    openWithWinTab(run);
    keys.superUp();
    EXPECT_TRUE(run.waitFor("view-hidden", shown + 1)) << run.trace();
    int exitCode = -1;
    EXPECT_FALSE(run.waitExit(0, exitCode)) << "Zorvane ended";
}

// --- The X server goes away: status 1 and exactly one line of Zorvane's on standard error,
// whichever of its two connections notices first, resident or with the view showing.
TEST(EndingsNoServer, LostXServerEndsWithStatusOneAndOneLine) {
    for (const bool viewShowing : {false, true}) {
        XDesktop desktop{XDesktop::Options{800, 600, true}};
        ASSERT_TRUE(desktop.ok()) << desktop.reason();
        Keys keys{desktop};
        for (const char* title : {"First", "Second"}) {
            desktop.spawnTestClient({"--title", title, "--size", "300x200"});
            ASSERT_NE(desktop.waitForTitle(title, kPatience), None) << title;
        }
        ZorvaneRun run(desktop);
        ASSERT_TRUE(run.startResident()) << run.trace();
        if (viewShowing) {
            keys.superDown();
            keys.tab();
            ASSERT_TRUE(run.waitFor("opening-done")) << run.trace();
        }
        desktop.killServer();
        int exitCode = -1;
        ASSERT_TRUE(run.waitExit(kPatience, exitCode)) << "view showing: " << viewShowing;
        EXPECT_EQ(exitCode, 1) << "view showing: " << viewShowing;
        EXPECT_EQ(run.ownLines(), std::vector<std::string>{"zorvane: lost the connection to the X server"})
            << "view showing: " << viewShowing;
    }
}

} // namespace
} // namespace zorvane::test
