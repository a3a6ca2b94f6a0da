// Platform: everything the switcher needs from the window system, stated at the level of the
// switcher itself (enumerate, query, print and activate windows; keys; desktop; paths). No
// window-system type crosses this interface; each backend lives in a folder of its own under
// platform/.
#pragma once

#include "image/CaptureImage.h"
#include "image/NetWmIcon.h"
#include "platform/PlatformTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zorvane {

// Show commands as a window's placement reports them.
enum ShowCommand : int { scNormal = 1, scMinimized = 2, scMaximized = 3 };

// What changed in a window's picture since its previous picture was taken.
struct PictureChange {
    bool changed = true; // false: the previous picture still shows the window as it is
    bool whole = true;   // all of it (first look, resize, unknown); else only `area`
    Rect area;           // picture coordinates, when not whole
};

// Held while this process is the one running instance; released when destroyed (and by the
// kernel when the process ends).
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
};

// Who holds a key combination this program wants.
enum class KeyHolder : int {
    khNobody,         // nobody: it is free (and not ours either)
    khOurs,           // this program
    khOtherProgram,   // another program grabbed the combination
    khLeftSuperAlone, // another program grabbed the left Super key by itself, so Tab never comes with it
};

// How the switcher's view comes onto the screen and leaves it.
enum class ViewShowing : int {
    // Shown and hidden through the window system at each showing; the first frame waits until the
    // view is exposed.
    vsShowHide,
    // Kept shown, outside the window manager's care (no frame, not in its lists), off every monitor
    // while not showing: a showing moves it onto its monitor and draws. The keyboard comes with an
    // explicit grab; the focus stays where it was until the picked window gets it.
    vsKeepReady,
};

// What a running Zorvane on this display says about its own keys.
struct PublishedKeys {
    bool winTabOurs = false;
    std::uint16_t hotKey = 0; // the custom hot key it holds, 0 for none
};

class Platform : public ScreenGeometry, public WallpaperSource {
public:
    // Called for each top-level window, top of the stacking order first; returns false to stop.
    using EnumProc = std::function<bool(WindowHandle)>;
    // Win+Tab: the Tab press seen while the left Super key is held; the flag tells whether Shift
    // was down with it.
    using WinTabHandler = std::function<void(bool shiftDown)>;
    using HotKeyHandler = std::function<void()>;

    // --- Enumeration and per-window queries. A window that has gone fails its query quietly:
    // empty texts, false, or an empty rectangle.
    virtual void enumWindows(const EnumProc& proc) = 0;
    // The window's class, at most 79 characters (never cut inside a UTF-8 sequence).
    virtual std::string windowClassName(WindowHandle window) = 0;
    // The window's title (UTF-8), at most 79 characters.
    virtual std::string windowCaption(WindowHandle window) = 0;
    // True when the window is transient for (owned by) another window.
    virtual bool hasOwner(WindowHandle window) = 0;
    // Shown on the desktop, or minimised (a minimised window still counts as visible).
    virtual bool isWindowVisible(WindowHandle window) = 0;
    // A normal application window or dialog that a task list would show.
    virtual bool hasOverlappedStyle(WindowHandle window) = 0;
    virtual bool isWindowEnabled(WindowHandle window) = 0;
    // scNormal, scMinimized or scMaximized; scNormal for a window that has gone.
    virtual int showCommand(WindowHandle window) = 0;
    // True when the window belongs to this process (the switcher never offers itself).
    virtual bool isOwnWindow(WindowHandle window) = 0;
    // Takes the window off the screen (used only for stray helper windows).
    virtual void hideWindow(WindowHandle window) = 0;

    // The window's application icon: the picture nearest `wanted` pixels of the icon list it
    // publishes, else its icon pixmap; nothing when it has neither (or has gone).
    virtual std::optional<TIconImage> windowIcon(WindowHandle window, int wanted) = 0;
    // The name of the window's icon in the desktop's icon theme, for a window system that names
    // icons instead of handing their pictures over; empty when there is none.
    virtual std::string windowIconName(WindowHandle window) {
        (void)window;
        return {};
    }
    // Asks the window to close, as its close button would (the window manager's close request,
    // else the window's own delete protocol); the program may still refuse. Never kills it.
    // False when the window cannot be asked at all.
    virtual bool requestClose(WindowHandle window) = 0;

