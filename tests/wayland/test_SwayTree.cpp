// Sway's tree, outputs and events, as captured from a headless sway 1.7, read into our types.
#include "platform/wayland/SwayTree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace zorvane::wayland;

namespace {

std::string readData(const std::string& name) {
    std::ifstream in(std::string(ZV_SWAY_DATA_DIR) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Two outputs (HEADLESS-1 at scale 1.5), a tiled and a floating window on workspace 1, a tiled and a
// fullscreen one on the hidden workspace 2, one on workspace 3, and a foot sent to the scratchpad.
TEST(SwayTree, WindowsComeInFocusOrderWithTheirPlaces) {
    const auto tree = ParseSwayTree(readData("tree_outputs_floating_scratchpad.json"));
    ASSERT_TRUE(tree);
    struct Expected {
        std::int64_t id;
        const char* title;
        const char* workspace;
        const char* output;
        bool visible, focused, floating, fullscreen, scratchpad;
        int x, y, width, height, titleBar;
    };
    const Expected expected[] = {
        {7, "alpha one", "1", "HEADLESS-1", true, true, false, false, false, 2304, 25, 853, 508, 25},
        {8, "beta", "1", "HEADLESS-1", true, false, true, false, false, 2378, 17, 704, 502, 25},
        {13, "zeta other output", "3", "HEADLESS-2", true, false, false, false, false, 1280, 25, 1024, 743,
         25},
        {11, "eps full", "2", "HEADLESS-2", false, false, false, true, false, 1280, 0, 1024, 768, 0},
        {10, "delta ws2", "2", "HEADLESS-2", false, false, false, false, false, 1280, 25, 512, 743, 25},
        {9, "gamma scratch", "__i3_scratch", "", false, false, true, false, true, 2515, 53, 430, 426, 0},
    };
    ASSERT_EQ(tree->windows.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto& e = expected[i];
        const auto& w = tree->windows[i];
        SCOPED_TRACE(e.title);
        EXPECT_EQ(w.id, e.id);
        EXPECT_EQ(w.title, e.title);
        EXPECT_EQ(w.appId, "foot");
        EXPECT_FALSE(w.xwayland);
        EXPECT_GT(w.pid, 0);
        EXPECT_EQ(w.workspace, e.workspace);
        EXPECT_EQ(w.output, e.output);
        EXPECT_EQ(w.visible, e.visible);
        EXPECT_EQ(w.focused, e.focused);
        EXPECT_EQ(w.floating, e.floating);
        EXPECT_EQ(w.fullscreen, e.fullscreen);
        EXPECT_EQ(w.scratchpad, e.scratchpad);
        EXPECT_EQ((std::array{w.x, w.y, w.width, w.height}), (std::array{e.x, e.y, e.width, e.height}));
        EXPECT_EQ(w.titleBarHeight, e.titleBar);
    }
    // The client's surface sits inside the 2-pixel borders, below the title bar.
    const SwayRect content = tree->windows[0].content;
    EXPECT_EQ((std::array{content.x, content.y, content.width, content.height}),
              (std::array{2306, 25, 849, 506}));
}

TEST(SwayTree, OutputsAgreeWithGetOutputs) {
    const auto tree = ParseSwayTree(readData("tree_outputs_floating_scratchpad.json"));
    const auto outputs = ParseSwayOutputs(readData("outputs.json"));
    ASSERT_TRUE(tree);
    ASSERT_TRUE(outputs);
    EXPECT_EQ(tree->focusedWorkspace, "1");
    struct Expected {
        const char* name;
        int x, y, width, height;
        double scale;
        bool focused;
        const char* workspace;
    };
    const Expected expected[] = {{"HEADLESS-1", 2304, 0, 853, 533, 1.5, true, "1"},
                                 {"HEADLESS-2", 1280, 0, 1024, 768, 1.0, false, "3"}};
    for (const auto* list : {&tree->outputs, &*outputs}) {
        ASSERT_EQ(list->size(), std::size(expected));
        for (std::size_t i = 0; i < std::size(expected); ++i) {
            const auto& e = expected[i];
            const auto& o = (*list)[i];
            SCOPED_TRACE(std::string(e.name) + (list == &tree->outputs ? " in the tree" : " in GET_OUTPUTS"));
            EXPECT_EQ(o.name, e.name);
            EXPECT_EQ((std::array{o.x, o.y, o.width, o.height}), (std::array{e.x, e.y, e.width, e.height}));
            EXPECT_DOUBLE_EQ(o.scale, e.scale);
            EXPECT_EQ(o.focused, e.focused);
            EXPECT_EQ(o.currentWorkspace, e.workspace);
        }
    }
}

TEST(SwayTree, XwaylandWindowsAreNamedByTheirClass) {
    const auto tree = ParseSwayTree(readData("tree_xwayland.json"));
    ASSERT_TRUE(tree);
    ASSERT_EQ(tree->windows.size(), 1u);
    const auto& w = tree->windows[0];
    EXPECT_EQ(w.appId, "XTermClass"); // app_id is null for X11 clients
    EXPECT_EQ(w.title, "x term");
    EXPECT_TRUE(w.xwayland);
    EXPECT_TRUE(w.focused);
    EXPECT_DOUBLE_EQ(tree->outputs.at(0).scale, 2.0);
    EXPECT_EQ(tree->outputs.at(0).width, 800);
}

// Windows nested in split containers (a stack holding a tabbed container) are found, and ordered
// by each level's focus list.
TEST(SwayTree, NestedContainersFollowEachFocusList) {
    const auto tree = ParseSwayTree(readData("tree_stacked_tabbed.json"));
    ASSERT_TRUE(tree);
    std::vector<std::string> titles;
    for (const auto& w : tree->windows)
        titles.push_back(w.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"t2", "t1", "s3", "s1", "s2"}));
    EXPECT_TRUE(tree->windows[0].visible);
    EXPECT_FALSE(tree->windows[1].visible);
}

TEST(SwayTree, MalformedInputIsRefusedOrReadWithoutThrowing) {
    struct Case {
        const char* json;
        bool parsed;
    };
    const Case cases[] = {
        {"", false},
        {"{", false},
        {"[]", false},
        {"null", false},
        {"{\"id\":1,\"type\":\"root\",\"nodes\":5}", true},
        // Every field of the wrong type.
        {R"({"type":"root","nodes":[{"type":"output","name":7,"rect":"x","scale":"2","nodes":[
            {"type":"workspace","name":null,"focus":"x","nodes":[
            {"type":"con","id":"9","app_id":3,"rect":{"x":"1"},"pid":[],"focused":1,"nodes":{}}]}]}],
            "focus":[null,{}]})",
         true},
        {R"({"type":"root","nodes":[{"type":"con","app_id":"a","id":1e300}]})", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(ParseSwayTree(c.json).has_value(), c.parsed);
        EXPECT_NO_THROW(ParseSwayOutputs(c.json));
        EXPECT_NO_THROW(ParseSwayWindowEvent(c.json));
    }
}

