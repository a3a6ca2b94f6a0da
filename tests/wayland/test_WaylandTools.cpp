// Zorvane's command-line tools on real Wayland desktops: --list-windows against sway's own tree,
// --capture's pictures against the windows' colours (at scale 1 and 2), --diagnostics, the window
// list without sway's IPC, and the one-line refusal on a compositor that lists no windows (weston).
#include "harness/ZorvaneWaylandRun.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

using namespace zorvane::test;

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kRed = 0xd02040;
constexpr std::uint32_t kGreen = 0x20b050;
constexpr std::uint32_t kBlue = 0x3050e0;

#define SKIP_WITHOUT(program)                                                                                \
    if (!HaveProgram(program))                                                                               \
    GTEST_SKIP() << program " is not installed"

std::string Hex(std::uint32_t colour) {
    char text[8];
    std::snprintf(text, sizeof text, "%06x", colour);
    return text;
}

// One line of --list-windows.
struct Listed {
    long handle = 0;
    std::string appId;
    std::string caption;
    int showCmd = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
};

std::vector<Listed> ParseList(const std::string& out) {
    std::vector<Listed> result;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const auto json = nlohmann::json::parse(line, nullptr, false);
        if (!json.is_object()) {
            ADD_FAILURE() << "not a JSON object: " << line;
            continue;
        }
        Listed w;
        w.handle = json.value("handle", 0L);
        w.appId = json.value("class", "");
        w.caption = json.value("caption", "");
        w.showCmd = json.value("showCmd", 0);
        const auto& rect = json["rect"];
        w.left = rect.value("left", 0);
        w.top = rect.value("top", 0);
        w.right = rect.value("right", 0);
        w.bottom = rect.value("bottom", 0);
        result.push_back(w);
    }
    return result;
}

const Listed* Find(const std::vector<Listed>& list, long handle) {
    const auto it =
        std::find_if(list.begin(), list.end(), [&](const Listed& w) { return w.handle == handle; });
    return it == list.end() ? nullptr : &*it;
}

int TitleBarHeight(const SwayWindow& w) {
    return w.node.contains("deco_rect") ? w.node["deco_rect"].value("height", 0) : 0;
}

// A 24-bit BMP as --capture writes it, read by the format's own rules (rows bottom first unless
// the height is negative, blue-green-red, rows padded to four bytes); empty when it is not one.
Screenshot ReadBmp(const std::string& path, std::string& error) {
    Screenshot picture;
    const std::string data = ReadTextFile(path);
    const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(data[at]); };
    const auto u16 = [&](std::size_t at) { return byte(at) | (byte(at + 1) << 8); };
    const auto s32 = [&](std::size_t at) {
        return static_cast<std::int32_t>(byte(at) | (byte(at + 1) << 8) | (byte(at + 2) << 16) |
                                         (static_cast<std::uint32_t>(byte(at + 3)) << 24));
    };
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') {
        error = path + ": not a BMP";
        return picture;
    }
    const int width = s32(18);
    const int rawHeight = s32(22);
    const int height = std::abs(rawHeight);
    const std::size_t offset = static_cast<std::size_t>(s32(10));
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    if (u16(28) != 24 || s32(30) != 0 || width <= 0 || height == 0 ||
        data.size() < offset + stride * static_cast<std::size_t>(height)) {
        error = path + ": not an uncompressed 24-bit BMP of its stated size";
        return picture;
    }
    picture.width = width;
    picture.height = height;
    picture.rgba.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    for (int y = 0; y < height; ++y) {
        const int fileRow = rawHeight > 0 ? height - 1 - y : y;
        const std::size_t in = offset + static_cast<std::size_t>(fileRow) * stride;
        for (int x = 0; x < width; ++x) {
            const std::size_t out = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x) * 4;
            picture.rgba[out] = byte(in + 3 * x + 2);
            picture.rgba[out + 1] = byte(in + 3 * x + 1);
            picture.rgba[out + 2] = byte(in + 3 * x);
            picture.rgba[out + 3] = 0xff;
        }
    }
    return picture;
}

// Three windows on one workspace: red on the left, green above blue on the right (so a picture
// upside down or mirrored, or one read with the wrong row length, shows another window's colour).
struct ThreeWindows {
    std::vector<SwayWindow> windows; // red, green, blue
    std::vector<std::uint32_t> colours = {kRed, kGreen, kBlue};
};

