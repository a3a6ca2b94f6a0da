// SwayTree: walks sway's GET_TREE, GET_OUTPUTS and event JSON into SwayWindow, SwayOutput and friends.
#include "platform/wayland/SwayTree.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace zorvane::wayland {

namespace {

using nlohmann::json;

// Sway's hidden output and workspace that hold the scratchpad.
constexpr std::string_view scratchOutput = "__i3";
constexpr std::string_view scratchWorkspace = "__i3_scratch";

// Missing keys and nulls (sway sends null names and app_ids) read as empty or zero.
std::string text(const json& node, const char* key) {
    const auto it = node.find(key);
    return it != node.end() && it->is_string() ? it->get<std::string>() : std::string();
}

std::int64_t integer(const json& node, const char* key) {
    const auto it = node.find(key);
    if (it == node.end() || !it->is_number())
        return 0;
    if (it->is_number_float()) {
        // Converting a float out of range is undefined; sway only sends whole numbers anyway.
        const double value = it->get<double>();
        return value > -2e9 && value < 2e9 ? static_cast<std::int64_t>(value) : 0;
    }
    return it->get<std::int64_t>();
}

bool flag(const json& node, const char* key) {
    const auto it = node.find(key);
    return it != node.end() && it->is_boolean() && it->get<bool>();
}

SwayRect rect(const json& node, const char* key) {
    const auto it = node.find(key);
    if (it == node.end() || !it->is_object())
        return {};
    return {static_cast<int>(integer(*it, "x")), static_cast<int>(integer(*it, "y")),
            static_cast<int>(integer(*it, "width")), static_cast<int>(integer(*it, "height"))};
}

const json& array(const json& node, const char* key) {
    static const json empty = json::array();
    const auto it = node.find(key);
    return it != node.end() && it->is_array() ? *it : empty;
}

// Tiled children, then floating ones: the order sway draws and lists them in.
std::vector<const json*> children(const json& node) {
    std::vector<const json*> result;
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const auto& child : array(node, key)) {
            if (child.is_object())
                result.push_back(&child);
        }
    }
    return result;
}

// The children by the node's focus list (most recent first), then any the list leaves out, such as
// the scratchpad's output, which the root never lists.
std::vector<const json*> childrenByFocus(const json& node) {
    const std::vector<const json*> all = children(node);
    std::vector<const json*> result;
    std::unordered_set<const json*> taken;
    for (const auto& id : array(node, "focus")) {
        if (!id.is_number_integer())
            continue;
        const auto it = std::find_if(all.begin(), all.end(), [&](const json* child) {
            return integer(*child, "id") == id.get<std::int64_t>();
        });
        if (it != all.end() && taken.insert(*it).second)
            result.push_back(*it);
    }
    for (const json* child : all) {
        if (!taken.contains(child))
            result.push_back(child);
    }
    return result;
}

// Split containers have no app_id, shell or X11 window of their own; views always carry them.
bool isView(const json& node) {
    return array(node, "nodes").empty() &&
           (node.contains("app_id") || node.contains("shell") || node.contains("window_properties"));
}

struct Place {
    std::string output;
    std::string workspace;
    bool floating = false;
    bool scratchpad = false;
};

SwayWindow windowFrom(const json& node, const Place& place) {
    SwayWindow window;
    window.id = integer(node, "id");
    window.title = text(node, "name");
    window.appId = text(node, "app_id");
    const auto properties = node.find("window_properties");
    const bool hasProperties = properties != node.end() && properties->is_object();
    if (window.appId.empty() && hasProperties) {
        window.appId = text(*properties, "class");
        if (window.appId.empty())
            window.appId = text(*properties, "instance");
    }
    const SwayRect frame = rect(node, "rect");
    window.x = frame.x;
    window.y = frame.y;
    window.width = frame.width;
    window.height = frame.height;
    window.titleBarHeight = rect(node, "deco_rect").height;
    const SwayRect inner = rect(node, "window_rect"); // relative to rect
    window.content = {frame.x + inner.x, frame.y + inner.y, inner.width, inner.height};
    window.workspace = place.workspace;
    window.output = place.output;
    window.visible = flag(node, "visible");
    window.focused = flag(node, "focused");
    window.scratchpad = place.scratchpad;
    // Newer sway also says "floating": "user_on" / "auto_on" on every container.
    const std::string floatingState = text(node, "floating");
    window.floating =
        place.floating || text(node, "type") == "floating_con" || floatingState.ends_with("_on");
    window.fullscreen = integer(node, "fullscreen_mode") != 0;
    const std::string shell = text(node, "shell");
    window.xwayland = shell == "xwayland" || (shell.empty() && hasProperties);
    window.pid = static_cast<int>(integer(node, "pid"));
    return window;
}

void collectWindows(const json& node, Place place, std::vector<SwayWindow>& out) {
    const std::string type = text(node, "type");
    if (type == "output") {
        place.output = text(node, "name");
        if (place.output == scratchOutput) {
            place.output.clear();
            place.scratchpad = true;
        }
    } else if (type == "workspace") {
        place.workspace = text(node, "name");
        if (place.workspace == scratchWorkspace)
            place.scratchpad = true;
    } else if (type == "floating_con") {
        place.floating = true; // the children of a floating split float with it
    }
    if ((type == "con" || type == "floating_con") && isView(node)) {
        out.push_back(windowFrom(node, place));
        return;
    }
    for (const json* child : childrenByFocus(node))
        collectWindows(*child, place, out);
}