// Window and workspace events as sway sent them while a window was focused, opened on a new
// workspace, renamed, floated and closed.
TEST(SwayEvents, CapturedEventsRead) {
    struct Expected {
        const char* change;
        bool window;
        std::int64_t id;
        const char* name; // window title or current workspace
        const char* old;
        bool floating;
    };
    const Expected expected[] = {
        {"focus", true, 8, "beta", "", true},      {"init", false, 0, "5", "", false},
        {"focus", false, 0, "5", "1", false},      {"new", true, 15, "", "", false},
        {"title", true, 15, "eta new", "", false}, {"focus", true, 15, "eta new", "", false},
        {"title", true, 15, "eta new", "", false}, {"floating", true, 15, "eta new", "", true},
        {"close", true, 15, "eta new", "", true},  {"focus", false, 0, "1", "5", false},
        {"focus", true, 8, "beta", "", true},      {"empty", false, 0, "5", "", false},
    };
    std::istringstream lines(readData("events.jsonl"));
    std::string line;
    std::size_t i = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(i, std::size(expected));
        const auto& e = expected[i++];
        SCOPED_TRACE(line.substr(0, 80));
        const auto window = ParseSwayWindowEvent(line);
        ASSERT_EQ(window.has_value(), e.window); // workspace events carry no container
        if (window) {
            EXPECT_EQ(window->change, e.change);
            EXPECT_EQ(window->container.id, e.id);
            EXPECT_EQ(window->container.title, e.name);
            EXPECT_EQ(window->container.appId, "foot");
            EXPECT_EQ(window->container.floating, e.floating);
        } else {
            const auto workspace = ParseSwayWorkspaceEvent(line);
            ASSERT_TRUE(workspace);
            EXPECT_EQ(workspace->change, e.change);
            EXPECT_EQ(workspace->current, e.name);
            EXPECT_EQ(workspace->old, e.old);
        }
    }
    EXPECT_EQ(i, std::size(expected));
}

std::vector<std::int64_t> ids(const std::vector<SwayWindow>& windows) {
    std::vector<std::int64_t> out;
    for (const auto& w : windows)
        out.push_back(w.id);
    return out;
}

SwayWindow window(std::int64_t id, bool focused = false) {
    SwayWindow w;
    w.id = id;
    w.focused = focused;
    return w;
}

TEST(FocusOrder, FollowsEventsBetweenTrees) {
    const auto tree = ParseSwayTree(readData("tree_outputs_floating_scratchpad.json"));
    ASSERT_TRUE(tree);
    FocusOrder order;
    order.seed(tree->windows);
    EXPECT_EQ(ids(order.order(tree->windows)), (std::vector<std::int64_t>{7, 8, 13, 11, 10, 9}));

    // The tree alone would put workspace 1's windows first; the events say delta was used last
    // before alpha.
    order.focused(10);
    order.focused(7);
    order.closed(13);
    EXPECT_EQ(order.ids(), (std::vector<std::int64_t>{7, 10, 8, 11, 9}));

    struct Case {
        const char* what;
        std::vector<SwayWindow> fresh;
        std::vector<std::int64_t> expected;
    };
    const Case cases[] = {
        {"known windows by use", {window(8), window(7, true), window(10)}, {7, 10, 8}},
        {"the focused one first though its event is unread",
         {window(7), window(8, true), window(10)},
         {8, 7, 10}},
        {"a new focused window first", {window(7), window(10), window(42, true)}, {42, 7, 10}},
        {"a window never focused last, in tree order",
         {window(50), window(7, true), window(51), window(10)},
         {7, 10, 50, 51}},
        {"closed and gone", {window(7, true)}, {7}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ids(order.order(c.fresh)), c.expected);
    }
}

} // namespace
