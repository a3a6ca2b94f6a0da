// frmOpenGL: the switcher view's context, frames, show and hide sequence and render ticks.
// Input handling lives in frmOpenGLInput.cpp.
#include "view/frmOpenGL.h"

#include "backgrounds/BackgroundFactory.h"
#include "backgrounds/unitEffectSub.h"
#include "effects/EffectFactory.h"
#include "effects/unitEffect.h"
#include "platform/Platform.h"
#include "view/ViewScale.h"
#include "windows/MonitorScreen.h"
#include "windows/WindowFilter.h"
#include "windows/unitHandleInfos.h"
#include "windows/unitWindowInfos.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QOpenGLContext>

#include <GL/gl.h>
#include <GL/glu.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace zorvane {

namespace {

// Posted by the effects (WM_EFFECTCLOSE) and by invalidate().
const QEvent::Type kEffectCloseEvent = static_cast<QEvent::Type>(QEvent::User + WM_EFFECTCLOSE);
const QEvent::Type kPaintEvent = static_cast<QEvent::Type>(QEvent::User + 1);

// ZORVANE_FAIL_GL=1..4 makes context creation fail at that step, so each report can be checked.
int ForcedContextFailure() {
    const char* value = std::getenv("ZORVANE_FAIL_GL");
    if (!value)
        return 0;
    const int step = std::atoi(value);
    return step >= 1 && step <= 4 ? step : 0;
}

} // namespace

bool TraceEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("ZORVANE_TRACE");
        return value && std::string(value) == "1";
    }();
    return enabled;
}

double MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void Trace(const std::string& what) {
    if (TraceEnabled())
        std::fprintf(stderr, "zorvane-trace %.3f %s\n", MonotonicMilliseconds(), what.c_str());
}

TRenderWorker::TRenderWorker(TOpenGLForm& form) : FForm(form) {}

void TRenderWorker::run() {
    while (!FStop) {
        try {
            QMetaObject::invokeMethod(
                &FForm, [this] { FForm.RenderTick(); }, Qt::BlockingQueuedConnection);
        } catch (...) {
            // A failed tick is dropped; the next one comes a millisecond later.
        }
        QThread::msleep(1);
    }
}

TOpenGLForm::TOpenGLForm(Platform& platform, TOpenGLFormOwner& owner, const Clock& clock)
    : FPlatform(platform), FOwner(owner), FClock(clock), FRandom(std::make_unique<RuntimeRandom>()) {
    setTitle("Zorvane OpenGL");
    setSurfaceType(QSurface::OpenGLSurface);
    // Frameless, above every other window, and no entry in task lists or pagers. Kept ready, it is
    // none of the window manager's business: no frame, no mapping through it.
    FKeepReady = FPlatform.viewShowing() == ViewShowing::vsKeepReady;
    setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
             (FKeepReady ? Qt::BypassWindowManagerHint : Qt::WindowFlags()));
    resize(190, 40);
    FormCreate();
}

TOpenGLForm::~TOpenGLForm() {
    StopWorkerAndWait();
    if (FContextReady && MakeCurrent()) {
        FEffect.reset();
        FDeferredEffects.clear();
        ReleaseTransientDesktop();
        if (FWallpaperTexture.Texture != 0 && glIsTexture(FWallpaperTexture.Texture))
            glDeleteTextures(1, &FWallpaperTexture.Texture);
        FRC->doneCurrent();
    }
}

void TOpenGLForm::ReportContextFailure(const char* text) {
    FContextError = text;
    Trace(std::string("warning ") + text);
    QMessageBox box(QMessageBox::Warning, "Error", text, QMessageBox::Ok);
    box.exec();
}

void TOpenGLForm::FormCreate() {
    FEffect.reset();
    const int forced = ForcedContextFailure();
    // The device context's stand-in: the native window the context draws into.
    create();
    if (forced == 1 || !handle()) {
        ReportContextFailure(kNoDeviceContext);
        return;
    }
    QSurfaceFormat wanted = QSurfaceFormat::defaultFormat();
    if (forced == 2 || !supportsOpenGL()) {
        ReportContextFailure(kNoPixelFormat);
        return;
    }
    FRC = std::make_unique<QOpenGLContext>();
    FRC->setFormat(wanted);
    if (forced == 3 || !FRC->create()) {
        FRC.reset();
        ReportContextFailure(kNoRenderingContext);
        return;
    }
    if (forced == 4 || !FRC->makeCurrent(this)) {
        ReportContextFailure(kNoCurrentContext);
        FRC.reset();
        return;
    }
    FContextReady = true;
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    FormResize();
}