ThreeWindows OpenThreeWindows(SwayDesktop& sway, int clientScale) {
    ThreeWindows three;
    const std::vector<std::string> names = {"Red", "Green", "Blue"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i == 2) {
            EXPECT_EQ(sway.swaymsg("splitv").exitCode, 0); // blue goes below green
        }
        auto& client =
            sway.startClient({"--title", names[i] + " window", "--app-id", "zv." + names[i], "--color",
                              Hex(three.colours[i]), "--scale", std::to_string(clientScale)});
        EXPECT_TRUE(client.waitForLine("ready")) << client.err();
        EXPECT_TRUE(sway.waitForWindow(names[i] + " window")) << sway.tree();
    }
    // Laid out and drawn at their final sizes: each centre shows its colour on the output.
    const double scale = clientScale;
    const bool painted = SwayDesktop::waitFor([&] {
        three.windows.clear();
        for (const auto& name : names)
            if (const auto w = sway.window(name + " window"))
                three.windows.push_back(*w);
        if (three.windows.size() != 3)
            return false;
        const Screenshot shot = sway.screenshot();
        for (std::size_t i = 0; i < 3; ++i) {
            const SwayWindow& w = three.windows[i];
            const int x = static_cast<int>((w.contentX + w.contentWidth / 2) * scale);
            const int y = static_cast<int>((w.contentY + w.contentHeight / 2) * scale);
            if (shot.pixel(x, y) != three.colours[i])
                return false;
        }
        return true;
    });
    EXPECT_TRUE(painted) << sway.tree() << sway.lastError();
    if (three.windows.size() == 3) {
        const SwayWindow &red = three.windows[0], &green = three.windows[1], &blue = three.windows[2];
        EXPECT_LT(red.x, green.x);
        EXPECT_LT(green.y, blue.y);
        EXPECT_EQ(green.x, blue.x);
    }
    return three;
}