SwayOutput outputFrom(const json& node) {
    SwayOutput output;
    output.name = text(node, "name");
    const SwayRect box = rect(node, "rect");
    output.x = box.x;
    output.y = box.y;
    output.width = box.width;
    output.height = box.height;
    const auto scale = node.find("scale");
    if (scale != node.end() && scale->is_number() && scale->get<double>() > 0)
        output.scale = scale->get<double>();
    output.focused = flag(node, "focused");
    output.currentWorkspace = text(node, "current_workspace");
    return output;
}

std::optional<json> parse(std::string_view payload) {
    json value = json::parse(payload.begin(), payload.end(), nullptr, false);
    if (value.is_discarded())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<SwayTree> ParseSwayTree(std::string_view payload) {
    try {
        const auto root = parse(payload);
        if (!root || !root->is_object() || !root->contains("nodes"))
            return std::nullopt;
        SwayTree tree;
        collectWindows(*root, {}, tree.windows);

        // Sway marks only the focused container itself; the seat's focus path leads to it from the
        // root through each node's most recent child, naming the focused output and workspace.
        std::string focusedOutput;
        for (const json* node = &*root;;) {
            const std::string type = text(*node, "type");
            if (type == "output")
                focusedOutput = text(*node, "name");
            else if (type == "workspace")
                tree.focusedWorkspace = text(*node, "name");
            const auto ordered = childrenByFocus(*node);
            if (ordered.empty() || array(*node, "focus").empty())
                break;
            node = ordered.front();
        }
        for (const json* node : children(*root)) {
            if (text(*node, "type") != "output" || text(*node, "name") == scratchOutput)
                continue;
            SwayOutput output = outputFrom(*node);
            output.focused = output.name == focusedOutput;
            tree.outputs.push_back(std::move(output));
        }
        return tree;
    } catch (const json::exception&) {
        return std::nullopt;
    }
}

std::optional<std::vector<SwayOutput>> ParseSwayOutputs(std::string_view payload) {
    try {
        const auto list = parse(payload);
        if (!list || !list->is_array())
            return std::nullopt;
        std::vector<SwayOutput> outputs;
        for (const auto& node : *list) {
            // A disabled output has no place on the plane; older sway omits "active".
            if (!node.is_object() || (node.contains("active") && !flag(node, "active")))
                continue;
            outputs.push_back(outputFrom(node));
        }
        return outputs;
    } catch (const json::exception&) {
        return std::nullopt;
    }
}

std::optional<SwayWindowEvent> ParseSwayWindowEvent(std::string_view payload) {
    try {
        const auto event = parse(payload);
        if (!event || !event->is_object())
            return std::nullopt;
        const auto container = event->find("container");
        if (container == event->end() || !container->is_object())
            return std::nullopt;
        return SwayWindowEvent{text(*event, "change"), windowFrom(*container, {})};
    } catch (const json::exception&) {
        return std::nullopt;
    }
}

std::optional<SwayWorkspaceEvent> ParseSwayWorkspaceEvent(std::string_view payload) {
    try {
        const auto event = parse(payload);
        if (!event || !event->is_object() || !event->contains("change"))
            return std::nullopt;
        SwayWorkspaceEvent result;
        result.change = text(*event, "change");
        for (auto [key, name] : {std::pair{"current", &result.current}, std::pair{"old", &result.old}}) {
            const auto it = event->find(key);
            if (it != event->end() && it->is_object())
                *name = text(*it, "name");
        }
        return result;
    } catch (const json::exception&) {
        return std::nullopt;
    }
}

std::optional<SwayBindingEvent> ParseSwayBindingEvent(std::string_view payload) {
    try {
        const auto event = parse(payload);
        if (!event || !event->is_object() || !event->contains("change"))
            return std::nullopt;
        SwayBindingEvent result;
        result.change = text(*event, "change");
        const auto binding = event->find("binding");
        if (binding != event->end() && binding->is_object())
            result.command = text(*binding, "command");
        return result;
    } catch (const json::exception&) {
        return std::nullopt;
    }
}

void FocusOrder::seed(const std::vector<SwayWindow>& windows) {
    ids_.clear();
    for (const auto& window : windows)
        ids_.push_back(window.id);
}

void FocusOrder::focused(std::int64_t id) {
    closed(id);
    ids_.insert(ids_.begin(), id);
}

void FocusOrder::closed(std::int64_t id) {
    std::erase(ids_, id);
}

std::vector<SwayWindow> FocusOrder::order(const std::vector<SwayWindow>& windows) const {
    std::vector<SwayWindow> result;
    result.reserve(windows.size());
    std::vector<bool> placed(windows.size(), false);
    std::unordered_map<std::int64_t, std::size_t> index;
    for (std::size_t i = 0; i < windows.size(); ++i)
        index.emplace(windows[i].id, i);
    auto place = [&](std::size_t i) {
        if (!placed[i]) {
            placed[i] = true;
            result.push_back(windows[i]);
        }
    };
    // The tree's focus is the truth now, even if its event has not been read yet.
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (windows[i].focused)
            place(i);
    }
    for (const std::int64_t id : ids_) {
        const auto it = index.find(id);
        if (it != index.end())
            place(it->second);
    }
    for (std::size_t i = 0; i < windows.size(); ++i)
        place(i);
    return result;
}

} // namespace zorvane::wayland