    // --- Pictures. Prints the window, decorations included, into the image from its top-left
    // corner; parts the window does not cover stay black. False when the window has no picture
    // now (gone, unmapped, or printing unavailable).
    virtual bool printWindow(WindowHandle window, CaptureImage& image) = 0;
    // Prints only `area` (picture coordinates) of the window into the same place of the image.
    virtual bool printWindowArea(WindowHandle window, CaptureImage& image, const Rect& area) {
        (void)area;
        return printWindow(window, image);
    }

    // --- Picture changes. Call before taking a picture: answers what changed since the last
    // call for that window and starts over from now, so nothing drawn after the answer is missed.
    // A window seen for the first time starts being watched and answers "all of it".
    virtual PictureChange takePictureChange(WindowHandle window) {
        (void)window;
        return {};
    }
    // False where pictures cannot be taken while the view shows (they are copied from the screen
    // the view covers): live pictures are then left off.
    virtual bool picturesWhileShowing() const { return true; }
    // True when a watched window changed since its last takePictureChange (no server round trip).
    virtual bool anyPictureChanged() { return false; }
    // Stops watching every window not among `windows`.
    virtual void watchOnly(const std::vector<WindowHandle>& windows) { (void)windows; }

    // --- Activation. Each waits a bounded time for the window manager; the result tells
    // whether the window reached the wanted state.
    virtual bool restoreWindow(WindowHandle window) = 0;
    virtual bool minimizeWindow(WindowHandle window) = 0;
    // The active window, or 0.
    virtual WindowHandle activeWindow() = 0;
    // Restores, raises and focuses the window, on its own workspace (the user is taken there
    // first); true when it is the active window at the end.
    virtual bool ForceForegroundWindow(WindowHandle window) = 0;
    // Waits (bounded) until one of this program's own windows, just hidden, is unmapped and the
    // window manager has let go of it, so that it does not hand the focus back to the window that
    // had it before once the next window is activated. False when the wait ran out.
    virtual bool waitUntilReleased(WindowHandle ownWindow) = 0;
    // --- The view's window.
    virtual ViewShowing viewShowing() { return ViewShowing::vsShowHide; }
    // True when the view's picture reaches the screen rather than its drawing (a compositing manager
    // draws it, or it is redirected with every other window): a kept-ready view then gets its first
    // frame before it is moved onto its monitor, so that no frame of the last showing shows there.
    virtual bool viewComposited() { return false; }
    // The system's minimise and restore animation switch; returns the previous value.
    virtual int SetMinimizeAnimation(int value) = 0;

    // --- Workspaces (the window manager's desktops, counted from 0). Where no window manager
    // says: no workspaces, no current one, and every window on none in particular (-1), so that
    // every window counts as being on the current workspace.
    static constexpr long kAllDesktops = 0xFFFFFFFF; // a window shown on every workspace (sticky)
    virtual int desktopCount() { return 0; }
    virtual long currentDesktop() { return -1; }
    virtual long windowDesktop(WindowHandle window) {
        (void)window;
        return -1;
    }

