// Pictures kept between capture cycles on a real desktop (Xvfb + openbox + real clients): a window
// drawn into is taken again (only where it changed), an untouched one keeps its picture, a resized
// one gets a picture of its new size, a minimised one keeps its last picture, and a window that
// goes between its damage and its capture costs nothing but its record.
// gtest first: Xlib defines None as a macro, which gtest also uses as a name.
#include <gtest/gtest.h>

#include "harness/XHarness.h"

#include "platform/x11/X11Platform.h"
#include "windows/unitHandleInfos.h"
#include "windows/unitWindowInfos.h"

#include <X11/Xutil.h>

#include <filesystem>

namespace zorvane {
namespace {

using test::XDesktop;
namespace fs = std::filesystem;

class PictureChanges : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(desktop.ok()) << desktop.reason();
        std::string error;
        platform = createX11Platform(desktop.display().c_str(), error);
        ASSERT_TRUE(platform) << error;
        folder = fs::temp_directory_path() / ("zv-changes-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        list = std::make_unique<TWindowInfos>(*platform, folder.string());
    }
    void TearDown() override {
        list.reset();
        fs::remove_all(folder);
    }

    Window start(const std::string& title, const std::string& pos, const std::string& size,
                 const std::string& color, pid_t* pid = nullptr) {
        const pid_t started =
            desktop.spawnTestClient({"--title", title, "--pos", pos, "--size", size, "--color", color});
        if (pid)
            *pid = started;
        const Window w = desktop.waitForTitle(title);
        EXPECT_NE(w, None) << title;
        EXPECT_TRUE(w != None && desktop.waitPainted(w)) << title << " did not paint";
        return w;
    }

    // How many windows were read again.
    int cycle() { return RunCaptureCycle(*platform, windows, *list, false); }
    // The window manager may still be redrawing title bars (the focus moved to the last window
    // opened): real drawing, so a test starts from cycles that read nothing.
    bool settle() {
        return desktop.waitUntil([&] { return cycle() == 0; }, 10000);
    }

    TWindowInfo* record(Window w) {
        for (int i = 0; i < list->Count(); ++i)
            if (list->Items(i).Handle == w)
                return &list->Items(i);
        return nullptr;
    }

    // The client's own area inside its frame's picture.
    std::pair<int, int> clientOffset(Window client) {
        int x = 0, y = 0;
        Window child = None;
        XTranslateCoordinates(desktop.dpy(), client, desktop.frameOf(client), 0, 0, &x, &y, &child);
        return {x, y};
    }

    // Another X client draws into the window, as a clock or a terminal would.
    void paint(Window w, int x, int y, int width, int height, unsigned long rgb) {
        GC gc = XCreateGC(desktop.dpy(), w, 0, nullptr);
        XSetForeground(desktop.dpy(), gc, rgb);
        XFillRectangle(desktop.dpy(), w, gc, x, y, static_cast<unsigned>(width),
                       static_cast<unsigned>(height));
        XFreeGC(desktop.dpy(), gc);
        XSync(desktop.dpy(), False);
    }

    XDesktop desktop;
    std::unique_ptr<Platform> platform;
    fs::path folder;
    THandleInfos windows;
    std::unique_ptr<TWindowInfos> list;
};

TEST_F(PictureChanges, OnlyTheWindowDrawnIntoIsTakenAgainAndOnlyWhereItChanged) {
    const Window red = start("red", "40,40", "300x200", "FF0000");
    const Window green = start("green", "420,80", "200x150", "00FF00");
    cycle();
    ASSERT_TRUE(settle());
    ASSERT_TRUE(record(red) && record(green));
    const auto [rx, ry] = clientOffset(red);
    EXPECT_EQ(record(red)->Bitmap->pixel(rx + 10, ry + 10), 0xFF0000u);
    const CaptureImage* redPicture = record(red)->Bitmap.get();
    const CaptureImage* greenPicture = record(green)->Bitmap.get();
    list->StoreChanged();
    list->FlushStores();

    // Nothing drawn: both pictures stay as they are, nothing to store.
    cycle();
    EXPECT_EQ(record(red)->Bitmap.get(), redPicture);
    EXPECT_EQ(record(green)->Bitmap.get(), greenPicture);
    EXPECT_FALSE(record(red)->StoreNeeded());

    // Drawn while nothing shows: the next cycle has it (a missed damage event leaves it red).
    paint(red, 50, 40, 20, 20, 0x0000FF);
    cycle();
    EXPECT_EQ(record(red)->Bitmap->pixel(rx + 55, ry + 45), 0x0000FFu);
    EXPECT_EQ(record(red)->Bitmap->pixel(rx + 10, ry + 10), 0xFF0000u);
    EXPECT_TRUE(record(red)->StoreNeeded());
    EXPECT_EQ(record(green)->Bitmap.get(), greenPicture) << "the untouched window is not taken again";
    EXPECT_FALSE(record(green)->StoreNeeded());

    // The file follows the picture last handed to it.
    list->StoreChanged();
    list->FlushStores();
    const auto stored = CaptureImage::loadBMP(record(red)->FileName);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->pixel(rx + 55, ry + 45), 0x0000FFu);
}

