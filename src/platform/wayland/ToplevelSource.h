// ToplevelSource: the window source of any wlroots compositor: the foreign-toplevel list. It has
// no geometry, so every window gets a home place of its own, spread evenly over the focused output.
#pragma once

#include "platform/wayland/WindowSource.h"

namespace zorvane::wayland {

class Toplevels;
class WaylandDisplay;

// The home places of `count` windows without geometry: a grid of equal cells over `screen`, each
// window a card of 3/4 of its cell, centred. Row by row, first window top left.
std::vector<Rect> SpreadEvenly(int count, const Rect& screen);

class ToplevelSource : public WindowSource {
public:
    // ownAppId: the app_id of this program's own windows.
    ToplevelSource(WaylandDisplay& display, Toplevels& toplevels, std::string ownAppId);
    std::string name() const override { return "wlr foreign-toplevel"; }
    std::vector<WindowRecord> windows() override;
    WindowHandle activeWindow() override;
    bool activate(WindowHandle window) override;
    bool close(WindowHandle window) override;
    bool minimize(WindowHandle window) override;
    bool restore(WindowHandle window) override;
    std::string focusedOutput() override;
    int processEvents() override;

private:
    WaylandDisplay& display_;
    Toplevels& toplevels_;
    std::string ownAppId_;
    std::uint64_t seenGeneration_ = 0;
};

} // namespace zorvane::wayland