bool TOpenGLForm::MakeCurrent() {
    if (!FContextReady)
        return false;
    if (QOpenGLContext::currentContext() == FRC.get())
        return true;
    return FRC->makeCurrent(this);
}

void TOpenGLForm::FormResize() {
    if (!MakeCurrent())
        return;
    const QSize device = DeviceSize(size(), devicePixelRatio());
    glViewport(0, 0, device.width(), device.height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Aspect 1.0, not width / height: the scene is stretched to the screen, which is what makes
    // -0.5 .. +0.5 span the screen in both directions.
    gluPerspective(45.0, 1.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    invalidate();
}

void TOpenGLForm::resizeEvent(QResizeEvent*) {
    FormResize();
}

void TOpenGLForm::exposeEvent(QExposeEvent*) {
    // One frame for any number of exposures in a row (mapping, placing, raising): a full-screen
    // frame in software costs tens of milliseconds, and the opening waits for it.
    if (isExposed()) {
        ++FExposures;
        FEverExposed = true;
        Trace("exposed");
        invalidate();
    }
}

void TOpenGLForm::Paint() {
    FPaintPending = false;
    // Before the opening's first step nothing is drawn: that step is the first frame seen, and a
    // full-screen frame in software costs as much as the whole way to it.
    if (FOpeningPending == 1 && FEffect && FEffect->FState == esIdle)
        return;
    if (!CanDraw() || !MakeCurrent())
        return;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    if (FEffect) {
        EffectCall call(*this);
        TEffect& effect = *FEffect;
        try {
            effect.Draw();
        } catch (...) {
            // A frame that cannot be drawn stays black; the view can still be closed.
        }
        DrawFilterOverlay();
        if (!FFirstFrameTraced && effect.FState == esOpening) {
            FFirstFrameTraced = true;
            glFinish();
            Trace("first-frame");
        }
    }
    FRC->swapBuffers(this);
    PlaceAfterFirstFrame();
    if (FStorePending && FFirstFrameTraced) {
        Trace("handed-first-frame");
        FStorePending = false;
        FOwner.WindowInfos().StoreChanged();
        FOwner.WindowInfos().ReleasePictures();
    }
}

bool TOpenGLForm::event(QEvent* event) {
    if (event->type() == kEffectCloseEvent) {
        SetActive(false);
        return true;
    }
    if (event->type() == kPaintEvent) {
        if (FPaintPending)
            Paint();
        return true;
    }
    if (event->type() == QEvent::UpdateRequest) {
        Paint();
        return true;
    }
    return QWindow::event(event);
}

void TOpenGLForm::invalidate() {
    if (FPaintPending)
        return;
    FPaintPending = true;
    QCoreApplication::postEvent(this, new QEvent(kPaintEvent));
}

void TOpenGLForm::processMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // An effect's Redraw relies on the repaint having happened when this returns.
    if (FPaintPending)
        Paint();
}

void TOpenGLForm::postEffectClose() {
    QCoreApplication::postEvent(this, new QEvent(kEffectCloseEvent));
}

void TOpenGLForm::sleep(int milliseconds) {
    if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int TOpenGLForm::screenWidth() const {
    return FMonitor.empty() ? FPlatform.screenWidth() : FMonitor.width();
}
int TOpenGLForm::screenHeight() const {
    return FMonitor.empty() ? FPlatform.screenHeight() : FMonitor.height();
}

void TOpenGLForm::OnShow() {
    if (FPreparing)
        return;
    MakeCurrent();
    FFirstFrameTraced = false;
    TWindowInfos& infos = FOwner.WindowInfos();
    infos.PrepareForShowing();
    ReleaseUnusedTextures();
    // Textures are kept between showings: this uploads only what changed since the last one. Home
    // places are relative to this showing's monitor.
    const TMonitorScreen screen(FPlatform, FPlatform, FMonitor);
    for (int i = 0; i < infos.Count(); ++i) {
        TWindowInfo& info = infos.Items(i);
        try {
            info.BuildTexture(screen);
        } catch (...) {
            // The picture shows as an empty texture.
        }
    }
    FStorePending = true;
    Trace("textures-done");
    const ViewSettings settings = FOwner.ReadViewSettings();
    FLivePictures = settings.LivePictures && FPlatform.picturesWhileShowing();
    FWheelSteps.Reset();
    const int type = settings.FlipEffectType & 0xFF;
    BuildEffects(static_cast<std::int8_t>(type == 1 ? 1 : type == 2 ? 2 : 0));
    OpenTitles(settings);

    // A worker left from the previous showing must finish before the next one starts.
    while (JvThread && !JvThread->isFinished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        JvThread->Stop();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    FOpeningPending = 1;
    JvThread = std::make_unique<TRenderWorker>(*this);
    JvThread->start();
}

void TOpenGLForm::BuildEffects(std::int8_t kind) {
    if (FEffect) {
        if (FEffectDepth > 0)
            FDeferredEffects.push_back(std::move(FEffect));
        else
            FEffect.reset();
    }
    if (kind < 0) {
        if (FDeferredEffects.empty())
            ReleaseTransientDesktop();
        return;
    }
    MakeCurrent();
    const ViewSettings settings = FOwner.ReadViewSettings();
    try {
        FEffect = CreateEffect(kind, *this, settings.FlipEffectOption, FOwner.WindowInfos());
    } catch (...) {
        FEffect.reset();
        return;
    }
    if (!FEffect)
        return;

    const int backType = settings.BackEffectType & 0x7F;
    Trace("effects " + std::to_string(static_cast<int>(kind)) + " " + std::to_string(backType));
    BackgroundContext context;
    context.clock = &FClock;
    context.random = FRandom.get();
    TEffect* effect = FEffect.get();
    context.effectState = [effect] { return static_cast<int>(effect->FState); };
    if (backType == 0)
        context.desktopTexture = DesktopTextureForShowing();
    try {
        FEffect->FBackground = CreateBackground(backType, settings.BackEffectOption, context);
    } catch (...) {
        // A background that cannot be made is left out; the windows still show.
        FEffect->FBackground.reset();
    }
}

void TOpenGLForm::ReleaseDeferredEffects() {
    if (FDeferredEffects.empty())
        return;
    MakeCurrent();
    FDeferredEffects.clear();
    if (!FEffect)
        ReleaseTransientDesktop();
}

void TOpenGLForm::OnHide() {
    if (FPreparing)
        return;
    if (JvThread)
        JvThread->Stop();
    if (FEffect) {
        EffectCall call(*this);
        TEffect& effect = *FEffect;
        try {
            effect.EndAnimation();
        } catch (...) {
        }
        const int selected = effect.FSelectedIndex;
        // Gone from the screen before the pick is activated: a window manager that sees the
        // view's unmap afterwards would give the focus back to the window that had it before.
        ReleaseWindow();
        for (int attempt = 1; attempt <= 11; ++attempt) {
            try {
                FOwner.ActivateWindow(selected);
                break;
            } catch (...) {
                QCoreApplication::processEvents(QEventLoop::AllEvents);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
    }
    BuildEffects(-1);
    CloseTitles(); // every record back in the list before its picture is stored
    // The textures stay for the next showing; the files now hold what was shown.
    // Pictures taken while the view showed go to their files too.
    FStorePending = false;
    FOwner.WindowInfos().StoreChanged();
    FOwner.WindowInfos().ReleasePictures();
}

void TOpenGLForm::ReleaseUnusedTextures() {
    std::vector<std::uint32_t> unused = FOwner.WindowInfos().TakeUnusedTextures();
    if (unused.empty() || !MakeCurrent())
        return;
    glDeleteTextures(static_cast<GLsizei>(unused.size()), unused.data());
}

bool TOpenGLForm::WorkerStopped() const {
    return !JvThread || JvThread->StopRequested() || JvThread->isFinished();
}

void TOpenGLForm::StopWorkerAndWait() {
    if (!JvThread)
        return;
    JvThread->Stop();
    // The worker may be blocked in its hand-over: keep running handed-over calls until it ends.
    while (!JvThread->wait(1))
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    JvThread.reset();
}

void TOpenGLForm::RenderTick() {
    try {
        Tick();
    } catch (...) {
        // Dropped: a tick that failed leaves the view as it was.
    }
}

bool TOpenGLForm::ReadyForOpening() {
    // Drawn before the window is mapped and exposed, the opening's first frames would go to
    // nothing; a window manager that never exposes it gets the opening after a while anyway.
    constexpr double kExposeWaitMs = 500;
    const double now = MonotonicMilliseconds();
    if (now - FShownAt > kExposeWaitMs)
        return true;
    // A kept-ready view that was exposed once draws at once: its window is in place (or, under a
    // compositing manager, drawn into before it is moved in).
    if (FPlatform.canPlaceWindows())
        return isExposed() || (FKeepReady && FEverExposed);
    // A compositor that places the view itself (sway) gives it its full-screen size only after a
    // first frame, and shows it only with a frame of that size: a cleared frame goes first, and the
    // opening's first step waits for the exposure of the placed view (bounded, in case that came
    // before the cleared frame).
    constexpr double kPlacingWaitMs = 120;
    if (!isExposed())
        return false;
    if (FPlaceholderAt == 0) {
        DrawPlaceholder();
        FPlaceholderAt = now;
        FExposuresAtPlaceholder = FExposures;
        return false;
    }
    return FExposures > FExposuresAtPlaceholder || now - FPlaceholderAt > kPlacingWaitMs;
}

void TOpenGLForm::DrawPlaceholder() {
    if (!MakeCurrent())
        return;
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    FRC->swapBuffers(this);
    Trace("placeholder-frame");
}

void TOpenGLForm::Tick() {
    if (!IsActive())
        return;
    // Pictures changed since the capture are taken from the opening's first step on.
    if (FLivePictures && FEffect && FOpeningPending == 0 && MakeCurrent() &&
        RefreshChangedPictures(FPlatform, FOwner.WindowInfos()) > 0)
        invalidate();
    if (!FEffect) {
        // No effect could be built: the view still closes when the Win key is let go.
        if (!FPinned && !FClosing && !HeldKeysDown())
            SetActive(false);
        return;
    }
    if (FOpeningPending == 1 && FEffect->FState == esIdle) {
        if (!ReadyForOpening())
            return;
        // What came meanwhile runs while the opening is still pending: a frame asked for before it
        // (the viewport set at showing, an exposure) draws nothing, and the first tick is stamped
        // after this work, so that first tick to first frame is the frame's own drawing.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (!FEffect || !IsActive() || FEffect->FState != esIdle)
            return;
        FOpeningPending = 0;
        Trace("first-tick");
        raise();
        // The grab at SetActive fails when the window was not mapped yet; by now it is.
        TakeKeys();
        {
            EffectCall call(*this);
            TEffect& effect = *FEffect;
            try {
                effect.StartAnimation();
            } catch (...) {
            }
        }
        // The opening's last frames belong to the opening; the titles show from the first idle one.
        if (FEffect && IsActive() && FShowTitles && FEffect->FState == esIdle) {
            invalidate();
            Paint();
        }
        Trace("opening-done");
        if (IsActive()) {
            raise();
            TakeKeys();
        }
        return;
    }
    if (FKeepReady && !FKeyboardGrabbed)
        TakeKeys();
    // Let go during a step, the view closes once the step is done, on the window it went to.
    if (!HeldKeysDown() && !FEffect->FStayOpen && FEffect->FState != esNavigating) {
        SetActive(false);
        return;
    }
    ServicePendingInput();
    CheckClosingWindows();
    if (!FEffect || !IsActive())
        return;
    const bool animated = FEffect->FAnimated || (FEffect->FBackground && FEffect->FBackground->FAnimated);
    if (FEffect->FState == esIdle && animated)
        invalidate();
}

void TOpenGLForm::EffectSelectNext() {
    if (!FEffect)
        return;
    {
        EffectCall call(*this);
        TEffect& effect = *FEffect;
        effect.SelectNext();
    }
    Trace("select-done next");
    CloseIfPending();
}

void TOpenGLForm::EffectSelectPrevious() {
    if (!FEffect)
        return;
    {
        EffectCall call(*this);
        TEffect& effect = *FEffect;
        effect.SelectPrevious();
    }
    Trace("select-done previous");
    CloseIfPending();
}

void TOpenGLForm::CloseIfPending() {
    if (!FClosePending || (FEffect && FEffect->FState == esNavigating))
        return;
    FClosePending = false;
    if (IsActive())
        SetActive(false);
}

} // namespace zorvane
