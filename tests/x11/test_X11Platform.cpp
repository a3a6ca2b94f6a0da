// The X11 backend on a real desktop (Xvfb + openbox + real clients): which windows are offered,
// their pictures, activation, and robustness against windows that misbehave or vanish.
// gtest first: Xlib defines None as a macro, which gtest also uses as a name.
#include <gtest/gtest.h>

#include "X11DesktopTest.h"

#include "platform/x11/X11Platform.h"
#include "windows/unitHandleInfos.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace zorvane {
namespace {

using test::RunResult;
using test::XDesktop;
namespace fs = std::filesystem;

struct Listed {
    WindowHandle handle = 0;
    std::string className;
    std::string caption;
    int showCmd = 0;
    Rect rect;
    bool hasRegion = false;
    Rect region;
};

Rect parseRect(const std::string& text) {
    static const std::regex pattern(R"(\{"left":(-?\d+),"top":(-?\d+),"right":(-?\d+),"bottom":(-?\d+)\})");
    std::smatch m;
    Rect r;
    if (std::regex_search(text, m, pattern))
        r = Rect{std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4])};
    return r;
}

// Reads the tool's JSON lines; every line must have exactly the six keys in order.
std::vector<Listed> parseListing(const std::string& output) {
    static const std::regex line(
        R"re(^\{"handle":(\d+),"class":"((?:[^"\\]|\\.)*)","caption":"((?:[^"\\]|\\.)*)","showCmd":(\d),"rect":(\{[^}]*\}),"region":(null|\{[^}]*\})\}$)re");
    std::vector<Listed> result;
    std::istringstream in(output);
    std::string text;
    while (std::getline(in, text)) {
        std::smatch m;
        EXPECT_TRUE(std::regex_match(text, m, line)) << "malformed line: " << text;
        if (m.empty())
            continue;
        Listed item;
        item.handle = std::stoull(m[1]);
        item.className = m[2];
        item.caption = m[3];
        item.showCmd = std::stoi(m[4]);
        item.rect = parseRect(m[5]);
        item.hasRegion = m[6] != "null";
        if (item.hasRegion)
            item.region = parseRect(m[6]);
        result.push_back(item);
    }
    return result;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The picture zv-testclient --pattern paints (the same formula as in TestClient.cpp).
std::uint32_t patternPixel(int x, int y) {
    return static_cast<std::uint32_t>((x * 7) & 0xFF) << 16 |
           static_cast<std::uint32_t>((y * 13) & 0xFF) << 8 | static_cast<std::uint32_t>((x ^ y) & 0xFF);
}

// Pixels of the picture that differ from the screen's rectangle at (left, top).
int mismatchesWithScreen(Display* dpy, Window root, const CaptureImage& picture, int left, int top) {
    XImage* screen = XGetImage(dpy, root, left, top, static_cast<unsigned>(picture.width()),
                               static_cast<unsigned>(picture.height()), AllPlanes, ZPixmap);
    if (screen == nullptr)
        return picture.width() * picture.height();
    int mismatches = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            mismatches += picture.pixel(x, y) != (XGetPixel(screen, x, y) & 0xFFFFFF) ? 1 : 0;
    }
    XDestroyImage(screen);
    return mismatches;
}

// Sends the _ZV_MARK client message to a zv-testclient and waits until its log shows it: every
// event the server delivered to that client before is then in the log.
bool markLog(XDesktop& desktop, Window client, const std::string& logPath, long number) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = client;
    event.xclient.message_type = XInternAtom(desktop.dpy(), "_ZV_MARK", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = number;
    XSendEvent(desktop.dpy(), client, False, NoEventMask, &event);
    XSync(desktop.dpy(), False);
    const std::string wanted = "mark " + std::to_string(number) + "\n";
    return desktop.waitUntil([&] { return readFile(logPath).find(wanted) != std::string::npos; }, 10000);
}

class X11Desktop : public test::X11DesktopTest {
protected:
    std::string tool() const { return test::BinDir() + "/zorvane-windows"; }
};

