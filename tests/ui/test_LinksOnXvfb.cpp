// The hover label on a real X server: pointer moves and button presses come from XTest, so the
// window system's own enter, leave and mouse-grab behaviour is what the label sees.
#include "ui/BrevonURLLabel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <gtest/gtest.h>

// Xlib's macros (Bool, Status, ...) clash with Qt's headers, so X comes last.
#include "harness/XHarness.h"
#include <X11/extensions/XTest.h>

namespace zorvane {
namespace {

// Runs the event loop until the condition holds or two seconds pass; answers the condition.
bool WaitFor(const std::function<bool()>& condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

TEST(LinksOnXvfb, PressDragOutAndReleaseOutsideThenClickInside) {
    test::XDesktop::Options options;
    options.width = 640;
    options.height = 480;
    options.windowManager = false;
    test::XDesktop desktop(options);
    ASSERT_TRUE(desktop.ok()) << desktop.reason();
    qputenv("DISPLAY", desktop.display().c_str());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "test_ui_xvfb";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    QWidget window;
    window.setGeometry(40, 40, 300, 120);
    auto* label = new TBrevonURLLabel(&window);
    label->setGeometry(20, 20, 160, 24);
    label->setText("zorvane.org");
    label->SetNormalColor(QColor(0, 0, 128));
    label->SetURL("https://zorvane.org");
    QStringList opened;
    label->OpenUrl = [&](const QString& url) {
        opened << url;
        return true;
    };
    int leaves = 0;
    label->OnMouseLeave = [&](QObject*) { ++leaves; };
    window.show();
    ASSERT_TRUE(WaitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }));

    Display* dpy = desktop.dpy();
    const QPoint inside = label->mapToGlobal(QPoint(80, 12));
    const auto moveTo = [&](QPoint p) {
        XTestFakeMotionEvent(dpy, -1, p.x(), p.y(), 0);
        XFlush(dpy);
    };
    const auto button = [&](bool down) {
        XTestFakeButtonEvent(dpy, 1, down ? True : False, 0);
        XFlush(dpy);
    };
    const QColor navy(0, 0, 128), red(Qt::red), blue(Qt::blue);

    moveTo(inside);
    EXPECT_TRUE(WaitFor([&] { return label->FontColor() == blue; })) << "hover colour";
    button(true);
    EXPECT_TRUE(WaitFor([&] { return label->FontColor() == red; })) << "press colour";
    moveTo(inside + QPoint(250, 150)); // out of the label and out of its window
    EXPECT_TRUE(WaitFor([&] { return leaves == 1; })) << "the leave is seen while the button is held";
    EXPECT_EQ(label->FontColor(), red);
    button(false);
    EXPECT_TRUE(WaitFor([&] { return label->FontColor() == navy; })) << "normal colour after the release";
    EXPECT_TRUE(opened.isEmpty());

    moveTo(inside);
    EXPECT_TRUE(WaitFor([&] { return label->FontColor() == blue; }));
    button(true);
    button(false);
    EXPECT_TRUE(WaitFor([&] { return !opened.isEmpty(); }));
    EXPECT_EQ(opened, QStringList{"https://zorvane.org"});
    EXPECT_EQ(label->FontColor(), blue);
}

} // namespace
} // namespace zorvane
