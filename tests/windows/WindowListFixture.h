// WindowListFixture: a captured window list over a private temporary capture folder, a screen with
// windows placed by the test, and a clock that moves only when told.
#pragma once

#include "core/Clock.h"
#include "platform/PlatformTypes.h"
#include "windows/unitWindowInfos.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace zorvane::test {

class FakeScreen : public ScreenGeometry {
public:
    int screenWidth() const override { return width; }
    int screenHeight() const override { return height; }
    bool windowRect(WindowHandle window, Rect& rect) const override {
        const auto it = rects.find(window);
        if (it == rects.end())
            return false;
        rect = it->second;
        return true;
    }
    bool windowRegionBox(WindowHandle window, Rect& box) const override {
        const auto it = regions.find(window);
        if (it == regions.end())
            return false;
        box = it->second;
        return true;
    }

    int width = 1000;
    int height = 800;
    std::map<WindowHandle, Rect> rects;
    std::map<WindowHandle, Rect> regions;
};

// A picture of one colour, so tests can tell pictures apart.
inline std::unique_ptr<CaptureImage> solidPicture(std::uint32_t rgb, int width = 8, int height = 6) {
    auto picture = std::make_unique<CaptureImage>(width, height);
    picture->fill(rgb);
    return picture;
}

class WindowListFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // How many files the capture folder holds.
    int filesInFolder() const;

    std::filesystem::path base; // private temporary folder of this test
    std::string captureFolder;  // base + "/~ZRVN/", made by the list when it names its first file
    FakeScreen screen;
    ManualClock clock{Clock::millisecondsAt(2010, 1, 1, 12)};
    std::unique_ptr<TWindowInfos> list;
};

} // namespace zorvane::test