TEST_F(X11Desktop, ListOffersExactlyTheQualifyingWindowsTopFirst) {
    // Windows that must not be offered. The override-redirect window is never managed: wait
    // until it shows on the screen before anything can cover it.
    desktop.spawnTestClient({"--title", "override", "--override", "--pos", "1000,900", "--size", "100x50"});
    ASSERT_TRUE(desktop.waitUntil([&] { return desktop.screenPixel(1010, 910) == 0x3366CC; }));
    startClient({"--title", "dock", "--type", "dock", "--size", "400x30"}, "dock");
    startClient({"--title", "skipper", "--skip-taskbar"}, "skipper");
    startClient({"--title", "toolbox", "--type", "utility"}, "toolbox");
    desktop.spawnTestClient({"--untitled", "--class", "ZvUntitled"});
    const Window untitled = desktop.waitForClass("ZvUntitled");
    ASSERT_NE(untitled, None);
    const Window owner = startClient({"--title", "owner", "--transient"}, "owner");
    const Window dialog = desktop.waitForTitle("owner dialog");
    ASSERT_NE(dialog, None);
    // Windows that must be offered, in every show state.
    const Window minimised = startClient({"--title", "minimised"}, "minimised");
    ASSERT_TRUE(desktop.minimize(minimised));
    const Window maximised = startClient({"--title", "maximised", "--maximized"}, "maximised");
    desktop.spawn({"xlogo"});
    desktop.spawn({"xeyes"});
    desktop.spawn({"xclock"});
    const Window xlogo = desktop.waitForClass("XLogo");
    const Window xeyes = desktop.waitForClass("XEyes");
    const Window xclock = desktop.waitForClass("XClock");
    ASSERT_NE(xlogo, None);
    ASSERT_NE(xeyes, None);
    ASSERT_NE(xclock, None);
    desktop.spawn({"xterm", "-T", "terminal"});
    const Window xterm = desktop.waitForTitle("terminal");
    ASSERT_NE(xterm, None);

    const auto result = desktop.run({tool(), "--list-windows"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const auto listed = parseListing(result.out);

    const std::vector<Window> offered{owner, minimised, maximised, xlogo, xeyes, xclock, xterm};
    std::vector<WindowHandle> expectedOrder;
    for (Window w : desktop.clientsTopFirst()) {
        if (std::find(offered.begin(), offered.end(), w) != offered.end())
            expectedOrder.push_back(w);
    }
    std::vector<WindowHandle> listedOrder;
    for (const auto& item : listed)
        listedOrder.push_back(item.handle);
    EXPECT_EQ(listedOrder, expectedOrder);

    std::map<WindowHandle, Listed> byHandle;
    for (const auto& item : listed)
        byHandle[item.handle] = item;
    EXPECT_EQ(byHandle[minimised].showCmd, 2);
    EXPECT_EQ(byHandle[maximised].showCmd, 3);
    EXPECT_EQ(byHandle[xterm].showCmd, 1);
    EXPECT_EQ(byHandle[xterm].className, "XTerm");
    EXPECT_EQ(byHandle[xterm].caption, "terminal");
    EXPECT_EQ(byHandle[owner].className, "ZvTest");
    EXPECT_EQ(byHandle[xlogo].className, "XLogo");
    EXPECT_EQ(byHandle[xclock].caption, "xclock");
    EXPECT_FALSE(byHandle[xlogo].hasRegion);
    EXPECT_TRUE(byHandle[xeyes].hasRegion) << "xeyes is shaped";
    const Rect& eyes = byHandle[xeyes].region;
    EXPECT_TRUE(eyes.left >= 0 && eyes.top >= 0 && eyes.left < eyes.right && eyes.top < eyes.bottom &&
                eyes.right <= byHandle[xeyes].rect.width() && eyes.bottom <= byHandle[xeyes].rect.height())
        << "the region box lies in the window, relative to its corner";

    int x = 0, y = 0, width = 0, height = 0;
    ASSERT_TRUE(desktop.frameRect(xterm, x, y, width, height));
    EXPECT_EQ(byHandle[xterm].rect, (Rect{x, y, x + width, y + height})) << "the frame, decorations included";
}

TEST_F(X11Desktop, ListEscapesTitlesAndCutsThemAtCharacters) {
    const std::string quoted = "say \"hi\" \\ back";
    startClient({"--title", quoted}, quoted);
    std::string longTitle;
    for (int i = 0; i < 100; ++i)
        longTitle += "\xC3\xA9"; // 100 characters, 200 bytes
    startClient({"--title", longTitle}, longTitle);
    startClient({"--title", "caf\xE9", "--latin1-title"}, "caf\xE9");
    const Window bad = startClient({"--title", "placeholder", "--invalid-utf8"}, "bad \xC3( \xFFx");
    ASSERT_NE(bad, None);

    const auto result = desktop.run({tool(), "--list-windows"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto listed = parseListing(result.out);
    std::vector<std::string> captions;
    for (const auto& item : listed)
        captions.push_back(item.caption);
    std::string cut;
    for (int i = 0; i < 79; ++i)
        cut += "\xC3\xA9";
    EXPECT_NE(std::find(captions.begin(), captions.end(), R"(say \"hi\" \\ back)"), captions.end());
    EXPECT_NE(std::find(captions.begin(), captions.end(), cut), captions.end());
    EXPECT_NE(std::find(captions.begin(), captions.end(), "caf\xC3\xA9"), captions.end());
    EXPECT_NE(std::find(captions.begin(), captions.end(), "bad \xEF\xBF\xBD( \xEF\xBF\xBDx"), captions.end());
}

TEST_F(X11Desktop, OwnWindowsAreNeverOffered) {
    // A window of this very process (as the switcher's own view would be), marked by its pid.
    Display* dpy = desktop.dpy();
    const Window own = XCreateSimpleWindow(dpy, desktop.root(), 10, 10, 200, 100, 0, 0, 0xFFFFFF);
    XStoreName(dpy, own, "own window");
    const long pid = ::getpid();
    XChangeProperty(dpy, own, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    XMapWindow(dpy, own);
    ASSERT_EQ(desktop.waitForTitle("own window"), own);
    const Window other = startClient({"--title", "other"}, "other");
    auto x11 = platform();
    ASSERT_TRUE(x11);
    THandleInfos list;
    EnumerateWindows(*x11, list);
    EXPECT_TRUE(list.Contains(other));
    EXPECT_FALSE(list.Contains(own));
    EXPECT_TRUE(IsCandidateWindow(*x11, own)) << "it qualifies in every other way";
}

TEST_F(X11Desktop, PropertiesOfTheWrongTypeOrAbsurdLengthAreSurvived) {
    desktop.spawnTestClient({"--malformed", "--class", "ZvMalformed"});
    const Window w = desktop.waitForClass("ZvMalformed");
    ASSERT_NE(w, None);
    ASSERT_TRUE(desktop.waitPainted(w));
    const auto result = desktop.run({tool(), "--list-windows"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const auto listed = parseListing(result.out);
    ASSERT_EQ(listed.size(), 1u) << result.out;
    EXPECT_EQ(listed[0].handle, w);
    EXPECT_EQ(listed[0].caption, std::string(79, 'M'))
        << "a UTF-8 title of the wrong type gives way to WM_NAME";
    EXPECT_EQ(listed[0].className, "ZvMalformed");
    EXPECT_EQ(listed[0].showCmd, 1);
}

TEST_F(X11Desktop, CapturePicturesMatchTheWindowsAlsoWhenCovered) {
    const Window minimised = startClient(
        {"--title", "minimised", "--pos", "700,600", "--size", "200x100", "--color", "FFFFFF"}, "minimised");
    ASSERT_TRUE(desktop.minimize(minimised));
    const Window covered = startClient(
        {"--title", "covered", "--pos", "100,100", "--size", "300x200", "--color", "FF0000"}, "covered");
    const Window cover = startClient(
        {"--title", "cover", "--pos", "60,60", "--size", "420x320", "--color", "00FF00"}, "cover");
    ASSERT_TRUE(desktop.activate(cover));
    int cx = 0, cy = 0, cw = 0, ch = 0;
    int fx = 0, fy = 0, fw = 0, fh = 0;
    ASSERT_TRUE(desktop.frameRect(covered, cx, cy, cw, ch));
    ASSERT_TRUE(desktop.frameRect(cover, fx, fy, fw, fh));
    ASSERT_TRUE(fx <= cx && fy <= cy && fx + fw >= cx + cw && fy + fh >= cy + ch) << "fully covered";

    const std::string folder = fs::temp_directory_path() / ("zv-capture-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    const auto result = desktop.run({tool(), "--capture", folder});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");

    // A minimised window has nothing to print: its picture, if written at all, is black.
    if (auto image = CaptureImage::loadBMP(folder + "/" + std::to_string(minimised) + ".bmp")) {
        int lit = 0;
        for (int y = 0; y < image->height(); ++y) {
            for (int x = 0; x < image->width(); ++x)
                lit += image->pixel(x, y) != 0 ? 1 : 0;
        }
        EXPECT_EQ(lit, 0) << "the minimised window's picture";
    }

    // The uncovered window's picture equals the screen at its frame, pixel for pixel.
    auto coverImage = CaptureImage::loadBMP(folder + "/" + std::to_string(cover) + ".bmp");
    ASSERT_TRUE(coverImage);
    ASSERT_EQ(coverImage->width(), fw);
    ASSERT_EQ(coverImage->height(), fh);
    EXPECT_EQ(mismatchesWithScreen(desktop.dpy(), desktop.root(), *coverImage, fx, fy), 0);

    // The covered window's picture shows its own content, not the window on top of it.
    auto coveredImage = CaptureImage::loadBMP(folder + "/" + std::to_string(covered) + ".bmp");
    ASSERT_TRUE(coveredImage);
    EXPECT_EQ(coveredImage->width(), cw);
    EXPECT_EQ(coveredImage->height(), ch);
    Window child = None;
    int ox = 0, oy = 0;
    XTranslateCoordinates(desktop.dpy(), covered, desktop.frameOf(covered), 0, 0, &ox, &oy, &child);
    int red = 0;
    for (int y = oy; y < oy + 200; ++y) {
        for (int x = ox; x < ox + 300; ++x)
            red += coveredImage->pixel(x, y) == 0xFF0000 ? 1 : 0;
    }
    EXPECT_EQ(red, 300 * 200);
    fs::remove_all(folder);
}

// Both ways of reading a picture, and the row conversion behind them, give the screen's pixels
// exactly; an odd width exercises the end of each converted row.
TEST_F(X11Desktop, CaptureIsPixelExactWithAndWithoutSharedMemory) {
    const Window w =
        startClient({"--title", "pattern", "--pattern", "--pos", "30,40", "--size", "333x211"}, "pattern");
    ASSERT_TRUE(desktop.activate(w));
    int fx = 0, fy = 0, fw = 0, fh = 0;
    ASSERT_TRUE(desktop.frameRect(w, fx, fy, fw, fh));
    Window child = None;
    int ox = 0, oy = 0;
    XTranslateCoordinates(desktop.dpy(), w, desktop.frameOf(w), 0, 0, &ox, &oy, &child);

    const std::string base = fs::temp_directory_path() / ("zv-exact-" + std::to_string(::getpid()));
    fs::remove_all(base);
    const std::string file = "/" + std::to_string(w) + ".bmp";
    const auto shared = desktop.run({tool(), "--capture", base + "/shm"});
    const auto plain = desktop.run({"env", "ZORVANE_NO_SHM=1", tool(), "--capture", base + "/plain"});
    ASSERT_EQ(shared.exitCode, 0) << shared.err;
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    for (const std::string& folder : {base + "/shm", base + "/plain"}) {
        auto picture = CaptureImage::loadBMP(folder + file);
        ASSERT_TRUE(picture) << folder;
        ASSERT_EQ(picture->width(), fw) << folder;
        ASSERT_EQ(picture->height(), fh) << folder;
        EXPECT_EQ(mismatchesWithScreen(desktop.dpy(), desktop.root(), *picture, fx, fy), 0) << folder;
        int wrong = 0;
        for (int y = 0; y < 211; ++y) {
            for (int x = 0; x < 333; ++x)
                wrong += picture->pixel(ox + x, oy + y) != patternPixel(x, y) ? 1 : 0;
        }
        EXPECT_EQ(wrong, 0) << folder << ": the client's own pixels";
    }
    EXPECT_EQ(readFile(base + "/shm" + file), readFile(base + "/plain" + file)) << "identical files";
    fs::remove_all(base);
}

TEST_F(X11Desktop, MinimisedOrVanishedWindowsGiveNoPicture) {
    const Window minimised = startClient({"--title", "minimised", "--size", "320x240"}, "minimised");
    const pid_t doomedPid = desktop.spawnTestClient({"--title", "doomed"});
    const Window doomed = desktop.waitForTitle("doomed");
    ASSERT_NE(doomed, None);
    ASSERT_TRUE(desktop.waitPainted(doomed));
    ASSERT_TRUE(desktop.minimize(minimised));
    auto x11 = platform();
    ASSERT_TRUE(x11);

    THandleInfos list;
    EnumerateWindows(*x11, list);
    ASSERT_TRUE(list.Contains(minimised));
    ASSERT_TRUE(list.Contains(doomed));
    desktop.stop(doomedPid);
    ASSERT_TRUE(desktop.waitUntil([&] {
        XWindowAttributes attributes;
        return !XGetWindowAttributes(desktop.dpy(), doomed, &attributes);
    }));

    testing::internal::CaptureStderr();
    for (int i = 0; i < list.Count(); ++i) {
        std::unique_ptr<CaptureImage> image;
        CaptureEnumerated(*x11, list.Items(i), image);
        if (list.Items(i).Handle == doomed) {
            EXPECT_FALSE(image) << "a window destroyed after the enumeration is skipped";
        } else if (list.Items(i).Handle == minimised) {
            bool allBlack = true;
            for (int y = 0; image && y < image->height() && allBlack; ++y) {
                for (int x = 0; x < image->width(); ++x)
                    allBlack = allBlack && image->pixel(x, y) == 0;
            }
            EXPECT_TRUE(allBlack) << "a minimised window has no picture to print";
        }
    }
    // Every query on the vanished window fails quietly.
    Rect rect{1, 1, 1, 1};
    EXPECT_FALSE(x11->windowRect(doomed, rect));
    EXPECT_EQ(x11->windowCaption(doomed), "");
    EXPECT_EQ(x11->windowClassName(doomed), "");
    EXPECT_FALSE(x11->isWindowVisible(doomed));
    EXPECT_FALSE(x11->hasOwner(doomed));
    EXPECT_EQ(x11->showCommand(doomed), scNormal);
    EXPECT_FALSE(x11->ForceForegroundWindow(doomed));
    EXPECT_FALSE(x11->minimizeWindow(doomed));
    CaptureImage scratch(10, 10);
    EXPECT_FALSE(x11->printWindow(doomed, scratch));
    EXPECT_FALSE(x11->printWindow(0x7FFFFFF, scratch));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no X error reaches stderr";
}

TEST_F(X11Desktop, WindowGoneBeforeItsQueriesAreAnsweredIsSkipped) {
    const Window first = startClient({"--title", "first"}, "first");
    const Window second = startClient({"--title", "second"}, "second");
    const Window gone = XCreateSimpleWindow(desktop.dpy(), desktop.root(), 0, 0, 100, 100, 0, 0, 0);
    XDestroyWindow(desktop.dpy(), gone);
    auto x11 = platform();
    ASSERT_TRUE(x11);
    // A window manager's list that has not caught up: every query on one of its windows fails.
    const Atom stacking = XInternAtom(desktop.dpy(), "_NET_CLIENT_LIST_STACKING", False);
    const unsigned long ids[] = {first, gone, second};
    testing::internal::CaptureStderr();
    THandleInfos list;
    for (int attempt = 0; attempt < 5; ++attempt) {
        XChangeProperty(desktop.dpy(), desktop.root(), stacking, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(ids), 3);
        XSync(desktop.dpy(), False);
        EnumerateWindows(*x11, list);
        if (desktop.clientsTopFirst().size() == 3)
            break; // the list was still ours when it was read
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0).Handle, second);
    EXPECT_EQ(list.Items(1).Handle, first);
}

TEST_F(X11Desktop, ForceForegroundRestoresAndRaises) {
    desktop.spawn({"xterm", "-T", "minimised xterm", "-geometry", "60x10+100+100"});
    const Window minimised = desktop.waitForTitle("minimised xterm", 15000);
    ASSERT_NE(minimised, None);
    const Window covered = startClient({"--title", "covered", "--pos", "200,200"}, "covered");
    const Window top = startClient({"--title", "top", "--pos", "150,150", "--size", "400x400"}, "top");
    ASSERT_TRUE(desktop.minimize(minimised));
    ASSERT_TRUE(desktop.activate(top));
    auto x11 = platform();
    ASSERT_TRUE(x11);
    EXPECT_EQ(x11->activeWindow(), top);

    EXPECT_TRUE(x11->ForceForegroundWindow(minimised));
    EXPECT_EQ(desktop.activeWindow(), minimised);
    EXPECT_TRUE(desktop.isViewable(minimised));
    EXPECT_EQ(x11->showCommand(minimised), scNormal);

    EXPECT_TRUE(x11->ForceForegroundWindow(covered));
    EXPECT_EQ(desktop.activeWindow(), covered);
    EXPECT_EQ(desktop.clientsTopFirst().front(), covered) << "raised to the top";
    EXPECT_TRUE(x11->ForceForegroundWindow(covered)) << "already in front";
}

// Activating a window must not click or type anywhere: a click lands wherever the pointer
// happens to be, which can act on another program's window.
TEST_F(X11Desktop, ForceForegroundSendsNoInputToOtherPrograms) {
    const std::string logPath = "/tmp/zv-bystander-" + std::to_string(::getpid()) + ".log";
    std::remove(logPath.c_str());
    const Window bystander = startClient(
        {"--title", "bystander", "--pos", "600,500", "--size", "300x200", "--key-log", logPath}, "bystander");
    const Window target = startClient({"--title", "target", "--pos", "50,50"}, "target");
    ASSERT_TRUE(desktop.minimize(target));
    ASSERT_TRUE(desktop.activate(bystander));
    // The pointer rests over the bystander, where a synthesised click would land.
    XWarpPointer(desktop.dpy(), None, desktop.root(), 0, 0, 0, 0, 700, 600);
    XSync(desktop.dpy(), False);
    ASSERT_TRUE(markLog(desktop, bystander, logPath, 1));

    auto x11 = platform();
    ASSERT_TRUE(x11);
    EXPECT_TRUE(x11->ForceForegroundWindow(target));
    EXPECT_EQ(desktop.activeWindow(), target);
    ASSERT_TRUE(markLog(desktop, bystander, logPath, 2));
    EXPECT_EQ(readFile(logPath), "mark 1\nmark 2\n") << "the bystander received input";
    std::remove(logPath.c_str());
}

TEST_F(X11Desktop, DiagnosticsNameTheDisplayItsExtensionsAndPaths) {
    const auto expectLines = [](const RunResult& result, const std::vector<std::string>& lines) {
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        for (const std::string& line : lines)
            EXPECT_NE(result.out.find(line), std::string::npos) << line << "\nnot in:\n" << result.out;
    };
    expectLines(desktop.run({tool(), "--diagnostics", "--settings", "/some/where/Zorvane.xml"}),
                {"display: " + desktop.display() + "\n", "screen: 1280x1024\n", "composite: yes\n",
                 "mit-shm: yes\n", "shape: yes\n", "window manager: Openbox\n", "gl renderer: llvmpipe",
                 "system tray (XEmbed): no\n", "settings file: /some/where/Zorvane.xml\n",
                 "temporary directory: /", "autostart entry: /",
                 "language: ", "pictures folder: ", "language folder: "});
    // A tray host takes the tray selection: the icon can dock now.
    desktop.spawn({"trayer"});
    ASSERT_TRUE(desktop.waitUntil(
        [&] {
            return XGetSelectionOwner(desktop.dpy(),
                                      XInternAtom(desktop.dpy(), "_NET_SYSTEM_TRAY_S0", False)) != None;
        },
        15000));
    expectLines(desktop.run({tool(), "--diagnostics"}), {"system tray (XEmbed): yes\n"});
}

// A StatusNotifierItem host is seen on the session bus: none without a bus, none without the watcher,
// none while the watcher has no host, then one. A real dbus-daemon of the test's own.
TEST_F(X11Desktop, DiagnosticsSeeStatusNotifierHostsOnTheSessionBus) {
    const std::string folder = "/tmp/zv-bus-" + std::to_string(::getpid());
    std::filesystem::create_directories(folder);
    const std::string bus = "unix:path=" + folder + "/bus";
    const auto trayLine = [&](const std::vector<std::string>& environment) {
        std::vector<std::string> argv{"env", "-u", "DBUS_SESSION_BUS_ADDRESS"};
        argv.insert(argv.end(), environment.begin(), environment.end());
        argv.insert(argv.end(), {tool(), "--diagnostics"});
        const RunResult result = desktop.run(argv);
        const auto at = result.out.find("system tray (StatusNotifierItem): ");
        return at == std::string::npos ? "(missing) " + result.out + result.err
                                       : result.out.substr(at, result.out.find('\n', at) - at);
    };
    EXPECT_EQ(trayLine({"XDG_RUNTIME_DIR=" + folder}),
              "system tray (StatusNotifierItem): no (no session bus)");
    desktop.spawn({"dbus-daemon", "--session", "--nofork", "--address=" + bus});
    ASSERT_TRUE(desktop.waitUntil([&] { return std::filesystem::exists(folder + "/bus"); }, 15000));
    // With the variable unset the user's runtime folder's bus is the session bus.
    EXPECT_EQ(trayLine({"XDG_RUNTIME_DIR=" + folder}), "system tray (StatusNotifierItem): no");

    const std::vector<std::string> onBus{"DBUS_SESSION_BUS_ADDRESS=" + bus};
    const pid_t lonely = desktop.spawn({"env", onBus[0], test::BinDir() + "/zv-sni-watcher", "--no-host"});
    EXPECT_TRUE(desktop.waitUntil([&] {
        return trayLine(onBus) == "system tray (StatusNotifierItem): no (a watcher without a host)";
    })) << trayLine(onBus);
    desktop.stop(lonely);
    desktop.spawn({"env", onBus[0], test::BinDir() + "/zv-sni-watcher"});
    EXPECT_TRUE(desktop.waitUntil([&] { return trayLine(onBus) == "system tray (StatusNotifierItem): yes"; }))
        << trayLine(onBus);
    std::filesystem::remove_all(folder);
}

TEST_F(X11Desktop, MinimiseAndRestoreWaitForTheWindowManager) {
    const Window w = startClient({"--title", "toggle"}, "toggle");
    auto x11 = platform();
    ASSERT_TRUE(x11);
    ASSERT_TRUE(x11->minimizeWindow(w));
    EXPECT_EQ(x11->showCommand(w), scMinimized);
    EXPECT_TRUE(x11->isWindowVisible(w)) << "a minimised window still counts as visible";
    ASSERT_TRUE(x11->restoreWindow(w));
    EXPECT_TRUE(desktop.isViewable(w));
    EXPECT_EQ(x11->showCommand(w), scNormal);
    // Restored and painted: the first capture already shows the window's colour.
    std::unique_ptr<CaptureImage> image;
    EXPECT_TRUE(CaptureWindow(*x11, w, image));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixel(image->width() / 2, image->height() / 2), 0x3366CCu);
    EXPECT_EQ(x11->SetMinimizeAnimation(0), 0);
}

TEST_F(X11Desktop, ScreenSizeAndHugeWindows) {
    auto x11 = platform();
    ASSERT_TRUE(x11);
    EXPECT_EQ(x11->screenWidth(), 1280);
    EXPECT_EQ(x11->screenHeight(), 1024);
    // Xvfb's RandR 1.5 lists its one screen as a monitor.
    const std::vector<Monitor> monitors = x11->monitors();
    ASSERT_EQ(monitors.size(), 1u);
    EXPECT_EQ(monitors[0].rect, (Rect{0, 0, 1280, 1024}));
    const Window wide = startClient({"--title", "wide", "--size", "40000x40", "--pos", "0,0"}, "wide");
    Rect rect;
    ASSERT_TRUE(x11->windowRect(wide, rect));
    std::unique_ptr<CaptureImage> image;
    CaptureWindow(*x11, wide, image);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), rect.width());
}

TEST_F(X11Desktop, DesktopPictureComesFromTheRootPixmapElseTheSettings) {
    auto x11 = platform();
    ASSERT_TRUE(x11);
    x11->setWallpaperFallback("/pictures/beach.jpg", wsStretch, 0x102030);
    WallpaperInfo info = x11->wallpaperInfo();
    EXPECT_FALSE(info.picture);
    EXPECT_EQ(info.fileName, "/pictures/beach.jpg");
    EXPECT_EQ(info.style, wsStretch);
    EXPECT_EQ(info.desktopColor, 0x102030u);

    // A 64 x 64 background pixmap tiles the whole screen.
    Display* dpy = desktop.dpy();
    const Pixmap pixmap =
        XCreatePixmap(dpy, desktop.root(), 64, 64, static_cast<unsigned>(DefaultDepth(dpy, 0)));
    GC gc = XCreateGC(dpy, pixmap, 0, nullptr);
    XSetForeground(dpy, gc, 0x4080C0);
    XFillRectangle(dpy, pixmap, gc, 0, 0, 64, 64);
    XSetForeground(dpy, gc, 0xFFFF00);
    XDrawPoint(dpy, pixmap, gc, 0, 0);
    XFreeGC(dpy, gc);
    const long id = static_cast<long>(pixmap);
    XChangeProperty(dpy, desktop.root(), XInternAtom(dpy, "_XROOTPMAP_ID", False), XA_PIXMAP, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&id), 1);
    XSync(dpy, False);

    info = x11->wallpaperInfo();
    ASSERT_TRUE(info.picture);
    EXPECT_EQ(info.picture->width(), 1280);
    EXPECT_EQ(info.picture->height(), 1024);
    EXPECT_EQ(info.picture->pixel(1, 1), 0x4080C0u);
    EXPECT_EQ(info.picture->pixel(64, 128), 0xFFFF00u) << "tiled from the screen's corner";
    std::ostringstream hex;
    hex << std::hex << pixmap;
    EXPECT_NE(info.fileName.find(hex.str()), std::string::npos) << "the pixmap id keys the cache";

    // A stale id (its owner freed it) falls back to the settings.
    XFreePixmap(dpy, pixmap);
    XSync(dpy, False);
    info = x11->wallpaperInfo();
    EXPECT_FALSE(info.picture);
    EXPECT_EQ(info.fileName, "/pictures/beach.jpg");
}

TEST_F(X11Desktop, PlainRootBackgroundGivesTheDesktopColour) {
    // A bare X server with `xsetroot -solid`: no picture is named, the root shows a plain colour
    // around the windows, and the dimmed desktop must show that colour rather than black.
    Display* dpy = desktop.dpy();
    XDeleteProperty(dpy, desktop.root(), XInternAtom(dpy, "_XROOTPMAP_ID", False));
    XSetWindowBackground(dpy, desktop.root(), 0x305070);
    XClearWindow(dpy, desktop.root());
    XSync(dpy, False);

    auto x11 = platform();
    ASSERT_TRUE(x11);
    WallpaperInfo info = x11->wallpaperInfo();
    EXPECT_FALSE(info.picture);
    EXPECT_EQ(info.fileName, "");
    EXPECT_EQ(info.desktopColor, 0x305070u);

    // A colour named by the settings wins over the root's.
    x11->setWallpaperFallback("", wsCentre, 0x102030);
    EXPECT_EQ(x11->wallpaperInfo().desktopColor, 0x102030u);
}

TEST(X11Display, UnopenableDisplayGivesOneClearMessage) {
    std::string error;
    EXPECT_FALSE(createX11Platform(":987", error));
    EXPECT_NE(error.find(":987"), std::string::npos);
    XDesktop none(XDesktop::Options{640, 480, false});
    const auto result =
        none.run({test::BinDir() + "/zorvane-windows", "--display", ":987", "--list-windows"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(result.out, "");
}

// Servers without RandR: Xinerama's screens (the first is the primary), else the root window as the
// one monitor; the pointer is found on the root either way.
TEST(X11Monitors, WithoutRandrXineramaScreensElseTheRoot) {
    struct Row {
        const char* what;
        std::vector<std::string> serverArgs;
        std::vector<Monitor> expected;
    };
    const Row rows[] = {
        {"Xinerama",
         {"-extension", "RANDR", "+xinerama", "-screen", "1", "800x600x24"},
         {{"screen 0", Rect{0, 0, 640, 480}, true}, {"screen 1", Rect{0, 0, 800, 600}, false}}},
        {"neither", {"-extension", "RANDR"}, {{"screen", Rect{0, 0, 640, 480}, true}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        test::XDesktop desktop(test::XDesktop::Options{640, 480, false, row.serverArgs});
        ASSERT_TRUE(desktop.ok()) << desktop.reason();
        std::string error;
        auto x11 = createX11Platform(desktop.display().c_str(), error);
        ASSERT_TRUE(x11) << error;
        const std::vector<Monitor> monitors = x11->monitors();
        ASSERT_EQ(monitors.size(), row.expected.size());
        for (std::size_t i = 0; i < monitors.size(); ++i) {
            EXPECT_EQ(monitors[i].name, row.expected[i].name);
            EXPECT_EQ(monitors[i].rect, row.expected[i].rect) << monitors[i].name;
            EXPECT_EQ(monitors[i].primary, row.expected[i].primary) << monitors[i].name;
        }
        EXPECT_EQ(x11->screenWidth(), 640);
        XWarpPointer(desktop.dpy(), None, desktop.root(), 0, 0, 0, 0, 300, 200);
        XSync(desktop.dpy(), False);
        const std::optional<ScreenPoint> pointer = x11->pointerPosition();
        ASSERT_TRUE(pointer);
        EXPECT_EQ(pointer->x, 300);
        EXPECT_EQ(pointer->y, 200);
    }
}

} // namespace
} // namespace zorvane
