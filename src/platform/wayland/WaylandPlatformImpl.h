// WaylandPlatformImpl: the Wayland backend's class, shared by its source files: the connection,
// the window source, the pictures kept per window and the key bindings made in the compositor.
#pragma once

#include "platform/posix/PosixPlatform.h"
#include "platform/wayland/SwayIpc.h"
#include "platform/wayland/WindowSource.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zorvane::wayland {

class ScreenCopier;
class Toplevels;
class WaylandDisplay;

class WaylandPlatform final : public PosixPlatform {
public:
    WaylandPlatform(std::unique_ptr<WaylandDisplay> display, std::unique_ptr<Toplevels> toplevels,
                    std::unique_ptr<WindowSource> source);
    ~WaylandPlatform() override;

    // ScreenGeometry / WallpaperSource
    int screenWidth() const override;
    int screenHeight() const override;
    bool windowRect(WindowHandle window, Rect& rect) const override;
    bool windowRegionBox(WindowHandle window, Rect& box) const override;
    WallpaperInfo wallpaperInfo() const override;

    // Windows
    void enumWindows(const EnumProc& proc) override;
    std::string windowClassName(WindowHandle window) override;
    std::string windowCaption(WindowHandle window) override;
    bool hasOwner(WindowHandle) override { return false; }
    bool isWindowVisible(WindowHandle window) override;
    bool hasOverlappedStyle(WindowHandle window) override;
    bool isWindowEnabled(WindowHandle) override { return true; }
    int showCommand(WindowHandle window) override;
    bool isOwnWindow(WindowHandle window) override;
    void hideWindow(WindowHandle) override {}
    std::optional<TIconImage> windowIcon(WindowHandle, int) override { return std::nullopt; }
    std::string windowIconName(WindowHandle window) override;
    bool requestClose(WindowHandle window) override;
    bool printWindow(WindowHandle window, CaptureImage& image) override;
    PictureChange takePictureChange(WindowHandle window) override;
    void watchOnly(const std::vector<WindowHandle>& windows) override;
    bool picturesWhileShowing() const override { return false; }
    bool restoreWindow(WindowHandle window) override;
    bool minimizeWindow(WindowHandle window) override;
    WindowHandle activeWindow() override;
    bool ForceForegroundWindow(WindowHandle window) override;
    bool waitUntilReleased(WindowHandle) override { return true; }
    int SetMinimizeAnimation(int) override { return 0; }
    int desktopCount() override;
    long currentDesktop() override;
    long windowDesktop(WindowHandle window) override;

    // Keys
    bool readsKeyboardState() const override { return false; }
    bool keysAlsoRunCommands() const override { return true; }
    bool canPlaceWindows() const override { return false; }
    bool isLeftSuperDown() override { return false; }
    bool installWinTabGrab(WinTabHandler handler) override;
    void removeWinTabGrab() override;
    bool registerHotKey(std::uint16_t shortcut, HotKeyHandler handler) override;
    void unregisterHotKey() override;
    KeyHolder winTabHolder() override { return winTabHolder_; }
    KeyHolder hotKeyHolder() override { return hotKeyHolder_; }
    KeyHolder probeWinTab() override;
    KeyHolder probeHotKey(std::uint16_t shortcut) override;
    bool runningInstanceKeys(PublishedKeys& keys) override;
    bool hotKeyModifiersDown() override { return false; }
    bool isHotKeyKey(std::uint32_t) override { return false; }
    std::string windowManagerName() override;
    std::string winTabTakenBy() override { return winTabTakenBy_; }
    std::string hotKeyTakenBy() override { return hotKeyTakenBy_; }
    std::string keyBindingAdvice(std::uint16_t shortcut) override;

    // Events
    int connectionFd() const override { return epoll_.get(); }
    void processPendingEvents() override;

    // Monitors and desktop
    std::vector<Monitor> monitors() const override;
    void setWallpaperFallback(const std::string& fileName, int style, std::uint32_t desktopColor) override;

    std::string diagnostics() override;
    std::string sessionDisplayName() const override;

private:
    const WindowRecord* record(WindowHandle window) const;
    void refreshRecords();
    // Pictures (WaylandPictures.cpp).
    const CaptureImage* outputPicture(const std::string& output);
    // The window's part of its output's copy into `image` (its size); false when it is not shown.
    bool cutPicture(const WindowRecord& record, CaptureImage& image);
    // Keeps the picture as the window's latest, a new version when it differs from the last.
    void keepPicture(WindowHandle window, const CaptureImage& image);
    void refreshVisiblePictures();
    void scheduleRefresh();
    // Keys (WaylandKeys.cpp).
    std::string commandFor(const std::string& option) const;
    void publishKeys();
    // Calls the handlers for the bindings the compositor says it ran.
    void dispatchRunBindings();
    void withdrawKeys();

    std::unique_ptr<WaylandDisplay> display_;
    std::unique_ptr<Toplevels> toplevels_;
    std::unique_ptr<WindowSource> source_;
    std::vector<WindowRecord> records_;
    UniqueFd epoll_;
    UniqueFd timer_;

    // The outputs' copies of this capture cycle, and each window's latest picture (device pixels):
    // its version counts changes, its cycle says when it was last cut out; delivered_ holds the
    // version the last picture printed for the window was.
    struct KeptPicture {
        std::shared_ptr<CaptureImage> image;
        std::uint64_t version = 0;
        std::uint64_t cycle = 0;
    };
    std::unique_ptr<ScreenCopier> copier_;
    std::map<std::string, std::unique_ptr<CaptureImage>> outputCopies_;
    std::map<WindowHandle, KeptPicture> pictures_;
    std::map<WindowHandle, std::uint64_t> delivered_;
    std::uint64_t cycle_ = 0;
    std::chrono::steady_clock::time_point lastRefresh_{};
    bool refreshPending_ = false;

    std::vector<std::string> boundCombos_;
    std::string winTabCombo_, winTabBackCombo_, hotKeyCombo_;
    KeyHolder winTabHolder_ = KeyHolder::khNobody;
    KeyHolder hotKeyHolder_ = KeyHolder::khNobody;
    std::uint16_t hotKeyCode_ = 0;
    std::string winTabTakenBy_, hotKeyTakenBy_;
    WinTabHandler winTabHandler_;
    HotKeyHandler hotKeyHandler_;
    bool publishedKeys_ = false;
    bool cannotBind_ = false; // the source cannot bind keys: the user's configuration must

    std::map<std::string, std::string> iconNames_; // app_id -> icon name
    std::string wallpaperFile_;
    int wallpaperStyle_ = 0;
    std::uint32_t desktopColor_ = 0;
};

} // namespace zorvane::wayland
