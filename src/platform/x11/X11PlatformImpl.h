// X11PlatformImpl: the Xlib backend's class, shared by the backend's source files only.
#pragma once

#include "platform/posix/PosixPlatform.h"
#include "platform/x11/X11Stacking.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace zorvane::x11 {

// A window's or pixmap's geometry; nothing when the drawable is gone.
struct Geometry {
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
};

inline std::optional<Geometry> GetGeometry(Display* display, Drawable drawable) {
    Geometry g;
    Window rootReturn = None;
    if (!XGetGeometry(display, drawable, &rootReturn, &g.x, &g.y, &g.width, &g.height, &g.border, &g.depth))
        return std::nullopt;
    return g;
}

struct Atoms {
    Atom netClientListStacking, netClientList, netActiveWindow, netSupportingWmCheck, netWmName;
    Atom netWmState, netWmStateHidden, netWmStateMaxVert, netWmStateMaxHorz, netWmStateSkipTaskbar;
    Atom netWmWindowType, netWmWindowTypeNormal, netWmWindowTypeDialog, netWmPid;
    Atom wmState, wmChangeState, utf8String, xrootpmapId, zorvaneTimestamp;
    Atom zorvaneKeys, zorvaneKeysWindow;
    void intern(Display* display);
};

// A property's raw value; format-32 items are widened to unsigned long as Xlib returns them.
struct Property {
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    std::vector<unsigned char> bytes; // format 8
    std::vector<unsigned long> longs; // format 32
};

// A shared-memory XImage reused across captures. Its segment holds at least minBytes, so a
// cycle settles on one segment sized for its largest window whatever the windows' shapes.
class ShmImage {
public:
    ShmImage(Display* display, Visual* visual, int depth, int width, int height, std::size_t minBytes);
    ~ShmImage();
    ShmImage(const ShmImage&) = delete;
    ShmImage& operator=(const ShmImage&) = delete;
    bool valid() const { return attached_; }
    bool fits(Visual* visual, int depth, int width, int height) const;
    XImage* image() { return image_; }
    std::size_t capacity() const { return capacity_; }
    // Bytes in one row of a width-pixel read, padded as the server pads it.
    int strideFor(int width) const;

private:
    Display* display_;
    Visual* visual_;
    int depth_;
    XShmSegmentInfo segment_{};
    XImage* image_ = nullptr;
    std::size_t capacity_ = 0;
    bool attached_ = false;
};

struct WindowSnapshot;

class X11Platform final : public PosixPlatform {
public:
    static std::unique_ptr<X11Platform> open(const char* displayName, std::string& error);
    ~X11Platform() override;

    // ScreenGeometry, WallpaperSource
    int screenWidth() const override;
    int screenHeight() const override;
    bool windowRect(WindowHandle window, Rect& rect) const override;
    bool windowRegionBox(WindowHandle window, Rect& box) const override;
    WallpaperInfo wallpaperInfo() const override;
    std::vector<Monitor> monitors() const override;
    std::optional<ScreenPoint> pointerPosition() override;

    void enumWindows(const EnumProc& proc) override;
    std::string windowClassName(WindowHandle window) override;
    std::string windowCaption(WindowHandle window) override;
    bool hasOwner(WindowHandle window) override;
    bool isWindowVisible(WindowHandle window) override;
    bool hasOverlappedStyle(WindowHandle window) override;
    bool isWindowEnabled(WindowHandle window) override { return window != 0; }
    int showCommand(WindowHandle window) override;
    bool isOwnWindow(WindowHandle window) override;
    void hideWindow(WindowHandle window) override;

    bool printWindow(WindowHandle window, CaptureImage& image) override;
    bool printWindowArea(WindowHandle window, CaptureImage& image, const Rect& area) override;
    PictureChange takePictureChange(WindowHandle window) override;
    bool anyPictureChanged() override;
    void watchOnly(const std::vector<WindowHandle>& windows) override;
    std::optional<TIconImage> windowIcon(WindowHandle window, int wanted) override;
    bool requestClose(WindowHandle window) override;

