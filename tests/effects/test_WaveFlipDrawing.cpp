// The Wave Flip effect's pictures in a real (offscreen Mesa) context: the sheet upright over its
// window, the hanging reflection, flat white images with rippling reflections while closing, and
// the vertex arrays giving exactly the pixels of the quad-by-quad drawing.
#include "EffectDrawingFixture.h"
#include "effects/unitEffect_WaveFlip.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace zorvane::test {
namespace {

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;

int Channel(std::uint32_t rgb, int shift) {
    return static_cast<int>((rgb >> shift) & 0xFF);
}

// A picture with its top half red and its bottom half blue.
std::shared_ptr<CaptureImage> TopRedBottomBlue(int width, int height) {
    auto image = std::make_shared<CaptureImage>(width, height);
    image->fill(0xFF0000);
    for (int y = height / 2; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image->setPixel(x, y, 0x0000FF);
        }
    }
    return image;
}

class WaveFlipDrawing : public EffectDrawingFixture<TEffect_WaveFlip, kScreenW, kScreenH> {
protected:
    // One frame in feedback mode: every drawn triangle with its vertices' window depth and colour.
    struct FeedbackVertex {
        float depth;
        float red;
        float alpha;
    };
    std::vector<std::vector<FeedbackVertex>> FeedbackPolygons() {
        std::vector<GLfloat> buffer(4'000'000);
        glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
        glRenderMode(GL_FEEDBACK);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        effect->Draw();
        const GLint used = glRenderMode(GL_RENDER);
        EXPECT_GT(used, 0) << "feedback buffer overflow";
        std::vector<std::vector<FeedbackVertex>> polygons;
        for (GLint i = 0; i < used;) {
            const auto token = static_cast<GLint>(buffer[i++]);
            if (token == GL_PASS_THROUGH_TOKEN) {
                ++i;
                continue;
            }
            EXPECT_EQ(token, GL_POLYGON_TOKEN);
            const auto count = static_cast<GLint>(buffer[i++]);
            std::vector<FeedbackVertex> polygon;
            for (GLint v = 0; v < count; ++v, i += 7) {
                polygon.push_back({buffer[i + 2], buffer[i + 3], buffer[i + 6]});
            }
            polygons.push_back(std::move(polygon));
        }
        return polygons;
    }
};

// Spread of the window depths over all vertices of the given polygons.
float DepthSpread(const std::vector<std::vector<float>>& depths) {
    float low = 1.0f;
    float high = 0.0f;
    for (const auto& polygon : depths) {
        for (float d : polygon) {
            low = std::min(low, d);
            high = std::max(high, d);
        }
    }
    return high - low;
}

TEST_F(WaveFlipDrawing, SheetCoversItsWindowUprightWithItsReflectionBelow) {
    // Window 0 of 320 x 240 at (160, 120); window 1 small and out of the way.
    Build({{Rect{160, 120, 480, 360}, TopRedBottomBlue(320, 240)},
           {Rect{0, 0, 40, 30}, std::make_shared<CaptureImage>(40, 30)}},
          "1,-1,-1,0,-1");
    host->paint();
    expectNoGLError("paint");
    // The sheet spans 0.05 to 0.93 of the window (x 176..458, y 132..343), give or take the
    // ripple's few pixels of perspective; the top half is red, the bottom half blue.
    EXPECT_EQ(gl->pixel(320, 180), 0xFF0000u);
    EXPECT_EQ(gl->pixel(200, 160), 0xFF0000u);
    EXPECT_EQ(gl->pixel(320, 300), 0x0000FFu);
    EXPECT_EQ(gl->pixel(440, 330), 0x0000FFu);
    EXPECT_EQ(gl->pixel(166, 240), 0x000000u);
    EXPECT_EQ(gl->pixel(472, 240), 0x000000u);
    EXPECT_EQ(gl->pixel(320, 124), 0x000000u);
    // Below the image its mirror: blue next to it, at about half strength, fading downward.
    const std::uint32_t near = gl->pixel(320, 352);
    const std::uint32_t far = gl->pixel(320, 440);
    EXPECT_EQ(Channel(near, 16), 0);
    EXPECT_NEAR(Channel(near, 0), 255 * 0.5, 30);
    EXPECT_LT(Channel(far, 0), Channel(near, 0) / 2);
    EXPECT_GT(Channel(far, 0), 0);
}

