// EffectTestSupport: what effect tests share — a host that counts frames instead of painting, and a
// captured window list whose records carry hand-set geometry (no GL needed).
#pragma once

#include "effects/EffectHost.h"
#include "render/RenderScene.h"
#include "windows/unitWindowInfos.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zorvane::test {

// Counts frames (a Redraw is one invalidate followed by processMessages), sleeps and close requests.
// onFrame runs at every frame, where the view would paint; onMessages runs on every processMessages,
// where nested input and render ticks would run.
class CountingHost final : public EffectHost {
public:
    void invalidate() override { dirty_ = true; }
    void processMessages() override {
        if (onMessages) {
            onMessages();
        }
        if (dirty_) {
            dirty_ = false;
            ++frames;
            if (onFrame) {
                onFrame();
            }
        }
    }
    void postEffectClose() override { ++closeRequests; }
    void sleep(int milliseconds) override {
        ++sleeps;
        sleptMilliseconds += milliseconds;
    }
    int screenWidth() const override { return width; }
    int screenHeight() const override { return height; }

    std::function<void()> onFrame;
    std::function<void()> onMessages;
    int frames = 0;
    int sleeps = 0;
    long long sleptMilliseconds = 0;
    int closeRequests = 0;
    int width = 1280;
    int height = 720;

private:
    bool dirty_ = false;
};

// Geometry of one record in view units.
struct RecordGeometry {
    float homeX = -0.5f;
    float homeY = 0.5f;
    float width = 0.5f;
    float height = 0.4f;
};

// A captured list of records with handles 1, 2, ... and the given geometry (X, Y at home), kept in
// a private temporary folder that goes away with the object.
class LogicWindowList {
public:
    explicit LogicWindowList(const std::vector<RecordGeometry>& records);
    // count records with varied geometry.
    explicit LogicWindowList(int count);
    ~LogicWindowList();
    LogicWindowList(const LogicWindowList&) = delete;
    LogicWindowList& operator=(const LogicWindowList&) = delete;

    TWindowInfos& list() { return *list_; }
    // The handles in list order.
    std::vector<WindowHandle> handles() const;

private:
    void build(const std::vector<RecordGeometry>& records);
    FixedScreen screen_{1280, 720};
    std::string folder_;
    std::unique_ptr<TWindowInfos> list_;
};

} // namespace zorvane::test
