// X11DesktopTest: a test on a private desktop (Xvfb, openbox unless told otherwise) with the
// bundled test client and Zorvane's own X11 backend on the same display.
#pragma once

// gtest first: Xlib defines None as a macro, which gtest also uses as a name.
#include <gtest/gtest.h>

#include "harness/XHarness.h"
#include "platform/x11/X11Platform.h"

#include <memory>
#include <string>
#include <vector>

namespace zorvane::test {

class X11DesktopTest : public ::testing::Test {
protected:
    explicit X11DesktopTest(const XDesktop::Options& options = {}) : desktop(options) {}
    void SetUp() override { ASSERT_TRUE(desktop.ok()) << desktop.reason(); }

    // Starts zv-testclient with these arguments and waits until the window titled `title` shows
    // painted; None (with a failure) when it does not.
    Window startClient(const std::vector<std::string>& args, const std::string& title, pid_t* pid = nullptr) {
        const pid_t started = desktop.spawnTestClient(args);
        if (pid != nullptr)
            *pid = started;
        const Window w = desktop.waitForTitle(title);
        EXPECT_NE(w, None) << title << " did not appear";
        if (w != None) {
            EXPECT_TRUE(desktop.waitPainted(w)) << title << " did not paint";
        }
        return w;
    }

    std::unique_ptr<Platform> platform() {
        std::string error;
        auto result = createX11Platform(desktop.display().c_str(), error);
        EXPECT_TRUE(result) << error;
        return result;
    }

    XDesktop desktop;
};

} // namespace zorvane::test
