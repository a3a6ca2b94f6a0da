// frmOpenGL: the full-screen switcher view — its OpenGL context and projection, the paint and input
// handling, the show and hide sequence, and the render worker that paces it. It is the effects' host.
#pragma once

#include "core/WheelSteps.h"
#include "effects/EffectHost.h"
#include "platform/PlatformTypes.h"
#include "view/Textures.h"

#include <QThread>
#include <QWindow>

#include <QImage>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

class QOpenGLContext;

namespace zorvane {

class Clock;
class Platform;
class RuntimeRandom;
class TEffect;
class TWindowFilter;
class TWindowInfo;
class TWindowInfos;

// A texture the view made for text over the scene; deleted with the object (context current).
class TViewTexture {
public:
    TViewTexture() = default;
    explicit TViewTexture(const QImage& rgba); // RGBA8888, rows top first
    ~TViewTexture();
    TViewTexture(TViewTexture&& other) noexcept;
    TViewTexture& operator=(TViewTexture&& other) noexcept;
    TViewTexture(const TViewTexture&) = delete;
    TViewTexture& operator=(const TViewTexture&) = delete;
    TTitleImage Image() const { return {Name, Width, Height}; }

    std::uint32_t Name = 0;
    int Width = 0;
    int Height = 0;
};

// The four stored values the view reads afresh at every opening.
struct ViewSettings {
    int FlipEffectType = 0;
    std::string FlipEffectOption = "0,-1,-1,0,-1";
    int BackEffectType = 0;
    std::string BackEffectOption = ",0,20";
    // Windows that repaint while the view shows are shown repainting.
    bool LivePictures = true;
    bool ShowTitles = true; // the windows' titles and icons under their pictures
    int Monitor = 0;        // where the view opens (TMonitorChoice): the pointer's monitor, or the primary
};

// What the view needs of the main form.
class TOpenGLFormOwner {
public:
    virtual ~TOpenGLFormOwner() = default;
    virtual TWindowInfos& WindowInfos() = 0;
    virtual ViewSettings ReadViewSettings() = 0;
    // Activates the window at that index of the list. May throw; the view retries.
    virtual void ActivateWindow(int index) = 0;
    // A text of the view in the current language (the language files' [Message] section).
    virtual std::string ViewMessage(const std::string& name, const std::string& fallback) {
        (void)name;
        return fallback;
    }
};

// The render worker: hands RenderTick to the user-interface thread, waits for it to run there,
// sleeps 1 ms, and starts over until told to stop. It touches neither OpenGL nor the effect.
class TRenderWorker : public QThread {
    Q_OBJECT
public:
    explicit TRenderWorker(class TOpenGLForm& form);
    void Stop() { FStop = true; }
    bool StopRequested() const { return FStop; }

protected:
    void run() override;

private:
    TOpenGLForm& FForm;
    std::atomic<bool> FStop{false};
};

// The keys whose release closes an unpinned view: the left Super key (Super+Tab), or the custom hot
// key's modifiers when that is held like Super+Tab.
enum class THeldKeys { hkLeftSuper, hkHotKeyModifiers };

class TOpenGLForm : public QWindow, public EffectHost {
    Q_OBJECT
public:
    // The context failures, each reported once by its own text.
    static constexpr const char* kNoDeviceContext = "Can't Create A GL Device Context!";
    static constexpr const char* kNoPixelFormat = "Can't Find A Suitable PixelFormat!";
    static constexpr const char* kNoRenderingContext = "Can't Create A GL Rendering Context!";
    static constexpr const char* kNoCurrentContext = "Can't Activate The GL Rendering Context!";

    // FormCreate: creates the context (a failure shows one warning box and leaves the view
    // without a context; it still opens and closes).
    TOpenGLForm(Platform& platform, TOpenGLFormOwner& owner, const Clock& clock);
    ~TOpenGLForm() override;

