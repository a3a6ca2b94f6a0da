// RenderScene: drawing an effect without the view — the view's GL set-up, an effect host that
// paints into the current (offscreen) context, and a captured window list built from made-up
// windows. Used by zorvane-render and by the drawing tests.
#pragma once

#include "effects/EffectHost.h"
#include "platform/PlatformTypes.h"
#include "render/SyntheticWindows.h"
#include "windows/unitWindowInfos.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zorvane {

class TEffect;

// The view's fixed GL state and projection: modulate, 2D textures, depth test, smooth shading,
// black clear, viewport over width x height, 45 degree perspective at the constant aspect 1.
void SetUpViewGL(int width, int height);

// A screen of a fixed size whose windows sit where the scene says.
class FixedScreen final : public ScreenGeometry {
public:
    FixedScreen(int width, int height) : width_(width), height_(height) {}
    int screenWidth() const override { return width_; }
    int screenHeight() const override { return height_; }
    bool windowRect(WindowHandle window, Rect& rect) const override;
    bool windowRegionBox(WindowHandle, Rect&) const override { return false; }
    void place(WindowHandle window, const Rect& rect) { rects_[window] = rect; }

private:
    int width_;
    int height_;
    std::map<WindowHandle, Rect> rects_;
};

// A captured window list of made-up windows, with textures (the GL context must be current while it
// is built and destroyed). Records keep their files in a private temporary folder removed at the end.
// Window number i gets the handle i + 1.
class SceneWindows {
public:
    SceneWindows(int screenWidth, int screenHeight, const std::vector<WindowSetup>& windows);
    ~SceneWindows();
    SceneWindows(const SceneWindows&) = delete;
    SceneWindows& operator=(const SceneWindows&) = delete;

    TWindowInfos& list() { return *list_; }
    const FixedScreen& screen() const { return screen_; }

private:
    FixedScreen screen_;
    std::string folder_;
    std::unique_ptr<TWindowInfos> list_;
};

// Paints the effect into the current context whenever it asks for a redraw. Sleeps are recorded,
// not slept; close requests are counted. onFrame runs after every painted frame (to save it).
class RenderHost final : public EffectHost {
public:
    RenderHost(int width, int height) : width_(width), height_(height) {}

    void setEffect(TEffect* effect) { effect_ = effect; }
    // Paints one frame now: clear, identity model-view, the effect's Draw, glFinish.
    void paint();

    void invalidate() override { dirty_ = true; }
    void processMessages() override;
    void postEffectClose() override { ++closeRequests; }
    void sleep(int milliseconds) override {
        ++sleeps;
        sleptMilliseconds += milliseconds;
    }
    int screenWidth() const override { return width_; }
    int screenHeight() const override { return height_; }
    bool showTitles() const override { return static_cast<bool>(titlePlates); }
    TTitleImage titleImage(const TWindowInfo& window, int maxWidth, bool highlighted) override {
        return titlePlates ? titlePlates(window, maxWidth, highlighted) : TTitleImage{};
    }

    // Title plates handed to the effect; none (the default) means no titles at all.
    std::function<TTitleImage(const TWindowInfo&, int maxWidth, bool highlighted)> titlePlates;
    std::function<void()> onFrame;
    // Runs inside processMessages before the paint: what a nested event would do (tests).
    std::function<void()> onMessages;
    int frames = 0;
    int sleeps = 0;
    long long sleptMilliseconds = 0;
    int closeRequests = 0;
    std::array<float, 4> clearColor{0.0f, 0.0f, 0.0f, 1.0f};

private:
    int width_;
    int height_;
    TEffect* effect_ = nullptr;
    bool dirty_ = false;
};

} // namespace zorvane
