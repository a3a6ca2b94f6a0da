// The pictures' life in the whole program (Xvfb + openbox + real windows): a window drawn into
// while the view shows is shown drawn into when live pictures are on and frozen when they are off;
// either way the next showing has it, and the stored file then holds the picture last shown.
// gtest first: Xlib's macros (None, Bool, ...) must not reach its headers.
#include <gtest/gtest.h>

#include "ZorvaneRun.h"

#include "image/CaptureImage.h"

#include <X11/keysym.h>

#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

namespace zorvane::test {
namespace {

namespace fs = std::filesystem;

constexpr int kPatience = 60000;
constexpr unsigned long kMagenta = 0xE020E0;

class LivePictures : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(desktop.ok()) << desktop.reason(); }

    Window openWindow(const std::string& title, const std::string& colour, const std::string& position) {
        desktop.spawnTestClient(
            {"--title", title, "--color", colour, "--size", "400x300", "--pos", position});
        const Window window = desktop.waitForTitle(title, kPatience);
        EXPECT_NE(window, None) << title;
        EXPECT_TRUE(desktop.waitPainted(window, kPatience)) << title;
        return window;
    }

    // Another program draws into the window, as a clock or a build log would.
    void paint(Window window, unsigned long rgb) {
        GC gc = XCreateGC(desktop.dpy(), window, 0, nullptr);
        XSetForeground(desktop.dpy(), gc, rgb);
        XFillRectangle(desktop.dpy(), window, gc, 20, 20, 360, 260);
        XFreeGC(desktop.dpy(), gc);
        XSync(desktop.dpy(), False);
    }

    static int CountOf(const CaptureImage& picture, unsigned long rgb) {
        int count = 0;
        for (int y = 0; y < picture.height(); y += 4)
            for (int x = 0; x < picture.width(); x += 4)
                count += picture.pixel(x, y) == rgb ? 1 : 0;
        return count;
    }

    bool fileHolds(const std::string& folder, unsigned long rgb) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            const auto picture = CaptureImage::loadBMP(entry.path().string());
            if (picture && picture->pixel(200, picture->height() / 2) == rgb)
                return true;
        }
        return false;
    }

    XDesktop desktop{XDesktop::Options{1024, 768, true}};
    Keys keys{desktop};
    std::vector<pid_t> clients;
};

TEST_F(LivePictures, ARepaintShowsInTheOpenViewOnlyWhenLiveAndAlwaysAtTheNextShowing) {
    struct Row {
        const char* setting;
        bool live;
    };
    for (const Row row : {Row{"-1", true}, Row{"0", false}}) {
        SCOPED_TRACE(std::string("LivePictures ") + row.setting);
        openWindow(std::string("Red ") + row.setting, "C03030", "40,40");
        const Window front = openWindow(std::string("Blue ") + row.setting, "3050C0", "560,360");
        ZorvaneRun run(desktop, {{"LivePictures", row.setting}});
        ASSERT_TRUE(run.startResident()) << run.trace();
        ASSERT_EQ(run.runAgain({"--show"}).exitCode, 0);
        ASSERT_TRUE(run.waitFor("opening-done", 1, kPatience)) << run.trace();
        ASSERT_EQ(CountColour(desktop, kMagenta, 30), 0);

        paint(front, kMagenta);
        // Shown within a few frames when live; a second and a half of frames without it when not.
        EXPECT_EQ(desktop.waitUntil([&] { return CountColour(desktop, kMagenta, 30) > 20; },
                                    row.live ? kPatience : 1500),
                  row.live);

        keys.tap(XK_Return);
        ASSERT_TRUE(run.waitFor("view-hidden", 1, kPatience));
        // The file of the window holds what was shown last (written by now, or soon).
        if (row.live) {
            EXPECT_TRUE(
                desktop.waitUntil([&] { return fileHolds(run.captureFolder(), kMagenta); }, kPatience));
        }

        // Whichever window is in front now, the drawing is in the next showing's pictures.
        ASSERT_EQ(run.runAgain({"--show"}).exitCode, 0);
        ASSERT_TRUE(run.waitFor("opening-done", 2, kPatience)) << run.trace();
        EXPECT_GT(CountColour(desktop, kMagenta, 30), 20);
        keys.tap(XK_Return);
        ASSERT_TRUE(run.waitFor("view-hidden", 2, kPatience));
        EXPECT_TRUE(desktop.waitUntil([&] { return fileHolds(run.captureFolder(), kMagenta); }, kPatience));
        EXPECT_EQ(run.runAgain({"--quit"}).exitCode, 0);
        int exitCode = -1;
        ASSERT_TRUE(run.waitExit(kPatience, exitCode));
        // Nothing is written after the folder was emptied at the end.
        EXPECT_TRUE(fs::is_empty(run.captureFolder()));
        for (const pid_t client : std::exchange(clients, {}))
            desktop.stop(client);
    }
}