    bool IsActive() const;
    void SetActive(bool value);
    void Prepare();
    void ShowPinned();
    // Opens unpinned, closing when these keys are let go (SetActive(true) holds the left Super key).
    void ShowHeld(THeldKeys keys);
    bool HeldByHotKey() const { return FHeldKeys == THeldKeys::hkHotKeyModifiers; }
    // True when an opening may start now: inactive, not closing, no effect still unwinding.
    bool CanOpen() const;
    // The worker component's stop query: no worker, or every worker told to stop.
    bool WorkerStopped() const;

    // Effect access for the main form, guarded against a close from inside the call.
    TEffect* Effect() const { return FEffect.get(); }
    void EffectSelectNext();
    void EffectSelectPrevious();

    TTextureInfo& WallpaperTexture() { return FWallpaperTexture; }
    // The main form's rebuild after the options dialog (BackEffectType 0: rebuild, else release).
    void RefreshWallpaperCache(bool noneBackground);
    bool HasContext() const { return FContextReady; }
    // The text of the context failure, empty when the context works.
    const std::string& ContextError() const { return FContextError; }

    // EffectHost
    void invalidate() override;
    void processMessages() override;
    void postEffectClose() override;
    void sleep(int milliseconds) override;
    int screenWidth() const override;
    int screenHeight() const override;
    bool showTitles() const override { return FShowTitles; }
    TTitleImage titleImage(const TWindowInfo& window, int maxWidth, bool highlighted) override;

    // The typed filter's text ("" when none) and whether it matches no window, for tests.
    std::string FilterText() const;

