// The enumeration list, the candidate filter and the capture retries, over an in-memory desktop.
#include "FakePlatform.h"

#include "windows/unitHandleInfos.h"
#include "windows/unitWindowInfos.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace zorvane {
namespace {

using test::FakePlatform;
using test::FakeWindow;

FakeWindow window(WindowHandle handle, const std::string& className = "App",
                  const std::string& caption = "Title") {
    FakeWindow w;
    w.handle = handle;
    w.className = className;
    w.caption = caption;
    return w;
}

// A painter that blackens the first `blackRow` pixels of the middle row and the first
// `blackColumn` pixels of the middle column of an otherwise white picture, and marks it with tag.
std::function<void(CaptureImage&)> picture(int blackRow, int blackColumn, std::uint32_t tag = 0xFFFFFF) {
    return [=](CaptureImage& image) {
        image.fill(0xFFFFFF);
        image.setPixel(0, 0, tag);
        for (int x = 0; x < blackRow; ++x)
            image.setPixel(x, image.height() / 2, 0);
        for (int y = 0; y < blackColumn; ++y)
            image.setPixel(image.width() / 2, y, 0);
    };
}

std::vector<WindowHandle> handles(const THandleInfos& list) {
    std::vector<WindowHandle> result;
    for (int i = 0; i < list.Count(); ++i)
        result.push_back(list.Items(i).Handle);
    return result;
}

TEST(HandleInfos, ListKeepsOrderDeletesAndFindsByHandleAlone) {
    THandleInfos list;
    list.Add(10, "A", "one", 1, Rect{});
    list.Add(20, "B", "two", 2, Rect{1, 2, 3, 4});
    list.Add(30, "C", "three", 3, Rect{});
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(1).RegionRect, (Rect{1, 2, 3, 4}));
    list.Delete(1);
    EXPECT_EQ(handles(list), (std::vector<WindowHandle>{10, 30}));
    EXPECT_TRUE(list.Contains(30));
    EXPECT_FALSE(list.Contains(20));
    EXPECT_THROW(list.Items(2), std::out_of_range);
    EXPECT_THROW(list.Delete(-1), std::out_of_range);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

// Each row breaks one condition of the candidate test; only the plain window qualifies.
TEST(HandleInfos, CandidateNeedsEveryCondition) {
    struct Case {
        const char* name;
        std::function<void(FakeWindow&)> change;
        bool offered;
    };
    const std::vector<Case> cases = {
        {"plain top-level window", [](FakeWindow&) {}, true},
        {"owned (transient) window", [](FakeWindow& w) { w.owned = true; }, false},
        {"hidden window", [](FakeWindow& w) { w.visible = false; }, false},
        {"untitled window", [](FakeWindow& w) { w.caption.clear(); }, false},
        {"dock or skip-taskbar window", [](FakeWindow& w) { w.overlapped = false; }, false},
        {"minimised window still counts", [](FakeWindow& w) { w.showCmd = scMinimized; }, true},
    };
    for (const auto& c : cases) {
        FakePlatform platform;
        platform.windows.push_back(window(7));
        c.change(platform.windows.back());
        EXPECT_EQ(IsCandidateWindow(platform, 7), c.offered) << c.name;
    }
    FakePlatform empty;
    EXPECT_FALSE(IsCandidateWindow(empty, 0));
}

// The enumeration's own skips, applied after the candidate test.
TEST(HandleInfos, EnumerationSkipsHelperAndEmptyWindows) {
    FakePlatform platform;
    platform.windows = {window(1, "XTerm", "shell")};
    auto own = window(2, "Zorvane", "view");
    own.own = true;
    auto tooltip = window(3, "tooltips_class32", "tip");
    tooltip.captionReads = 1; // passes the length test, then reads empty
    auto unreadable = window(4, "Other", "gone");
    unreadable.captionReads = 1;
    auto imDisabled = window(5, "IMWindowClass", "chat");
    imDisabled.enabled = false;
    auto imEnabled = window(6, "IMWindowClass", "chat");
    auto tabbed = window(7, "MessengerPlusLive_TabbedChats", "tabs");
    auto flat = window(8, "App", "flat");
    flat.rect = Rect{10, 10, 300, 10};
    auto narrow = window(9, "App", "narrow");
    narrow.rect = Rect{10, 10, 10, 300};
    auto shaped = window(10, "XEyes", "eyes");
    shaped.hasRegion = true;
    shaped.region = Rect{0, 0, 150, 100};
    shaped.showCmd = scMaximized;
    auto shadow = window(11, "SysShadow", "s");
    shadow.captionReads = 1;
    for (auto* w :
         {&own, &tooltip, &unreadable, &imDisabled, &imEnabled, &tabbed, &flat, &narrow, &shaped, &shadow})
        platform.windows.push_back(*w);

    THandleInfos list;
    list.Add(99, "stale", "from the last cycle", 1, Rect{});
    EnumerateWindows(platform, list, [&] { ++platform.messagePumps; });

    EXPECT_EQ(handles(list), (std::vector<WindowHandle>{1, 4, 6, 10}));
    EXPECT_EQ(platform.hidden, (std::vector<WindowHandle>{3, 11}));
    EXPECT_EQ(list.Items(1).Caption, "") << "an unreadable title of another class is offered empty";
    EXPECT_EQ(list.Items(3).ShowCmd, scMaximized);
    EXPECT_EQ(list.Items(3).RegionRect, (Rect{0, 0, 150, 100}));
    EXPECT_EQ(list.Items(0).RegionRect, Rect{}) << "no region reads as all zero";
    EXPECT_EQ(platform.messagePumps, 4) << "messages are processed after each accepted window";
}

TEST(HandleInfos, EnumerationCallbackAlwaysContinues) {
    FakePlatform platform;
    platform.windows = {window(1)};
    platform.windows[0].visible = false;
    THandleInfos list;
    TEnumContext context{platform, list, {}};
    EXPECT_TRUE(EnumWindowsProc(1, &context));
    EXPECT_TRUE(EnumWindowsProc(12345, &context)) << "a window that vanished is skipped, not an error";
    EXPECT_EQ(list.Count(), 0);
}

// The black-pixel tests on the middle row and column of a 100 x 60 window decide retries.
TEST(HandleInfos, CaptureRetriesWhileMiddleRowOrColumnIsMostlyBlack) {
    struct Case {
        const char* name;
        std::vector<std::function<void(CaptureImage&)>> prints;
        int expectedPrints;
        std::uint32_t expectedTag;
    };
    const std::vector<Case> cases = {
        {"clean picture at once", {picture(0, 0, 0x111111)}, 1, 0x111111},
        {"row 31 % black is retried, third picture kept",
         {picture(31, 0, 0x111111), picture(31, 0, 0x222222), picture(31, 0, 0x333333)},
         3,
         0x333333},
        {"row exactly 30 % black passes", {picture(30, 0, 0x111111)}, 1, 0x111111},
        {"column 40 % black is retried", {picture(0, 24, 0x111111), picture(0, 0, 0x222222)}, 2, 0x222222},
        {"column 30 % black passes", {picture(0, 18, 0x111111)}, 1, 0x111111},
    };
    for (const auto& c : cases) {
        FakePlatform platform;
        platform.windows = {window(5)};
        platform.windows[0].prints = c.prints;
        std::unique_ptr<CaptureImage> image;
        EXPECT_TRUE(CaptureWindow(platform, 5, image)) << c.name;
        ASSERT_TRUE(image) << c.name;
        EXPECT_EQ(image->width(), 100);
        EXPECT_EQ(image->height(), 60);
        EXPECT_EQ(platform.printCalls[5], c.expectedPrints) << c.name;
        EXPECT_EQ(image->pixel(0, 0), c.expectedTag) << c.name;
    }
}

TEST(HandleInfos, CaptureOfUnprintableOrImpossibleWindows) {
    FakePlatform platform;
    platform.windows = {window(1), window(2), window(3)};
    // Printing fails: three black attempts, result false, the picture stays black.
    std::unique_ptr<CaptureImage> image;
    EXPECT_FALSE(CaptureWindow(platform, 1, image));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixel(50, 30), 0u);
    EXPECT_EQ(platform.printCalls[1], 3);
    // 0 pixels wide: no picture at all.
    platform.windows[1].rect = Rect{5, 5, 5, 100};
    EXPECT_FALSE(CaptureWindow(platform, 2, image));
    EXPECT_FALSE(image);
    // Too large to hold: no picture, no exception.
    platform.windows[2].rect = Rect{0, 0, 40000, 40000};
    platform.windows[2].prints = {picture(0, 0)};
    EXPECT_FALSE(CaptureWindow(platform, 3, image));
    EXPECT_FALSE(image);
    // Gone before the capture.
    EXPECT_FALSE(CaptureWindow(platform, 777, image));
    EXPECT_FALSE(image);
}