TEST_F(WaveFlipDrawing, ClosingImagesAreFlatAndWhiteWhileReflectionsRipple) {
    // Camera Center at rest puts every sheet in one plane, so a flat sheet has one depth.
    Build({{Rect{100, 60, 400, 260}, nullptr}, {Rect{300, 200, 600, 420}, nullptr}}, "1,-1,-1,0,-1");
    const auto mesh = effect->FMesh;
    auto imagesAndReflections = [&](std::vector<std::vector<float>>& images,
                                    std::vector<std::vector<float>>& reflections,
                                    std::vector<FeedbackVertex>& imageVertices) {
        // Images alone first, then the same frame with reflections: the extra polygons at the end
        // are the reflections (they are drawn after the images).
        effect->FReflection = false;
        effect->FMesh = mesh;
        const auto imagesOnly = FeedbackPolygons();
        effect->FReflection = true;
        effect->FMesh = mesh;
        effect->FFrame = 0;
        const auto all = FeedbackPolygons();
        ASSERT_GT(all.size(), imagesOnly.size());
        images.clear();
        reflections.clear();
        imageVertices.clear();
        for (std::size_t i = 0; i < all.size(); ++i) {
            std::vector<float> depths;
            for (const FeedbackVertex& v : all[i]) {
                depths.push_back(v.depth);
                if (i < imagesOnly.size()) {
                    imageVertices.push_back(v);
                }
            }
            (i < imagesOnly.size() ? images : reflections).push_back(depths);
        }
    };
    std::vector<std::vector<float>> images;
    std::vector<std::vector<float>> reflections;
    std::vector<FeedbackVertex> imageVertices;

    // Idle: the images ripple; the last one is half transparent grey.
    imagesAndReflections(images, reflections, imageVertices);
    EXPECT_GT(DepthSpread(images), 1e-3f);
    EXPECT_TRUE(std::any_of(imageVertices.begin(), imageVertices.end(),
                            [](const FeedbackVertex& v) { return v.alpha == 0.5f && v.red == 0.5f; }));

    // Closing: flat and opaque white, every one of them; the reflections still ripple.
    effect->FState = esClosing;
    imagesAndReflections(images, reflections, imageVertices);
    EXPECT_LT(DepthSpread(images), 1e-5f);
    EXPECT_TRUE(std::all_of(imageVertices.begin(), imageVertices.end(),
                            [](const FeedbackVertex& v) { return v.alpha == 1.0f && v.red == 1.0f; }));
    EXPECT_GT(DepthSpread(reflections), 1e-3f);
    expectNoGLError("feedback");
}

// The vertex arrays are an optimisation only: for every kind of frame they must give exactly the
// pixels of the sheet drawn quad by quad.
TEST_F(WaveFlipDrawing, VertexArraysMatchQuadByQuadPixelForPixel) {
    struct Case {
        const char* name;
        const char* options;
        TEffectState state;
        float progress, flip, bounce;
    };
    const Case cases[] = {
        {"top, open", "0,-1,-1,-1,-1", esIdle, 1.0f, 0.0f, 0.0f},
        {"top, half open", "0,-1,-1,-1,-1", esOpening, 0.5f, 0.0f, 0.0f},
        // Where the sheets start and stop leaving out the reflections' invisible rows.
        {"top, opening from rest", "0,-1,-1,-1,-1", esOpening, 0.1f, 0.0f, 0.0f},
        {"bottom, opening", "2,-1,-1,-1,-1", esOpening, 0.2f, 0.0f, 0.0f},
        {"center, at rest", "1,-1,-1,-1,-1", esIdle, 0.0f, 0.0f, 0.0f},
        {"center, flipping", "1,-1,-1,-1,-1", esNavigating, 1.0f, 0.3f, 0.04f},
        {"bottom, closing", "2,-1,-1,-1,-1", esClosing, 0.4f, 0.0f, 0.0f},
        {"top, no reflection", "0,-1,-1,-1,0", esIdle, 1.0f, 0.15f, -0.03f},
    };
    std::vector<WindowSetup> windows;
    for (int i = 0; i < 11; ++i) {
        windows.push_back(
            {Rect{13 * i, 9 * i, 13 * i + 200 + 17 * (i % 4), 9 * i + 150 + 11 * (i % 3)}, nullptr});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build(windows, c.options);
        effect->FState = c.state;
        effect->FProgress = c.progress;
        effect->FFlip = c.flip;
        effect->FBounce = c.bounce;
        // Some way into the wave, so that the depths are not the initial ones.
        for (int frame = 0; frame < 17; ++frame) {
            host->paint();
        }
        const auto mesh = effect->FMesh;
        const auto frame = effect->FFrame;
        effect->UseVertexArrays = true;
        host->paint();
        const std::vector<std::uint8_t> arrays = gl->readRGBA();
        effect->FMesh = mesh;
        effect->FFrame = frame;
        effect->UseVertexArrays = false;
        host->paint();
        const std::vector<std::uint8_t> quads = gl->readRGBA();
        expectNoGLError("both paths");
        std::size_t differing = 0;
        for (std::size_t k = 0; k < arrays.size(); ++k) {
            differing += arrays[k] != quads[k] ? 1 : 0;
        }
        EXPECT_EQ(differing, 0u) << "bytes differing";
        // And the frame is not empty.
        EXPECT_GT(
            std::count_if(arrays.begin(), arrays.end(), [](std::uint8_t b) { return b != 0 && b != 255; }),
            10000);
        host->setEffect(nullptr);
        effect.reset();
        scene.reset();
    }
}

} // namespace
} // namespace zorvane::test