// Between two showings, while Zorvane waits in the tray: one window is drawn into, one grows, one
// is minimised and one is drawn into and then closed. The next showing has each as it now is.
TEST_F(LivePictures, WhatChangedWhileIdleIsInTheNextShowingAndItsFiles) {
    const Window minimised = openWindow("Minimised", "30C030", "600,40");
    const pid_t closedPid = desktop.spawnTestClient(
        {"--title", "Closed", "--color", "C0C030", "--size", "300x200", "--pos", "40,420"});
    const Window closed = desktop.waitForTitle("Closed", kPatience);
    ASSERT_NE(closed, None);
    ASSERT_TRUE(desktop.waitPainted(closed, kPatience));
    const Window grows = openWindow("Grows", "C03030", "300,300");
    const Window drawn = openWindow("Drawn", "3050C0", "560,360");
    ZorvaneRun run(desktop);
    ASSERT_TRUE(run.startResident()) << run.trace();
    ASSERT_EQ(run.runAgain({"--show"}).exitCode, 0);
    ASSERT_TRUE(run.waitFor("opening-done", 1, kPatience)) << run.trace();
    keys.tap(XK_Escape);
    ASSERT_TRUE(run.waitFor("view-hidden", 1, kPatience));

    paint(drawn, kMagenta);
    XResizeWindow(desktop.dpy(), grows, 520, 380);
    XSync(desktop.dpy(), False);
    int x = 0, y = 0, width = 0, height = 0;
    ASSERT_TRUE(
        desktop.waitUntil([&] { return desktop.frameRect(grows, x, y, width, height) && width > 500; }));
    ASSERT_TRUE(desktop.waitPainted(grows, kPatience));
    ASSERT_TRUE(desktop.minimize(minimised));
    paint(closed, kMagenta);
    desktop.stop(closedPid);
    ASSERT_TRUE(desktop.waitUntil([&] { return CountWindowsTitled(desktop, "Closed") == 0; }, kPatience));

    ASSERT_EQ(run.runAgain({"--show"}).exitCode, 0);
    ASSERT_TRUE(run.waitFor("opening-done", 2, kPatience)) << run.trace();
    EXPECT_EQ(run.lines("capture-done 3").size(), 1u) << run.trace();
    // Only the two windows that changed are read again: the others coming into view when the
    // view went away is no change.
    EXPECT_EQ(run.lines("pictures-taken").back(), "pictures-taken 2") << run.trace();
    EXPECT_GT(CountColour(desktop, kMagenta, 30), 20) << "the drawing made while idle shows";
    keys.tap(XK_Escape);
    ASSERT_TRUE(run.waitFor("view-hidden", 2, kPatience));

    // The files hold what was shown: the drawing, the grown window at its new size, the
    // minimised window as it last looked, and nothing of the closed one.
    std::vector<std::unique_ptr<CaptureImage>> files;
    EXPECT_TRUE(desktop.waitUntil(
        [&] {
            files.clear();
            std::error_code error;
            for (const auto& entry : fs::directory_iterator(run.captureFolder(), error))
                if (auto picture = CaptureImage::loadBMP(entry.path().string()))
                    files.push_back(std::move(picture));
            return files.size() == 3;
        },
        kPatience));
    auto holding = [&](unsigned long rgb) -> const CaptureImage* {
        for (const auto& file : files)
            if (CountOf(*file, rgb) > 1000)
                return file.get();
        return nullptr;
    };
    EXPECT_TRUE(holding(kMagenta)) << "the drawing made while idle";
    ASSERT_TRUE(holding(0xC03030));
    EXPECT_EQ(holding(0xC03030)->width(), width);
    EXPECT_EQ(holding(0xC03030)->height(), height);
    EXPECT_TRUE(holding(0x30C030)) << "the minimised window keeps its last picture";
    EXPECT_FALSE(holding(0xC0C030)) << "the closed window's file has gone";
    EXPECT_EQ(run.runAgain({"--quit"}).exitCode, 0);
    int exitCode = -1;
    ASSERT_TRUE(run.waitExit(kPatience, exitCode));
}

} // namespace
} // namespace zorvane::test