    // --- Keys.
    // True when the keyboard's state can be read while another program has the focus. Where it
    // cannot, the view keeps the state of the keys it holds from its own key events.
    virtual bool readsKeyboardState() const { return true; }
    // True where a key caught for this program (handler called) also runs a bound command, such as
    // `zorvane --wintab`, whose message to the running instance then arrives as well.
    virtual bool keysAlsoRunCommands() const { return false; }
    virtual bool isLeftSuperDown() = 0;
    // Catches Tab while the left Super key is held (swallowed, handler called); with any other
    // Super key the Tab reaches the focused program unchanged. False when the grab failed.
    virtual bool installWinTabGrab(WinTabHandler handler) = 0;
    virtual void removeWinTabGrab() = 0;
    // The custom hot key from a 16-bit shortcut code: virtual-key code in the low byte, 0x2000
    // Shift, 0x4000 Ctrl, 0x8000 Alt. Replaces any earlier registration. False for code 0, a
    // key with no equivalent, or a combination another program holds.
    virtual bool registerHotKey(std::uint16_t shortcut, HotKeyHandler handler) = 0;
    virtual void unregisterHotKey() = 0;
    // Who holds Super+Tab now, as this program sees it: khOurs only while its grab is in place and
    // nobody has taken the left Super key alone; khOtherProgram after a failed grab.
    virtual KeyHolder winTabHolder() = 0;
    // Who holds the custom hot key after the last registration: khOurs, khOtherProgram when the
    // combination was taken, khNobody when nothing is registered (no code, or no such key).
    virtual KeyHolder hotKeyHolder() = 0;
    // For a program that grabs nothing itself (the checking tools): tries Super+Tab, or the
    // shortcut, and lets go at once. khNobody when free, khLeftSuperAlone / khOtherProgram when
    // taken; the Zorvane running on this display counts as another program here.
    virtual KeyHolder probeWinTab() = 0;
    virtual KeyHolder probeHotKey(std::uint16_t shortcut) = 0;
    // What the Zorvane running on this display published about its keys; false when none runs.
    virtual bool runningInstanceKeys(PublishedKeys& keys) = 0;
    // True while every modifier of the registered custom hot key is down (false without one).
    virtual bool hotKeyModifiersDown() = 0;
    // True when the key of a key event's hardware scan code (the same code whatever modifiers are
    // down) is the custom hot key's key.
    virtual bool isHotKeyKey(std::uint32_t scanCode) = 0;
    // The running window manager's own name, empty when there is none or it gives no name.
    virtual std::string windowManagerName() = 0;
    // The line of the window manager's configuration that binds Super+Tab, or the custom hot
    // key, when it is taken and that is known (empty otherwise).
    virtual std::string winTabTakenBy() { return {}; }
    virtual std::string hotKeyTakenBy() { return {}; }
    // Where programs cannot take keys and this program could not have the window manager bind
    // them either: the lines of its configuration that bind Super+Tab, Super+Shift+Tab and the
    // shortcut to this program. Empty everywhere else.
    virtual std::string keyBindingAdvice(std::uint16_t shortcut) {
        (void)shortcut;
        return {};
    }

    // --- Event loop integration: watch this descriptor for reading and call
    // processPendingEvents() when it is readable and before the loop blocks.
    virtual int connectionFd() const = 0;
    virtual void processPendingEvents() = 0;

    // --- Windows of this program: true when it may place its own windows on the desktop; false
    // when the window system places them (the view then asks for the full screen of its monitor).
    virtual bool canPlaceWindows() const { return true; }

    // --- Monitors, in device pixels on the desktop: never empty (without any monitor information
    // the root window is the one monitor).
    virtual std::vector<Monitor> monitors() const {
        return {Monitor{"screen", Rect{0, 0, screenWidth(), screenHeight()}, true}};
    }
    // Where the mouse pointer is on the desktop; nothing when it is elsewhere (another screen).
    virtual std::optional<ScreenPoint> pointerPosition() { return std::nullopt; }

    // --- Desktop. A wallpaper file (and its style, wsCentre/wsTile/wsStretch) and colour used
    // when the desktop does not publish its background picture.
    virtual void setWallpaperFallback(const std::string& fileName, int style, std::uint32_t desktopColor) = 0;

    // --- Session services.
    // The display this backend runs on, as the instance lock and the capture folder are named.
    virtual std::string sessionDisplayName() const = 0;
    // Null when another instance of the same user on the same display holds the lock.
    virtual std::unique_ptr<InstanceLock> acquireInstanceLock(const std::string& name) = 0;
    // Start with the session (an XDG autostart entry running executablePath).
    virtual bool autostartEnabled() = 0;
    virtual bool setAutostart(bool enabled, const std::string& executablePath, std::string& error) = 0;
    // The user's temporary directory (no trailing slash).
    virtual std::string tempDirectory() = 0;
    // "English", "French", "Korea" or "Slovak" from the user's locale.
    virtual std::string systemLanguage() = 0;
    // Opens a web page in the default browser; false when no handler could be started.
    virtual bool openUrl(const std::string& url) = 0;
    // A few lines about the display and its extensions, for --diagnostics.
    virtual std::string diagnostics() = 0;
};

} // namespace zorvane
