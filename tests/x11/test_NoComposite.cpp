// Pictures on an X server without Composite: only what shows on the screen can be read, so a
// window that another covers must never be offered with its neighbour's pixels as its picture.
// gtest first: Xlib defines None as a macro, which gtest also uses as a name.
#include <gtest/gtest.h>

#include "harness/XHarness.h"

#include "image/CaptureImage.h"

#include <filesystem>

namespace zorvane {
namespace {

namespace fs = std::filesystem;
using test::XDesktop;

XDesktop::Options WithoutComposite() {
    XDesktop::Options options;
    options.serverArgs = {"-extension", "Composite"};
    return options;
}

// Counts the picture's pixels of one colour.
int CountColour(const CaptureImage& image, std::uint32_t colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixel(x, y) == colour ? 1 : 0;
    return count;
}

TEST(NoComposite, CoveredWindowsHaveNoPictureAndUncoveredOnesTheirOwn) {
    XDesktop desktop(WithoutComposite());
    ASSERT_TRUE(desktop.ok()) << desktop.reason();
    const auto start = [&](std::vector<std::string> args, const std::string& title) {
        desktop.spawnTestClient(args);
        const Window w = desktop.waitForTitle(title);
        EXPECT_NE(w, None) << title;
        if (w != None) {
            EXPECT_TRUE(desktop.waitPainted(w)) << title;
        }
        return w;
    };
    // "apart" shows whole; "covered" lies half under "cover", which is on top.
    const Window apart =
        start({"--title", "apart", "--pos", "700,500", "--size", "300x200", "--color", "0000FF"}, "apart");
    const Window covered =
        start({"--title", "covered", "--pos", "40,40", "--size", "300x200", "--color", "FF0000"}, "covered");
    const Window cover =
        start({"--title", "cover", "--pos", "200,100", "--size", "300x200", "--color", "00FF00"}, "cover");
    ASSERT_NE(apart, None);
    ASSERT_NE(covered, None);
    ASSERT_NE(cover, None);
    ASSERT_TRUE(desktop.activate(cover));

    const std::string folder = fs::temp_directory_path() / ("zv-nocomposite-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    const auto result = desktop.run({test::BinDir() + "/zorvane-windows", "--capture", folder});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    const auto picture = [&](Window w) {
        return CaptureImage::loadBMP(folder + "/" + std::to_string(w) + ".bmp");
    };
    // The windows that show are pictured as they are.
    for (const auto& [window, colour] : {std::pair{apart, 0x0000FFu}, std::pair{cover, 0x00FF00u}}) {
        auto image = picture(window);
        ASSERT_TRUE(image) << "window " << window;
        EXPECT_GT(CountColour(*image, colour), 300 * 200 / 2) << "window " << window;
    }
    // The covered one is never shown with the green window in it: it gets a plain (black) card.
    if (auto image = picture(covered)) {
        EXPECT_EQ(CountColour(*image, 0x00FF00), 0)
            << "the neighbour's pixels under the covered window's name";
        EXPECT_EQ(CountColour(*image, 0x000000), image->width() * image->height());
    }
    fs::remove_all(folder);
}

} // namespace
} // namespace zorvane
