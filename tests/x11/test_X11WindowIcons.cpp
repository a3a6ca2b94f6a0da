// Window icons and close requests on a real desktop (Xvfb + openbox + zv-testclient): the icon
// picked from the icon list or the icon pixmap, and a close that is honoured or refused.
// gtest first: Xlib defines None as a macro, which gtest also uses as a name.
#include <gtest/gtest.h>

#include "X11DesktopTest.h"

#include <sys/wait.h>

namespace zorvane {
namespace {

using test::XDesktop;

class X11Icons : public test::X11DesktopTest {
protected:
    explicit X11Icons(bool windowManager = true)
        : X11DesktopTest(XDesktop::Options{1280, 1024, windowManager}) {}

    Window startClient(const std::vector<std::string>& args, const std::string& title, pid_t* pid = nullptr) {
        std::vector<std::string> all{"--title", title};
        all.insert(all.end(), args.begin(), args.end());
        return X11DesktopTest::startClient(all, title, pid);
    }
};

// Without a window manager, which would publish icons of its own for windows that have none.
class X11IconsBare : public X11Icons {
protected:
    X11IconsBare() : X11Icons(false) {}
};

// The icon list: the size nearest the wanted one, every pixel where the client put it (the
// client's 32-bit items travel as 64-bit longs both ways); the icon pixmap with its mask when
// there is no list; nothing for a window with neither.
TEST_F(X11IconsBare, IconComesFromTheListElseThePixmapElseNothing) {
    const Window listed = startClient({"--icon-sizes", "16,48,128"}, "listed");
    const Window pixmap = startClient({"--icon-pixmap"}, "pixmap");
    const Window plain = startClient({}, "plain");
    auto x11 = platform();
    ASSERT_TRUE(x11);

    struct Row {
        int wanted;
        int size;
    } rows[] = {{48, 48}, {20, 16}, {100, 128}, {96, 128}};
    for (const Row& row : rows) {
        const auto icon = x11->windowIcon(listed, row.wanted);
        ASSERT_TRUE(icon) << row.wanted;
        ASSERT_EQ(icon->Width, row.size);
        ASSERT_EQ(icon->Height, row.size);
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{row.size - 1, 0}, std::pair{3, row.size - 1}}) {
            const std::uint32_t wantedPixel = 0xFF000000u | static_cast<std::uint32_t>(row.size) << 16 |
                                              static_cast<std::uint32_t>(x) << 8 |
                                              static_cast<std::uint32_t>(y);
            EXPECT_EQ(icon->Argb[static_cast<std::size_t>(y * row.size + x)], wantedPixel) << x << "," << y;
        }
    }

    const auto fromPixmap = x11->windowIcon(pixmap, 48);
    ASSERT_TRUE(fromPixmap);
    ASSERT_EQ(fromPixmap->Width, 24);
    ASSERT_EQ(fromPixmap->Height, 24);
    EXPECT_EQ(fromPixmap->Argb[0], 0xFFFF0000u);    // top left: red, kept by the mask
    EXPECT_EQ(fromPixmap->Argb[23], 0xFF0000FFu);   // top right: blue
    EXPECT_EQ(fromPixmap->Argb[23 * 24] >> 24, 0u); // bottom half: masked out
    EXPECT_EQ(fromPixmap->Argb[23 * 24 + 23] >> 24, 0u);

    EXPECT_FALSE(x11->windowIcon(plain, 48));
    EXPECT_FALSE(x11->windowIcon(0x7FFFFFF, 48)); // no such window
}

// A close request: honoured by a program that closes (it ends by itself), and only asked of one
// that refuses (it gets the delete request, keeps running and keeps its window). Both with the
// window manager's close and, without a window manager, with the window's delete protocol.
TEST_F(X11Icons, CloseAsksPolitelyAndARefusedCloseLeavesTheWindow) {
    const std::string log = ::testing::TempDir() + "zv-close-" + std::to_string(::getpid()) + ".log";
    std::remove(log.c_str());
    pid_t closingPid = -1;
    pid_t refusingPid = -1;
    const Window closing = startClient({}, "closes", &closingPid);
    const Window refusing = startClient({"--refuse-close", "--key-log", log}, "refuses", &refusingPid);
    auto x11 = platform();
    ASSERT_TRUE(x11);

    ASSERT_TRUE(x11->requestClose(closing));
    int status = 0;
    EXPECT_TRUE(desktop.waitUntil([&] { return ::waitpid(closingPid, &status, WNOHANG) == closingPid; }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "ended by itself, not killed";

    ASSERT_TRUE(x11->requestClose(refusing));
    EXPECT_TRUE(desktop.waitUntil([&] {
        std::FILE* f = std::fopen(log.c_str(), "r");
        if (f == nullptr)
            return false;
        char line[64] = {};
        bool seen = false;
        while (std::fgets(line, sizeof line, f))
            seen = seen || std::string(line) == "delete request\n";
        std::fclose(f);
        return seen;
    }));
    EXPECT_EQ(::waitpid(refusingPid, &status, WNOHANG), 0) << "still running";
    EXPECT_TRUE(x11->isWindowVisible(refusing));

    EXPECT_FALSE(x11->requestClose(0x7FFFFFF)); // no such window
}

TEST_F(X11IconsBare, CloseUsesTheDeleteProtocolWithoutAWindowManager) {
    pid_t pid = -1;
    const Window bare = startClient({}, "bare", &pid);
    auto x11 = platform();
    ASSERT_TRUE(x11);
    ASSERT_TRUE(x11->requestClose(bare));
    int status = 0;
    EXPECT_TRUE(desktop.waitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
} // namespace zorvane