TEST(HandleInfos, CaptureEnumeratedCropsOnlyOffsetRegions) {
    FakePlatform platform;
    auto w = window(8);
    w.rect = Rect{100, 100, 1132, 876}; // 1032 x 776
    w.prints = {[](CaptureImage& image) {
        image.fill(0x808080);
        image.setPixel(4, 4, 0xFF0000);      // first pixel inside the region
        image.setPixel(1027, 771, 0x00FF00); // last pixel inside the region
        image.setPixel(3, 3, 0x0000FF);      // just outside
    }};
    platform.windows = {w};

    std::unique_ptr<CaptureImage> image;
    CaptureEnumerated(platform, THandleInfo(8, "App", "t", 1, Rect{4, 4, 1028, 772}), image);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 1024);
    EXPECT_EQ(image->height(), 768);
    EXPECT_EQ(image->pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(image->pixel(1023, 767), 0x00FF00u);

    CaptureEnumerated(platform, THandleInfo(8, "App", "t", 1, Rect{0, 0, 500, 400}), image);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 1032) << "a region at the corner is not cropped";
    EXPECT_EQ(image->pixel(3, 3), 0x0000FFu);

    // An offset region of a window that cannot be printed still gives a region-sized picture.
    platform.windows[0].prints.clear();
    CaptureEnumerated(platform, THandleInfo(8, "App", "t", 1, Rect{10, 0, 60, 40}), image);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 50);
    EXPECT_EQ(image->height(), 40);
    EXPECT_EQ(image->pixel(25, 20), 0u);

    // A region box wider than the picture taken now: the missing part stays black.
    platform.windows[0].rect = Rect{0, 0, 20, 20};
    platform.windows[0].prints = {[](CaptureImage& image) { image.fill(0xFFFFFF); }};
    CaptureEnumerated(platform, THandleInfo(8, "App", "t", 1, Rect{10, 10, 40, 40}), image);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixel(5, 5), 0xFFFFFFu);
    EXPECT_EQ(image->pixel(15, 15), 0u);
}

