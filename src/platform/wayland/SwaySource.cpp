// SwaySource: sway's tree turned into window records, and sway commands for what the user does.
#include "platform/wayland/SwaySource.h"

#include "platform/wayland/WaylandDisplay.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>
#include <utility>

namespace zorvane::wayland {

namespace {

constexpr const char* kScratchpad = "__i3_scratch";
// How long sway may take to report that a focused window has the focus.
constexpr auto kFocusWait = std::chrono::milliseconds(500);

std::string conCriteria(WindowHandle window) {
    return "[con_id=" + std::to_string(window) + "] ";
}

// Workspaces in sway's own order: numbered ones by number, then the named ones by name.
bool workspaceBefore(const std::string& a, const std::string& b) {
    const int na = std::atoi(a.c_str());
    const int nb = std::atoi(b.c_str());
    if ((na > 0) != (nb > 0))
        return na > 0;
    if (na != nb)
        return na < nb;
    return a < b;
}

} // namespace

Rect SwayWindowDeviceRect(const SwayWindow& window, int scale) {
    const int top = window.y - window.titleBarHeight;
    return Rect{window.x * scale, top * scale, (window.x + window.width) * scale,
                (window.y + window.height) * scale};
}

int SwayWallpaperStyle(const std::string& mode) {
    if (mode == "tile")
        return wsTile;
    if (mode == "center")
        return wsCentre;
    return wsStretch; // stretch, fill and fit all cover the output
}

std::unique_ptr<SwaySource> SwaySource::Connect(WaylandDisplay& display) {
    const std::string path = SwayIpc::DefaultSocketPath();
    if (path.empty())
        return nullptr;
    std::string error;
    std::unique_ptr<SwayIpc> ipc = SwayIpc::Connect(path, error);
    if (!ipc)
        return nullptr;
    auto source = std::make_unique<SwaySource>(display, std::move(ipc));
    if (!source->refreshTree())
        return nullptr;
    source->focusOrder_.seed(source->tree_.windows);
    return source;
}

SwaySource::SwaySource(WaylandDisplay& display, std::unique_ptr<SwayIpc> ipc)
    : display_(display), ipc_(std::move(ipc)) {
    ipc_->subscribe({"window", "workspace", "binding"});
}

bool SwaySource::refreshTree() {
    std::optional<SwayTree> tree = ipc_->getTree();
    if (!tree)
        return false;
    tree_ = std::move(*tree);
    for (const SwayWindow& window : tree_.windows) {
        if (!window.workspace.empty() && window.workspace != kScratchpad &&
            std::find(workspaces_.begin(), workspaces_.end(), window.workspace) == workspaces_.end())
            workspaces_.push_back(window.workspace);
    }
    for (const std::string& name : {tree_.focusedWorkspace}) {
        if (!name.empty() && std::find(workspaces_.begin(), workspaces_.end(), name) == workspaces_.end())
            workspaces_.push_back(name);
    }
    std::sort(workspaces_.begin(), workspaces_.end(), workspaceBefore);
    return true;
}

int SwaySource::scaleOf(const std::string& outputName) const {
    const Output* output = display_.outputNamed(outputName.empty() ? focusedOutputName() : outputName);
    return output ? std::max(1, output->scale) : 1;
}

std::vector<WindowRecord> SwaySource::windows() {
    std::vector<WindowRecord> records;
    if (!refreshTree())
        return records;
    const pid_t self = getpid();
    for (const SwayWindow& window : focusOrder_.order(tree_.windows)) {
        WindowRecord record;
        record.handle = static_cast<WindowHandle>(window.id);
        record.appId = window.appId;
        record.title = window.title;
        record.output = window.output.empty() ? focusedOutputName() : window.output;
        record.rect = SwayWindowDeviceRect(window, scaleOf(window.output));
        record.onScreen = window.visible && !window.scratchpad;
        record.showCmd = window.scratchpad ? 2 : window.fullscreen ? 3 : 1;
        const auto workspace = std::find(workspaces_.begin(), workspaces_.end(), window.workspace);
        record.desktop = workspace == workspaces_.end() ? -1 : workspace - workspaces_.begin();
        record.own = window.pid == self;
        records.push_back(std::move(record));
    }
    return records;
}

WindowHandle SwaySource::activeWindow() {
    if (!refreshTree())
        return 0;
    for (const SwayWindow& window : tree_.windows) {
        if (window.focused)
            return static_cast<WindowHandle>(window.id);
    }
    return 0;
}

bool SwaySource::activate(WindowHandle window) {
    // focus shows a scratchpad window and takes the user to the window's workspace.
    if (!ipc_->runCommand(conCriteria(window) + "focus", nullptr))
        return false;
    const auto until = std::chrono::steady_clock::now() + kFocusWait;
    while (std::chrono::steady_clock::now() < until) {
        if (activeWindow() == window) {
            focusOrder_.focused(static_cast<std::int64_t>(window));
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

bool SwaySource::close(WindowHandle window) {
    return ipc_->runCommand(conCriteria(window) + "kill", nullptr);
}

bool SwaySource::minimize(WindowHandle window) {
    return ipc_->runCommand(conCriteria(window) + "move scratchpad", nullptr);
}

bool SwaySource::restore(WindowHandle window) {
    return activate(window);
}

int SwaySource::desktopCount() {
    return static_cast<int>(workspaces_.size());
}

long SwaySource::currentDesktop() {
    const auto found = std::find(workspaces_.begin(), workspaces_.end(), tree_.focusedWorkspace);
    return found == workspaces_.end() ? -1 : found - workspaces_.begin();
}

std::string SwaySource::focusedOutputName() const {
    for (const SwayOutput& output : tree_.outputs) {
        if (output.focused)
            return output.name;
    }
    return tree_.outputs.empty() ? std::string() : tree_.outputs.front().name;
}

std::string SwaySource::focusedOutput() {
    return focusedOutputName();
}

int SwaySource::eventFd() const {
    return ipc_->eventFd();
}

int SwaySource::processEvents() {
    int changed = kNothing;
    for (const SwayEvent& event : ipc_->readEvents()) {
        if (event.type == SwayEventType::window) {
            const std::optional<SwayWindowEvent> parsed = ParseSwayWindowEvent(event.payload);
            if (!parsed)
                continue;
            if (parsed->change == "focus") {
                focusOrder_.focused(parsed->container.id);
                changed |= kFocus;
            } else if (parsed->change == "close") {
                focusOrder_.closed(parsed->container.id);
                changed |= kWindows;
            } else if (parsed->change == "new" || parsed->change == "title" || parsed->change == "move") {
                changed |= kWindows;
            }
        } else if (event.type == SwayEventType::binding) {
            const std::optional<SwayBindingEvent> parsed = ParseSwayBindingEvent(event.payload);
            if (parsed && parsed->change == "run")
                runBindings_.push_back(parsed->command);
        } else if (event.type == SwayEventType::workspace) {
            const std::optional<SwayWorkspaceEvent> parsed = ParseSwayWorkspaceEvent(event.payload);
            if (parsed && parsed->change == "focus")
                changed |= kFocus;
        }
    }
    return changed;
}

std::optional<KeyBindResult> SwaySource::bindKey(const std::string& comboText, const std::string& command) {
    const std::optional<SwayCombo> combo = ParseCombo(comboText);
    if (!combo)
        return KeyBindResult{false, "sway: no such key combination: " + comboText};
    // A combination the user's configuration binds to something else stays theirs.
    if (const std::optional<std::string> config = ipc_->getConfig()) {
        if (const std::optional<SwayBinding> binding = FindBinding(*config, *combo);
            binding && !binding->ownCommand)
            return KeyBindResult{false, "sway, line " + std::to_string(binding->lineNumber) +
                                            " of its "
                                            "configuration: " +
                                            binding->line};
    }
    std::string error;
    if (!ipc_->runCommand("bindsym " + FormatCombo(*combo) + " exec " + command, &error))
        return KeyBindResult{false, "sway: " + error};
    return KeyBindResult{true, {}};
}

void SwaySource::unbindKey(const std::string& comboText) {
    if (const std::optional<SwayCombo> combo = ParseCombo(comboText))
        ipc_->runCommand("unbindsym " + FormatCombo(*combo), nullptr);
}

std::vector<std::string> SwaySource::takeRunBindings() {
    return std::exchange(runBindings_, {});
}

std::string SwaySource::bindingReport() {
    const std::optional<std::string> config = ipc_->getConfig();
    std::string report;
    for (const char* text : {"Mod4+Tab", "Mod4+Shift+Tab"}) {
        const std::optional<SwayCombo> combo = ParseCombo(text);
        const std::optional<SwayBinding> binding =
            combo && config ? FindBinding(*config, *combo) : std::nullopt;
        report += std::string("sway configuration, ") + text + ": " +
                  (binding ? "line " + std::to_string(binding->lineNumber) + ": " + binding->line
                           : std::string("not bound (Zorvane binds it while it runs)")) +
                  "\n";
    }
    return report;
}

std::optional<WallpaperInfo> SwaySource::wallpaper() {
    const std::optional<std::string> config = ipc_->getConfig();
    const char* home = std::getenv("HOME");
    const std::optional<SwayWallpaper> found =
        config ? FindSwayWallpaper(*config, home ? home : "") : std::nullopt;
    if (!found)
        return std::nullopt;
    WallpaperInfo info;
    info.fileName = found->file;
    info.style = SwayWallpaperStyle(found->mode);
    info.desktopColor = found->colour.value_or(0);
    return info;
}

std::string SwaySource::compositorName() {
    // "sway version 1.7": the version reply's own words for people.
    const std::optional<std::string> reply = ipc_->request(SwayRequest::getVersion, "");
    if (reply) {
        const nlohmann::json version = nlohmann::json::parse(*reply, nullptr, false);
        if (version.is_object() && version.value("human_readable", std::string()) != "")
            return "sway " + version.value("human_readable", std::string());
    }
    return "sway";
}

} // namespace zorvane::wayland
