// ToplevelSource: the foreign-toplevel list as window records, most recently activated first.
#include "platform/wayland/ToplevelSource.h"

#include "platform/wayland/Toplevels.h"
#include "platform/wayland/WaylandDisplay.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace zorvane::wayland {

namespace {

// How long a request may take before the compositor is taken to have refused it.
constexpr auto kStateWait = std::chrono::milliseconds(500);

Rect outputRect(const Output& output) {
    const int left = output.logicalX * output.scale;
    const int top = output.logicalY * output.scale;
    const int width = output.pixelWidth > 0 ? output.pixelWidth : output.logicalWidth * output.scale;
    const int height = output.pixelHeight > 0 ? output.pixelHeight : output.logicalHeight * output.scale;
    return Rect{left, top, left + width, top + height};
}

} // namespace

std::vector<Rect> SpreadEvenly(int count, const Rect& screen) {
    std::vector<Rect> places;
    if (count <= 0 || screen.empty())
        return places;
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const int rows = (count + columns - 1) / columns;
    const int cellWidth = screen.width() / columns;
    const int cellHeight = screen.height() / rows;
    const int width = std::max(1, cellWidth * 3 / 4);
    const int height = std::max(1, cellHeight * 3 / 4);
    for (int i = 0; i < count; ++i) {
        const int left = screen.left + (i % columns) * cellWidth + (cellWidth - width) / 2;
        const int top = screen.top + (i / columns) * cellHeight + (cellHeight - height) / 2;
        places.push_back(Rect{left, top, left + width, top + height});
    }
    return places;
}

ToplevelSource::ToplevelSource(WaylandDisplay& display, Toplevels& toplevels, std::string ownAppId)
    : display_(display), toplevels_(toplevels), ownAppId_(std::move(ownAppId)) {}

std::string ToplevelSource::focusedOutput() {
    // The active window's output, else the first one.
    for (const Toplevel* toplevel : toplevels_.list()) {
        if (toplevel->activated && !toplevel->outputs.empty()) {
            if (const Output* output = display_.outputOf(toplevel->outputs.front()))
                return output->name;
        }
    }
    return display_.outputs().empty() ? std::string() : display_.outputs().front()->name;
}

std::vector<WindowRecord> ToplevelSource::windows() {
    std::vector<const Toplevel*> list = toplevels_.list();
    // Most recently activated first; those never seen active keep the compositor's order.
    std::stable_sort(list.begin(), list.end(), [](const Toplevel* a, const Toplevel* b) {
        return a->lastActivated > b->lastActivated;
    });
    const std::string outputName = focusedOutput();
    Rect screen;
    if (const Output* output = display_.outputNamed(outputName))
        screen = outputRect(*output);
    const std::vector<Rect> places = SpreadEvenly(static_cast<int>(list.size()), screen);
    std::vector<WindowRecord> records;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Toplevel& toplevel = *list[i];
        WindowRecord record;
        record.handle = toplevel.id;
        record.appId = toplevel.appId;
        record.title = toplevel.title;
        record.rect = i < places.size() ? places[i] : Rect{};
        record.output = outputName;
        record.onScreen = false; // no geometry: nothing can be cut out of an output's picture
        record.showCmd = toplevel.minimized ? 2 : toplevel.maximized ? 3 : 1;
        record.own = !ownAppId_.empty() && toplevel.appId == ownAppId_;
        records.push_back(std::move(record));
    }
    return records;
}

int ToplevelSource::processEvents() {
    // The list's events arrive on the compositor's connection, already read: only compare.
    if (toplevels_.generation() == seenGeneration_)
        return kNothing;
    seenGeneration_ = toplevels_.generation();
    return kWindows;
}

WindowHandle ToplevelSource::activeWindow() {
    for (const Toplevel* toplevel : toplevels_.list()) {
        if (toplevel->activated)
            return toplevel->id;
    }
    return 0;
}

bool ToplevelSource::activate(WindowHandle window) {
    if (!toplevels_.activate(window))
        return false;
    // The compositor answers with the activated state; wait (bounded) for it.
    const auto until = std::chrono::steady_clock::now() + kStateWait;
    while (std::chrono::steady_clock::now() < until) {
        const Toplevel* toplevel = toplevels_.find(window);
        if (!toplevel)
            return false;
        if (toplevel->activated)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        display_.roundtrip();
    }
    return false;
}

bool ToplevelSource::close(WindowHandle window) {
    return toplevels_.close(window);
}

bool ToplevelSource::minimize(WindowHandle window) {
    return toplevels_.minimize(window);
}

bool ToplevelSource::restore(WindowHandle window) {
    return toplevels_.restore(window);
}

} // namespace zorvane::wayland