// Workspaces: the filter keeps the current workspace's and the sticky windows; a window that
// cannot be printed (minimised, on another workspace) keeps its last picture, else gets a card,
// never a black picture; only a minimised window on the current workspace is restored at start.
TEST(HandleInfos, WindowsOnOtherWorkspacesAreFilteredCardedAndNeverRestored) {
    FakePlatform platform;
    platform.current = 0;
    auto here = window(1, "App", "here");
    here.desktop = 0;
    here.prints = {picture(0, 0, 0x111111)};
    auto sticky = window(2, "App", "sticky");
    sticky.desktop = Platform::kAllDesktops;
    sticky.prints = {picture(0, 0, 0x222222)};
    auto away = window(3, "App", "away");
    away.desktop = 1;
    away.rect = Rect{10, 20, 250, 200};
    auto awayMinimised = window(4, "App", "away and minimised");
    awayMinimised.desktop = 1;
    awayMinimised.showCmd = scMinimized;
    auto minimised = window(5, "App", "minimised here");
    minimised.desktop = 0;
    minimised.showCmd = scMinimized;
    minimised.prints = {picture(0, 0, 0x555555)};
    platform.windows = {here, sticky, away, awayMinimised, minimised};

    THandleInfos list;
    EnumerateWindows(platform, list, {}, true);
    EXPECT_EQ(handles(list), (std::vector<WindowHandle>{1, 2, 5}));
    EnumerateWindows(platform, list);
    EXPECT_EQ(handles(list), (std::vector<WindowHandle>{1, 2, 3, 4, 5}));

    const auto folder = std::filesystem::temp_directory_path() / ("zv-cards-" + std::to_string(::getpid()));
    {
        TWindowInfos infos(platform, folder.string());
        std::vector<std::pair<WindowHandle, std::pair<int, int>>> cards;
        const TCardMaker makeCard = [&](const THandleInfo& info, int width, int height) {
            cards.push_back({info.Handle, {width, height}});
            auto card = std::make_unique<CaptureImage>(width, height);
            card->fill(0x404860 + static_cast<std::uint32_t>(cards.size())); // each card its own
            return card;
        };
        CapturePictures(platform, list, infos, true, makeCard);
        EXPECT_EQ(platform.restored, (std::vector<WindowHandle>{5})) << "only the minimised window here";
        ASSERT_EQ(infos.Count(), 5);
        EXPECT_EQ(infos.Items(4).Bitmap->pixel(0, 0), 0x555555u) << "pictured while restored";
        const auto expectedCards =
            std::vector<std::pair<WindowHandle, std::pair<int, int>>>{{3, {240, 180}}, {4, {100, 60}}};
        EXPECT_EQ(cards, expectedCards) << "a card of the window's own size";
        EXPECT_TRUE(infos.Items(2).FCard);
        EXPECT_EQ(infos.Items(2).Bitmap->pixel(120, 90), 0x404861u) << "a card, not black";

        // Pictured once on its own workspace, then away again: the last picture stays.
        platform.find(3)->prints = {picture(0, 0, 0x333333)};
        CapturePictures(platform, list, infos, false, makeCard);
        EXPECT_EQ(infos.Items(2).Bitmap->pixel(0, 0), 0x333333u);
        EXPECT_FALSE(infos.Items(2).FCard);
        platform.find(3)->prints.clear();
        CapturePictures(platform, list, infos, false, makeCard);
        EXPECT_EQ(infos.Items(2).Bitmap->pixel(0, 0), 0x333333u) << "the last picture, not a card";
        EXPECT_EQ(cards.size(), 2u);

        // A card shows the title of the moment: a new title, a new card, also for a minimised window
        // whose stored file still holds the old one.
        infos.StoreChanged();
        infos.FlushStores();
        infos.Items(3).Bitmap->fill(0x000001); // as if released and read back from its file
        platform.find(4)->caption = "renamed";
        EnumerateWindows(platform, list);
        CapturePictures(platform, list, infos, false, makeCard);
        ASSERT_EQ(cards.size(), 3u);
        EXPECT_EQ(cards.back().first, 4u);
        EXPECT_EQ(infos.Items(3).Caption, "renamed");
        EXPECT_EQ(infos.Items(3).Bitmap->pixel(50, 30), 0x404863u) << "the new card, not the stored one";
    }
    {
        // Without a card maker a window never pictured is not offered rather than shown black.
        TWindowInfos infos(platform, folder.string());
        CapturePictures(platform, list, infos, false);
        EXPECT_EQ(infos.Count(), 3);
        EXPECT_EQ(infos.IndexOf(3, "App"), -1);
    }
    std::filesystem::remove_all(folder);
}

} // namespace
} // namespace zorvane
