// The view's own window on a real Xvfb, over an in-memory desktop whose picture checks fail: a
// tick that raises is dropped where ticks run (the user-interface thread), and the view still
// opens, animates and closes.
// gtest and Qt first: Xlib's macros (None, Bool, Status, ...) must not reach their headers.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSurfaceFormat>

#include "FakePlatform.h"
#include "core/Clock.h"
#include "effects/unitEffect.h"
#include "view/frmOpenGL.h"
#include "windows/unitWindowInfos.h"

#include "harness/XHarness.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <unistd.h>

namespace zorvane::test {
namespace {

// Every check for changed pictures fails, as a lost connection or a broken picture would.
class FailingPicturesPlatform : public FakePlatform {
public:
    bool anyPictureChanged() override {
        ++checks;
        throw std::runtime_error("the picture check failed");
    }
    int checks = 0;
};

class Owner : public TOpenGLFormOwner {
public:
    Owner(const ScreenGeometry& screen, const std::string& folder, const Clock& clock)
        : infos(screen, folder, clock) {}
    TWindowInfos& WindowInfos() override { return infos; }
    ViewSettings ReadViewSettings() override { return ViewSettings{}; }
    void ActivateWindow(int) override {}
    TWindowInfos infos;
};

std::unique_ptr<CaptureImage> Picture(std::uint32_t rgb) {
    auto picture = std::make_unique<CaptureImage>(320, 200);
    picture->fill(rgb);
    return picture;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

TEST(ViewTicks, ATickThatRaisesIsDroppedAndTheViewStillOpensAndCloses) {
    XDesktop desktop{XDesktop::Options{800, 600, true}};
    ASSERT_TRUE(desktop.ok()) << desktop.reason();
    setenv("DISPLAY", desktop.display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setSwapInterval(0);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
    int argc = 1;
    char name[] = "test_view_ticks";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    std::string folder = (std::filesystem::temp_directory_path() / "zv-ticks-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    FailingPicturesPlatform platform;
    for (WindowHandle handle : {WindowHandle{1}, WindowHandle{2}}) {
        FakeWindow window;
        window.handle = handle;
        window.rect = Rect{40 * static_cast<int>(handle), 40, 40 * static_cast<int>(handle) + 320, 240};
        platform.windows.push_back(window);
    }
    ManualClock clock;
    {
        Owner owner(platform, folder + "/~ZRVN/", clock);
        owner.infos.Add(1, "App", "One", scNormal, Picture(0xC03030));
        owner.infos.Add(2, "App", "Two", scNormal, Picture(0x3050C0));
        TOpenGLForm form(platform, owner, clock);
        ASSERT_TRUE(form.HasContext()) << form.ContextError();

        form.ShowPinned();
        ASSERT_TRUE(form.IsActive());
        // Live pictures are on by default, so every tick checks, and every check raises.
        ASSERT_TRUE(WaitUntil([&] { return platform.checks > 20; })) << platform.checks;
        ASSERT_TRUE(WaitUntil([&] { return form.Effect() && form.Effect()->FState == esIdle; }));
        form.EffectSelectNext();
        ASSERT_TRUE(WaitUntil([&] { return form.Effect() && form.Effect()->FState == esIdle; }));
        form.SetActive(false);
        EXPECT_TRUE(WaitUntil([&] { return !form.IsActive() && form.CanOpen(); }));
        // And it opens again.
        form.ShowPinned();
        const int checks = platform.checks;
        EXPECT_TRUE(WaitUntil([&] { return platform.checks > checks + 20; }));
        form.SetActive(false);
        EXPECT_TRUE(WaitUntil([&] { return !form.IsActive(); }));
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

} // namespace
} // namespace zorvane::test