    // Runs on the user-interface thread on behalf of the worker. Whatever one tick raises is
    // caught and dropped there; the next tick comes a millisecond later.
    void RenderTick();
    // Deletes the textures of records that have left the list (their windows have gone).
    void ReleaseUnusedTextures();

protected:
    bool event(QEvent* event) override;
    void exposeEvent(QExposeEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Typing to filter, Backspace, Esc with a filter, Delete: true when the key was used.
    bool FilterKeyPress(QKeyEvent* event);
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Counts effect operations on the stack, so that a close from inside one of them defers the
    // effect's destruction until the outermost one has returned.
    class EffectCall {
    public:
        explicit EffectCall(TOpenGLForm& form) : form_(form) { ++form_.FEffectDepth; }
        ~EffectCall() {
            if (--form_.FEffectDepth == 0)
                form_.ReleaseDeferredEffects();
        }
        EffectCall(const EffectCall&) = delete;
        EffectCall& operator=(const EffectCall&) = delete;

    private:
        TOpenGLForm& form_;
    };

    void FormCreate();
    void Tick();
    // Opening: whether the window has been mapped and exposed (or waited for long enough).
    bool ReadyForOpening();
    // A cleared frame: what a view placed by the window system answers its first placing with.
    void DrawPlaceholder();
    void FormResize();
    void Paint();
    void OnShow();
    void OnHide();
    void BuildEffects(std::int8_t kind);
    void ReportContextFailure(const char* text);
    void StopWorkerAndWait();
    void ReleaseTransientDesktop();
    // The monitor (frmOpenGLScreen.cpp): chosen as the view opens, the view placed over it, and the
    // None background's desktop texture of that monitor.
    Rect ChooseViewMonitor(const ViewSettings& settings);
    void PlaceOnMonitor();
    void BuildWallpaperCache();
    TTextureInfo DesktopTextureForShowing();
    void ReleaseDeferredEffects();
    // Hides the view and waits (bounded) until the window manager has let go of it.
    void ReleaseWindow();
    // Showing and hiding the window (frmOpenGLShowing.cpp), by the platform's ViewShowing.
    void ShowView();
    void HideView();
    // A kept-ready view off every monitor, at the size of this showing's monitor, and shown.
    void ParkView();
    // The keyboard for the view (and the focus, for a view shown and hidden at each showing).
    void TakeKeys();
    // A kept-ready view under a compositing manager comes onto its monitor once its first frame is in.
    void PlaceAfterFirstFrame();
    // Whether a frame drawn now reaches the view's window.
    bool CanDraw() const;
    bool HeldKeysDown() const;
    bool MakeCurrent();

    // Titles, the filter and closing windows (frmOpenGLTitles.cpp).
    void OpenTitles(const ViewSettings& settings);
    void CloseTitles();
    void DrawFilterOverlay();
    void SetFilterText(const std::string& text);
    void ApplyFilterText(const std::string& text);
    // Asks the window to close; its picture leaves once the window has gone.
    void RequestCloseOf(std::uint64_t handle);
    void AskToClose(std::uint64_t handle);
    // Typing and close requests that came while the effect was moving, applied once it is idle.
    void ServicePendingInput();
    void CheckClosingWindows();
    void RemoveClosedWindow(const TWindowInfo* record);
    std::vector<const TWindowInfo*> ListSnapshot() const;

    Platform& FPlatform;
    TOpenGLFormOwner& FOwner;
    const Clock& FClock;
    std::unique_ptr<RuntimeRandom> FRandom;

    bool FPreparing = false;
    // ViewShowing::vsKeepReady: the window stays shown, and FShowing says whether it is on its monitor.
    bool FKeepReady = false;
    bool FShowing = false;
    bool FEverExposed = false;
    bool FPlaceAfterFirstFrame = false;
    bool FKeyboardGrabbed = false;
    std::unique_ptr<QOpenGLContext> FRC;
    bool FContextReady = false;
    std::string FContextError;
    std::unique_ptr<TEffect> FEffect;
    TTextureInfo FWallpaperTexture;
    // A desktop texture built for one showing because the cache was stale; released afterwards.
    TTextureInfo FTransientDesktop;
    // The monitor of this showing, and the one the cached desktop texture shows.
    Rect FMonitor;
    std::string FMonitorName;
    Rect FWallpaperMonitor;
    // Wheel turns in eighths of a degree, added up into steps of one notch.
    TWheelSteps FWheelSteps;
    std::unique_ptr<TRenderWorker> JvThread;
    int FOpeningPending = 0; // the worker component's Tag

    // Re-entrancy: effect operations running on the stack, effects closed meanwhile, a close in
    // progress, and whether the view was opened pinned (kept for when no effect could be built).
    int FEffectDepth = 0;
    std::vector<std::unique_ptr<TEffect>> FDeferredEffects;
    bool FClosing = false;
    bool FPinned = false;
    THeldKeys FHeldKeys = THeldKeys::hkLeftSuper;
    // Where the keyboard's state cannot be read (Wayland): whether the Super key is still down, as
    // the view's own key events tell. Down until told otherwise: it was held to open the view.
    bool FSuperHeld = true;
    // Enter or Esc came while a step was moving the selection: the view closes once it is done,
    // on the window the step went to.
    bool FClosePending = false;
    void CloseIfPending();
    bool FPaintPending = false;
    bool FFirstFrameTraced = false;
    // The stored files are written once the opening's first frame is on the screen.
    bool FStorePending = false;
    bool FLivePictures = true;
    double FShownAt = 0;
    // Where the window system places the view: exposures seen, and when the placeholder went out
    // (0: not yet this showing) with the exposures seen by then.
    int FExposures = 0;
    double FPlaceholderAt = 0;
    int FExposuresAtPlaceholder = 0;

    // Titles and icons of this showing: plates by (window, title, width, highlight), icons by window.
    bool FShowTitles = false;
    std::map<std::tuple<std::uint64_t, std::string, int, bool>, TViewTexture> FTitleTextures;
    std::map<std::uint64_t, QImage> FIcons;
    // The typed filter and its plate at the top of the screen; windows asked to close, with the
    // time (ms) after which one that is still there is taken to have refused.
    std::unique_ptr<TWindowFilter> FFilter;
    TViewTexture FFilterPlate;
    bool FFilterPlateStale = false;
    std::vector<std::pair<std::uint64_t, double>> FClosingWindows;
    double FNextCloseCheck = 0;
    std::optional<std::string> FPendingFilter;
    std::vector<std::uint64_t> FPendingCloses;
};

// True when ZORVANE_TRACE=1: the view then writes one line per milestone to stderr, with a
// monotonic time stamp in milliseconds ("zorvane-trace <ms> first-frame").
bool TraceEnabled();
void Trace(const std::string& what);
double MonotonicMilliseconds();

} // namespace zorvane
