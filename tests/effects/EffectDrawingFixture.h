// EffectDrawingFixture: an effect of type Effect drawing real frames into an offscreen GL surface
// of width x height, over windows the test describes.
#pragma once

#include "render/RenderScene.h"
#include "support/GLFixture.h"

#include <memory>
#include <string>
#include <vector>

namespace zorvane::test {

template <class Effect, int width, int height> class EffectDrawingFixture : public GLFixture {
protected:
    void SetUp() override {
        recreate(width, height);
        SetUpViewGL(width, height);
    }
    void TearDown() override {
        if (host)
            host->setEffect(nullptr);
        effect.reset();
        scene.reset();
    }
    void Build(const std::vector<WindowSetup>& windows, const std::string& options) {
        scene = std::make_unique<SceneWindows>(width, height, windows);
        host = std::make_unique<RenderHost>(width, height);
        effect = std::make_unique<Effect>(*host, options, scene->list());
        host->setEffect(effect.get());
        expectNoGLError("scene set-up");
    }
    std::uint32_t At(int x, int y) const { return gl->pixel(x, y); }

    std::unique_ptr<SceneWindows> scene;
    std::unique_ptr<RenderHost> host;
    std::unique_ptr<Effect> effect;
};

} // namespace zorvane::test