// --capture's picture of each window: the list's rect in size, the window's colour at inner points
// spread over its own part (the title bar above it is sway's).
void ExpectCapturedColours(SwayDesktop& sway, int scale) {
    const ThreeWindows three = OpenThreeWindows(sway, scale);
    ASSERT_EQ(three.windows.size(), 3u);
    ZorvaneWaylandRun zorvane(sway);
    const auto listed = zorvane.runAgain({"--list-windows"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const auto list = ParseList(listed.out);
    const std::string folder = sway.folder() + "/capture";
    const auto captured = zorvane.runAgain({"--capture", folder});
    ASSERT_EQ(captured.exitCode, 0) << captured.err;

    for (std::size_t i = 0; i < 3; ++i) {
        const SwayWindow& w = three.windows[i];
        SCOPED_TRACE(w.title);
        const Listed* entry = Find(list, w.id);
        ASSERT_NE(entry, nullptr) << listed.out;
        std::string error;
        const std::string path = folder + "/" + std::to_string(w.id) + ".bmp";
        EXPECT_NE(captured.out.find(path), std::string::npos) << captured.out;
        const Screenshot picture = ReadBmp(path, error);
        ASSERT_FALSE(picture.empty()) << error;
        // The whole frame, title bar included, in device pixels.
        EXPECT_EQ(picture.width, (w.width) * scale);
        EXPECT_EQ(picture.height, (w.height + TitleBarHeight(w)) * scale);
        EXPECT_EQ(picture.width, entry->right - entry->left);
        EXPECT_EQ(picture.height, entry->bottom - entry->top);
        const int left = (w.contentX - w.x) * scale;
        const int top = (w.contentY - (w.y - TitleBarHeight(w))) * scale;
        const int width = w.contentWidth * scale;
        const int height = w.contentHeight * scale;
        for (const auto& [fx, fy] : std::vector<std::pair<double, double>>{
                 {0.05, 0.05}, {0.95, 0.05}, {0.5, 0.5}, {0.05, 0.95}, {0.95, 0.95}}) {
            const int x = left + static_cast<int>(fx * width);
            const int y = top + static_cast<int>(fy * height);
            EXPECT_TRUE(SameColour(picture.pixel(x, y), three.colours[i], 2))
                << std::hex << "at " << std::dec << x << "," << y << " of " << picture.width << "x"
                << picture.height << ": " << std::hex << picture.pixel(x, y) << ", not " << three.colours[i];
        }
    }
}

} // namespace

TEST(WaylandTools, ListWindowsIsSwaysTreeMostRecentlyFocusedFirst) {
    SKIP_WITHOUT("sway");
    SwayDesktop sway;
    ASSERT_TRUE(sway.ok()) << sway.reason();
    const std::vector<std::string> names = {"Red", "Green", "Blue", "Stowed"};
    for (const auto& name : names) {
        auto& client = sway.startClient({"--title", name + " window", "--app-id", "zv." + name, "--color",
                                         Hex(name == "Red"     ? kRed
                                             : name == "Green" ? kGreen
                                                               : kBlue)});
        ASSERT_TRUE(client.waitForLine("ready")) << client.err();
        ASSERT_TRUE(sway.waitForWindow(name + " window")) << sway.tree();
    }
    const auto stowed = sway.window("Stowed window");
    ASSERT_TRUE(stowed);
    ASSERT_EQ(sway.swaymsg("[con_id=" + std::to_string(stowed->id) + "] move scratchpad").exitCode, 0);
    // Focused in this order, so the most recent is blue, then red, then green.
    for (const char* name : {"Green window", "Red window", "Blue window"})
        ASSERT_EQ(sway.swaymsg("[title=\"" + std::string(name) + "\"] focus").exitCode, 0);
    std::vector<SwayWindow> tiled;
    ASSERT_TRUE(SwayDesktop::waitFor([&] {
        tiled.clear();
        for (const auto& w : sway.windows())
            if (w.visible)
                tiled.push_back(w);
        return tiled.size() == 3 && sway.window("Blue window")->focused;
    })) << sway.tree();

    ZorvaneWaylandRun zorvane(sway);
    const auto listed = zorvane.runAgain({"--list-windows"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const auto list = ParseList(listed.out);
    ASSERT_EQ(list.size(), 4u) << listed.out;

    std::vector<std::string> tiledOrder;
    for (const auto& entry : list)
        if (entry.showCmd != 2)
            tiledOrder.push_back(entry.caption);
    EXPECT_EQ(tiledOrder, (std::vector<std::string>{"Blue window", "Red window", "Green window"}))
        << listed.out;
    EXPECT_EQ(list.front().caption, "Blue window") << "the focused window first";

    for (const SwayWindow& w : tiled) {
        SCOPED_TRACE(w.title);
        const Listed* entry = Find(list, w.id);
        ASSERT_NE(entry, nullptr) << listed.out;
        EXPECT_EQ(entry->caption, w.title);
        EXPECT_EQ(entry->appId, w.appId);
        EXPECT_EQ(entry->showCmd, 1);
        // The frame with the title bar above it.
        EXPECT_EQ(entry->left, w.x);
        EXPECT_EQ(entry->top, w.y - TitleBarHeight(w));
        EXPECT_GT(TitleBarHeight(w), 0);
        EXPECT_EQ(entry->right, w.x + w.width);
        EXPECT_EQ(entry->bottom, w.y + w.height);
    }
    const Listed* stowedEntry = Find(list, stowed->id);
    ASSERT_NE(stowedEntry, nullptr) << listed.out;
    EXPECT_EQ(stowedEntry->caption, "Stowed window");
    EXPECT_EQ(stowedEntry->appId, "zv.Stowed");
    EXPECT_EQ(stowedEntry->showCmd, 2) << "a scratchpad window is listed as minimised";

    // A fresh process pictures what is shown now: the scratchpad window has no picture.
    const std::string folder = sway.folder() + "/capture";
    const auto captured = zorvane.runAgain({"--capture", folder});
    EXPECT_EQ(captured.exitCode, 0) << captured.err;
    EXPECT_FALSE(fs::exists(folder + "/" + std::to_string(stowed->id) + ".bmp")) << captured.out;
    for (const SwayWindow& w : tiled)
        EXPECT_TRUE(fs::exists(folder + "/" + std::to_string(w.id) + ".bmp")) << captured.out;
}

TEST(WaylandTools, CapturedPicturesShowEachWindowsColours) {
    SKIP_WITHOUT("sway");
    SKIP_WITHOUT("grim");
    SwayDesktop sway;
    ASSERT_TRUE(sway.ok()) << sway.reason();
    ExpectCapturedColours(sway, 1);
}

TEST(WaylandTools, CapturedPicturesOnAScaledOutputHaveItsDevicePixels) {
    SKIP_WITHOUT("sway");
    SKIP_WITHOUT("grim");
    SwayDesktop sway({.scale = 2});
    ASSERT_TRUE(sway.ok()) << sway.reason();
    ExpectCapturedColours(sway, 2);
}

TEST(WaylandTools, DiagnosticsNameTheSessionAndTheBindingLines) {
    SKIP_WITHOUT("sway");
    SwayDesktop sway;
    ASSERT_TRUE(sway.ok()) << sway.reason();
    ZorvaneWaylandRun zorvane(sway);
    const auto report = zorvane.runAgain({"--diagnostics"});
    ASSERT_EQ(report.exitCode, 0) << report.err;
    const std::string& out = report.out;
    EXPECT_TRUE(out.starts_with("backend: wayland (")) << out;
    for (const std::string& line :
         std::vector<std::string>{"compositor: sway 1.", "window source: sway IPC\n",
                                  "output: HEADLESS-1 1280x720 at 0,0 scale 1\n",
                                  "key bindings for the compositor's configuration:\n",
                                  "  bindsym Mod4+Tab exec " + ZorvaneBinary() + " --wintab\n",
                                  "  bindsym Mod4+Shift+Tab exec " + ZorvaneBinary() + " --wintab-back\n",
                                  "  bindsym Mod1+grave exec " + ZorvaneBinary() + " --show\n"})
        EXPECT_NE(out.find("\n" + line), std::string::npos) << "no line '" << line << "' in\n" << out;
    const std::size_t protocols = out.find("\nprotocols:");
    ASSERT_NE(protocols, std::string::npos) << out;
    const std::string protocolLine = out.substr(protocols, out.find('\n', protocols + 1) - protocols);
    for (const char* name : {"zwlr_foreign_toplevel_manager_v1", "zwlr_screencopy_manager_v1"})
        EXPECT_NE(protocolLine.find(name), std::string::npos) << protocolLine;
}

// Without sway's IPC (SWAYSOCK unset) the windows come from the wlr foreign-toplevel list: names
// only, pictured by the GUI as cards, so --capture writes nothing.
TEST(WaylandTools, WithoutSwaysIpcTheToplevelListNamesTheWindows) {
    SKIP_WITHOUT("sway");
    SwayDesktop sway;
    ASSERT_TRUE(sway.ok()) << sway.reason();
    for (const char* name : {"Red", "Green"}) {
        auto& client = sway.startClient({"--title", std::string(name) + " window", "--app-id",
                                         std::string("zv.") + name, "--color", Hex(kRed)});
        ASSERT_TRUE(client.waitForLine("ready")) << client.err();
        ASSERT_TRUE(sway.waitForWindow(std::string(name) + " window")) << sway.tree();
    }
    ZorvaneWaylandRun zorvane(sway, {.swayIpc = false});
    const auto report = zorvane.runAgain({"--diagnostics"});
    ASSERT_EQ(report.exitCode, 0) << report.err;
    EXPECT_NE(report.out.find("\nwindow source: wlr foreign-toplevel\n"), std::string::npos) << report.out;

    const auto listed = zorvane.runAgain({"--list-windows"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const auto list = ParseList(listed.out);
    ASSERT_EQ(list.size(), 2u) << listed.out;
    std::vector<std::string> names;
    for (const auto& entry : list) {
        names.push_back(entry.caption + " " + entry.appId);
        EXPECT_GT(entry.right - entry.left, 0) << listed.out;
        EXPECT_GT(entry.bottom - entry.top, 0) << listed.out;
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Green window zv.Green", "Red window zv.Red"}));
    EXPECT_EQ(list.front().caption, "Green window") << "the focused window first";

    const std::string folder = sway.folder() + "/capture";
    const auto captured = zorvane.runAgain({"--capture", folder});
    EXPECT_EQ(captured.exitCode, 0) << captured.err;
    EXPECT_TRUE(fs::is_empty(folder)) << captured.out;
}

// A compositor without the window list: both the tools and the GUI say so in one line and end.
TEST(WaylandTools, WestonIsRefusedInOneLine) {
    SKIP_WITHOUT("weston");
    WestonDesktop weston;
    ASSERT_TRUE(weston.ok()) << weston.reason() << "\n" << weston.compositorLog();
    ZorvaneWaylandRun zorvane(weston);
    const auto listed = zorvane.runAgain({"--list-windows"});
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_EQ(listed.out, "");
    const std::string expected = "zorvane: this Wayland compositor offers no window list (the wlr "
                                 "foreign-toplevel protocol, ";
    EXPECT_TRUE(listed.err.starts_with(expected)) << listed.err;
    EXPECT_EQ(std::count(listed.err.begin(), listed.err.end(), '\n'), 1) << listed.err;

    zorvane.start();
    EXPECT_TRUE(WaylandDesktop::waitFor([&] { return !zorvane.running(); }));
    const std::string err = zorvane.trace();
    EXPECT_TRUE(err.starts_with(expected)) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(zorvane.exitCode(), 1);
}