// A full-screen window over everything, mapped and unmapped as the switcher's view is: the
// windows under it come into view again, which the server reports as damage although their
// pictures stayed the same.
class Cover {
public:
    explicit Cover(Display* dpy) : dpy_(dpy) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixel = 0x202020;
        window_ = XCreateWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 1280, 1024, 0, CopyFromParent,
                                InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    }
    ~Cover() { XDestroyWindow(dpy_, window_); }
    void show(bool shown) {
        if (shown)
            XMapRaised(dpy_, window_);
        else
            XUnmapWindow(dpy_, window_);
        XSync(dpy_, False);
    }

private:
    Display* dpy_;
    Window window_ = None;
};

TEST_F(PictureChanges, WindowsComingIntoViewAreNotTakenAgainUnlessDrawnIntoMeanwhile) {
    const Window back = start("back", "40,40", "500x400", "FF0000");
    const Window front = start("front", "300,200", "400x300", "00FF00");
    ASSERT_NE(cycle(), 0);
    ASSERT_TRUE(settle());
    Cover cover(desktop.dpy());
    for (int round = 0; round < 3; ++round) {
        cover.show(true);
        cover.show(false);
        XRaiseWindow(desktop.dpy(), desktop.frameOf(round % 2 ? front : back));
        XSync(desktop.dpy(), False);
        EXPECT_EQ(cycle(), 0) << "round " << round << ": nothing was drawn";
    }

    // Drawn into while covered, in the part that stays hidden behind the other window too.
    XRaiseWindow(desktop.dpy(), desktop.frameOf(front));
    cover.show(true);
    const auto [bx, by] = clientOffset(back);
    paint(back, 300, 200, 40, 40, 0x0000FF);
    cover.show(false);
    EXPECT_EQ(cycle(), 1);
    EXPECT_EQ(record(back)->Bitmap->pixel(bx + 310, by + 210), 0x0000FFu);
    EXPECT_EQ(cycle(), 0);
}

TEST_F(PictureChanges, ResizedMinimisedAndVanishingWindows) {
    const Window grows = start("grows", "40,40", "200x120", "FF0000");
    const Window hides = start("hides", "300,300", "220x140", "00FF00");
    pid_t goesPid = 0;
    const Window goes = start("goes", "600,100", "180x100", "0000FF", &goesPid);
    cycle();
    ASSERT_TRUE(settle());
    ASSERT_TRUE(record(grows) && record(hides) && record(goes));

    // Resized: a picture of the frame's new size.
    XResizeWindow(desktop.dpy(), grows, 320, 210);
    XSync(desktop.dpy(), False);
    int fx = 0, fy = 0, fw = 0, fh = 0;
    ASSERT_TRUE(desktop.waitUntil([&] { return desktop.frameRect(grows, fx, fy, fw, fh) && fw > 300; }));
    ASSERT_TRUE(desktop.waitPainted(grows));
    cycle();
    EXPECT_EQ(record(grows)->Bitmap->width(), fw);
    EXPECT_EQ(record(grows)->Bitmap->height(), fh);
    const auto [gx, gy] = clientOffset(grows);
    EXPECT_EQ(record(grows)->Bitmap->pixel(gx + 310, gy + 200), 0xFF0000u) << "the new area is there";

    // Minimised: the last picture stays.
    const CaptureImage* last = record(hides)->Bitmap.get();
    ASSERT_TRUE(desktop.minimize(hides));
    cycle();
    ASSERT_TRUE(record(hides));
    EXPECT_EQ(record(hides)->ShowCmd, scMinimized);
    EXPECT_EQ(record(hides)->Bitmap.get(), last);
    const auto [hx, hy] = clientOffset(hides);
    EXPECT_EQ(record(hides)->Bitmap->pixel(hx + 20, hy + 20), 0x00FF00u);

    // Drawn into, then gone before its picture is taken: the cycle survives it, keeps the old
    // picture for now, and the next cycle drops the record.
    paint(goes, 10, 10, 30, 30, 0xFFFFFF);
    EnumerateWindows(*platform, windows);
    desktop.stop(goesPid);
    ASSERT_TRUE(desktop.waitUntil([&] {
        XWindowAttributes attributes;
        return !XGetWindowAttributes(desktop.dpy(), goes, &attributes);
    }));
    CapturePictures(*platform, windows, *list, false);
    ASSERT_TRUE(record(goes));
    EXPECT_TRUE(record(goes)->Bitmap);
    cycle();
    EXPECT_FALSE(record(goes));
    EXPECT_TRUE(record(grows) && record(hides));
}

} // namespace
} // namespace zorvane
