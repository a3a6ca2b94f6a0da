// FakePlatform: an in-memory desktop for testing the enumeration and capture logic without a
// display. Each window is a record the test fills; printWindow paints from a queue of pictures.
#pragma once

#include "platform/Platform.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zorvane::test {

struct FakeWindow {
    WindowHandle handle = 0;
    std::string className = "App";
    std::string caption = "Window";
    // Reads of the caption that still succeed; after that it reads empty (-1: always readable).
    int captionReads = -1;
    bool owned = false;
    bool visible = true;
    bool overlapped = true;
    bool enabled = true;
    bool own = false;
    int showCmd = scNormal;
    Rect rect{0, 0, 100, 60};
    bool hasRegion = false;
    Rect region{};
    // Each print takes the next painter (the last one repeats); none means printing fails.
    std::vector<std::function<void(CaptureImage&)>> prints;
    long desktop = -1; // its workspace; -1 none in particular
};

class FakePlatform : public Platform {
public:
    std::vector<FakeWindow> windows; // top of the stacking order first
    std::vector<WindowHandle> hidden;
    std::map<WindowHandle, int> printCalls;
    std::vector<WindowHandle> restored;
    int messagePumps = 0;
    long current = -1; // the current workspace; -1 where the window manager tells none

    FakeWindow* find(WindowHandle handle) {
        for (auto& w : windows) {
            if (w.handle == handle)
                return &w;
        }
        return nullptr;
    }

    std::string sessionDisplayName() const override { return ":fake"; }
    int screenWidth() const override { return 1280; }
    int screenHeight() const override { return 1024; }
    bool windowRect(WindowHandle window, Rect& rect) const override {
        for (const auto& w : windows) {
            if (w.handle == window) {
                rect = w.rect;
                return true;
            }
        }
        rect = Rect{};
        return false;
    }
    bool windowRegionBox(WindowHandle window, Rect& box) const override {
        for (const auto& w : windows) {
            if (w.handle == window && w.hasRegion) {
                box = w.region;
                return true;
            }
        }
        return false;
    }
    WallpaperInfo wallpaperInfo() const override { return {}; }

    void enumWindows(const EnumProc& proc) override {
        for (const auto& w : std::vector<FakeWindow>(windows)) {
            if (!proc(w.handle))
                break;
        }
    }
    std::string windowClassName(WindowHandle h) override { return find(h) ? find(h)->className : ""; }
    std::string windowCaption(WindowHandle h) override {
        FakeWindow* w = find(h);
        if (w == nullptr || w->captionReads == 0)
            return "";
        if (w->captionReads > 0)
            --w->captionReads;
        return w->caption;
    }
    bool hasOwner(WindowHandle h) override { return find(h) && find(h)->owned; }
    bool isWindowVisible(WindowHandle h) override { return find(h) && find(h)->visible; }
    bool hasOverlappedStyle(WindowHandle h) override { return find(h) && find(h)->overlapped; }
    bool isWindowEnabled(WindowHandle h) override { return find(h) && find(h)->enabled; }
    int showCommand(WindowHandle h) override { return find(h) ? find(h)->showCmd : scNormal; }
    bool isOwnWindow(WindowHandle h) override { return find(h) && find(h)->own; }
    void hideWindow(WindowHandle h) override {
        hidden.push_back(h);
        if (auto* w = find(h))
            w->visible = false;
    }
    bool printWindow(WindowHandle h, CaptureImage& image) override {
        FakeWindow* w = find(h);
        const int call = printCalls[h]++;
        if (w == nullptr || w->prints.empty())
            return false;
        const auto index = std::min<std::size_t>(static_cast<std::size_t>(call), w->prints.size() - 1);
        w->prints[index](image);
        return true;
    }
    std::optional<TIconImage> windowIcon(WindowHandle, int) override { return std::nullopt; }
    bool requestClose(WindowHandle) override { return false; }
    bool restoreWindow(WindowHandle h) override {
        restored.push_back(h);
        return true;
    }
    int desktopCount() override { return current < 0 ? 0 : 2; }
    long currentDesktop() override { return current; }
    long windowDesktop(WindowHandle h) override { return find(h) ? find(h)->desktop : -1; }
    bool minimizeWindow(WindowHandle) override { return true; }
    WindowHandle activeWindow() override { return 0; }
    bool ForceForegroundWindow(WindowHandle) override { return false; }
    bool waitUntilReleased(WindowHandle) override { return true; }
    int SetMinimizeAnimation(int) override { return 0; }
    bool isLeftSuperDown() override { return false; }
    bool installWinTabGrab(WinTabHandler) override { return false; }
    void removeWinTabGrab() override {}
    bool registerHotKey(std::uint16_t, HotKeyHandler) override { return false; }
    void unregisterHotKey() override {}
    KeyHolder winTabHolder() override { return KeyHolder::khNobody; }
    KeyHolder hotKeyHolder() override { return KeyHolder::khNobody; }
    KeyHolder probeWinTab() override { return KeyHolder::khNobody; }
    KeyHolder probeHotKey(std::uint16_t) override { return KeyHolder::khNobody; }
    bool runningInstanceKeys(PublishedKeys&) override { return false; }
    bool hotKeyModifiersDown() override { return false; }
    bool isHotKeyKey(std::uint32_t) override { return false; }
    std::string windowManagerName() override { return {}; }
    int connectionFd() const override { return -1; }
    void processPendingEvents() override {}
    void setWallpaperFallback(const std::string&, int, std::uint32_t) override {}
    std::unique_ptr<InstanceLock> acquireInstanceLock(const std::string&) override { return nullptr; }
    bool autostartEnabled() override { return false; }
    bool setAutostart(bool, const std::string&, std::string&) override { return false; }
    std::string tempDirectory() override { return "/tmp"; }
    std::string systemLanguage() override { return "English"; }
    bool openUrl(const std::string&) override { return false; }
    std::string diagnostics() override { return {}; }
};

} // namespace zorvane::test