    bool restoreWindow(WindowHandle window) override;
    bool minimizeWindow(WindowHandle window) override;
    WindowHandle activeWindow() override;
    bool ForceForegroundWindow(WindowHandle window) override;
    bool waitUntilReleased(WindowHandle ownWindow) override;
    int SetMinimizeAnimation(int) override { return 0; } // X11 has no such global switch
    ViewShowing viewShowing() override;
    bool viewComposited() override;

    int desktopCount() override;
    long currentDesktop() override;
    long windowDesktop(WindowHandle window) override;

    bool isLeftSuperDown() override;
    bool installWinTabGrab(WinTabHandler handler) override;
    void removeWinTabGrab() override;
    bool registerHotKey(std::uint16_t shortcut, HotKeyHandler handler) override;
    void unregisterHotKey() override;
    KeyHolder winTabHolder() override;
    KeyHolder hotKeyHolder() override { return hotKeyHolder_; }
    KeyHolder probeWinTab() override;
    KeyHolder probeHotKey(std::uint16_t shortcut) override;
    bool runningInstanceKeys(PublishedKeys& keys) override;
    bool hotKeyModifiersDown() override;
    bool isHotKeyKey(std::uint32_t scanCode) override;
    std::string windowManagerName() override;

    int connectionFd() const override;
    void processPendingEvents() override;

    void setWallpaperFallback(const std::string& fileName, int style, std::uint32_t desktopColor) override;

    std::string diagnostics() override;

    // Capture through plain XGetImage even when MIT-SHM is there (for comparison and benchmarks).
    void setUseSharedMemory(bool use) { useShm_ = use && hasShm_; }
    std::string sessionDisplayName() const override;

private:
    explicit X11Platform(Display* display);

    // Properties
    std::optional<Property> getProperty(Window window, Atom property, Atom type, long maxLongs) const;
    std::vector<unsigned long> getCardinals(Window window, Atom property, Atom type, long maxItems) const;
    std::vector<Atom> netWmState(Window window) const;
    bool hasNetWmState(Window window, Atom state) const;
    long wmState(Window window) const; // -1 when absent
    bool isIconic(Window window) const;
    // Minimised by the user: _NET_WM_STATE_HIDDEN; WM_STATE Iconic only where the window manager
    // does not announce that state (window managers give a window on another workspace Iconic
    // without HIDDEN).
    bool isMinimised(Window window, const std::vector<Atom>& states) const;
    bool announcesHidden() const;
    // Mapped inside the hidden frame of another workspace without being called iconic (i3 keeps
    // such a window withdrawn): still one of the user's windows.
    bool isAwayOnOtherDesktop(Window window);
    // Takes the user to the window's workspace when it is on another one; false when the window
    // manager did not switch in time.
    bool showDesktopOf(Window window);
    bool isViewable(Window window) const;
    // The window's map state (IsViewable, ...); nothing when it is gone.
    std::optional<int> mapState(Window window) const;
    std::optional<Geometry> frameGeometry(Window frame) const;
    // Reads ahead, in a few waits for the server, what the enumeration asks of the root and of
    // each of these windows; the answers serve until the enumeration ends.
    void readRootAhead();
    void readWindowsAhead(const std::vector<Window>& windows);
    bool exists(Window window) const;
    bool hasWindowManager() const;
    // The primary monitor (else the first) on the desktop, in device pixels.
    Rect primaryMonitor() const;
    // The window manager's frame around a client: its ancestor that is a child of the root.
    Window frameOf(Window client) const;
    Window findClient(Window window, int depth) const;

    bool waitFor(int timeoutMs, const std::function<bool()>& condition);
    Time serverTime();
    void sendNetActiveWindow(Window window, Time time);

    // Redirects every top-level window off screen and waits (bounded) until the windows that
    // this remapped have painted again; false when Composite refuses.
    bool redirectTopLevels();
    // The icon pixmap (and its mask) that WM_HINTS names, as ARGB.
    std::optional<TIconImage> hintsIcon(Window window);
    // Reads width x height pixels at (left, top) of the drawable into the same place of the image.
    bool captureDrawable(Drawable drawable, Visual* visual, int depth, int left, int top, int width,
                         int height, CaptureImage& image);
    // Without Composite: whether a window stacked above the frame overlaps it, so that reading the
    // frame would picture that window instead.
    bool frameIsCovered(Window frame);
    // printWindow and printWindowArea: the whole picture when area is null.
    bool printFrame(Window client, CaptureImage& image, const Rect* area);

    // A watched window: the DAMAGE object on its frame and what changed since its last picture.
    struct Watched {
        Window frame = None; // None: the frame has gone (window manager restarted); found again
        XID damage = None;
        int border = 0;
        unsigned int width = 0;
        unsigned int height = 0;
        bool dirty = false;
        bool whole = false;
        Rect area;
        // Events about changes before this request were cleared and are in the picture taken.
        unsigned long clearedAt = 0;
        // What of the frame showed on the screen after the last change of the stacking, and
        // what the server is about to report as damaged because more of it came into view.
        OwnedRegion shown;
        OwnedRegion uncovered;
        OwnedRegion reported; // the report on its way, rectangle by rectangle
        bool expecting = false;
    };
    // Picture-change events: damage, and the frames' size, mapping, destruction and reparenting.
    void handlePictureEvent(const XEvent& event);
    void handleDamage(const XEvent& event);
    void markDamaged(Watched& watched, const Rect& area, unsigned long serial);
    // After a change of the stacking: which frames came into view, and by how much.
    void noteUncovered(unsigned long serial);
    // The reports that one change of the stacking caused are over.
    void endUncoverRun();
    // False without Composite or DAMAGE: every picture is then taken whole each time.
    bool startWatchingPictures();
    Watched* watchedByFrame(Window frame);

    struct KeyGrab {
        KeyCode keycode = 0;
        unsigned int modifiers = 0;
    };
    unsigned int lockCombination(int index) const;
    unsigned int modifierMaskFor(KeySym keysym) const;
    void grabKeyAllLocks(KeyCode keycode, unsigned int modifiers, int keyboardMode, bool& failed);
    void ungrabKeyAllLocks(KeyCode keycode, unsigned int modifiers);
    // Grabs the combination in every lock state, or (when any part is taken) none of it.
    bool grabWhole(KeyCode keycode, unsigned int modifiers, int keyboardMode);
    // True when another program holds the left Super key by itself.
    bool leftSuperTaken();
    // Super plus each combination of Shift, Ctrl and Alt; the first two are Super and Super+Shift.
    std::vector<unsigned int> winTabModifierSets() const;
    // The custom hot key's keycode and modifiers; false for a code with no key.
    bool hotKeyCombination(std::uint16_t shortcut, KeyCode& keycode, unsigned int& modifiers) const;
    // Tells later checking tools on this display what this program holds.
    void publishKeys();
    void refreshModifiers();
    void keyboardMapChanged();
    void handleKeyPress(XKeyEvent& event);

    Display* display_;
    int screen_;
    Window root_;
    Window helper_ = None; // our own unmapped window, for server timestamps
    Atoms atoms_{};
    bool hasComposite_ = false;
    bool hasShm_ = false;
    bool useShm_ = false;
    bool hasShape_ = false;
    bool hasRandr_ = false;
    bool hasDamage_ = false;
    int damageEvent_ = 0;
    std::unique_ptr<ShmImage> shm_;
    std::unordered_map<Window, Watched> watched_; // by client window
    Stacking stacking_;
    std::unique_ptr<WindowSnapshot> snapshot_; // only while an enumeration runs
    bool uncoverRun_ = false;
    unsigned long uncoverSerial_ = 0;

    unsigned int numLockMask_ = 0;
    unsigned int scrollLockMask_ = 0;
    unsigned int superMask_ = Mod4Mask;
    unsigned int altMask_ = Mod1Mask;

    WinTabHandler winTabHandler_;
    std::vector<KeyCode> tabKeycodes_;
    std::vector<unsigned int> winTabGrabs_; // the modifier sets held with Tab
    KeyHolder winTabHolder_ = KeyHolder::khNobody;
    HotKeyHandler hotKeyHandler_;
    std::vector<KeyGrab> hotKeyGrabs_;
    KeyHolder hotKeyHolder_ = KeyHolder::khNobody;
    std::uint16_t hotKeyCode_ = 0;
    bool publishing_ = false;

    std::string wallpaperFile_;
    int wallpaperStyle_ = 0;
    std::uint32_t desktopColor_ = 0x000000;
    // Until a colour is named, the root's own plain background is read each time.
    bool desktopColorSet_ = false;
};

} // namespace zorvane::x11
