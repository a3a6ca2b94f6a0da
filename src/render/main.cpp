// zorvane-render: draws an effect with a background offscreen and writes PNG frames or frame times.
#include "backgrounds/BackgroundFactory.h"
#include "core/Clock.h"
#include "effects/EffectFactory.h"
#include "effects/unitEffect.h"
#include "gl/OffscreenGL.h"
#include "render/RenderOptions.h"
#include "render/RenderScene.h"
#include "render/SyntheticWindows.h"
#include "view/Textures.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <numeric>
#include <stdexcept>

namespace zorvane {
namespace {

constexpr int kWarmUpFrames = 15;

// The made-up desktop picture behind the None background.
class GradientWallpaper final : public WallpaperSource {
public:
    GradientWallpaper(int width, int height) : picture_(MakeGradientWallpaper(width, height)) {}
    WallpaperInfo wallpaperInfo() const override {
        WallpaperInfo info;
        info.fileName = "zorvane-render gradient";
        info.picture = picture_;
        return info;
    }

private:
    std::shared_ptr<const CaptureImage> picture_;
};

// A texture the program made and must delete (the None background never deletes its picture).
struct OwnedTexture {
    TTextureInfo info;
    ~OwnedTexture() {
        if (info.Texture != 0 && glIsTexture(info.Texture)) {
            glDeleteTextures(1, &info.Texture);
        }
    }
};

class FrameWriter {
public:
    FrameWriter(OffscreenGL& gl, std::string folder) : gl_(gl), folder_(std::move(folder)) {}
    void write() {
        char name[32];
        std::snprintf(name, sizeof name, "%04d.png", next_++);
        const std::string path = (std::filesystem::path(folder_) / name).string();
        if (!gl_.savePNG(path)) {
            throw std::runtime_error("cannot write " + path);
        }
    }
    int written() const { return next_; }

private:
    OffscreenGL& gl_;
    std::string folder_;
    int next_ = 0;
};

double ProcessCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Wall-clock frame times, plus the CPU time of all threads (llvmpipe draws on several), which says
// how much work a frame is when other programs share the machine.
void Bench(RenderHost& host, int frames) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(frames));
    double cpuStart = 0.0;
    for (int i = 0; i < kWarmUpFrames + frames; ++i) {
        if (i == kWarmUpFrames) {
            cpuStart = ProcessCpuMilliseconds();
        }
        const auto start = std::chrono::steady_clock::now();
        host.paint();
        const auto end = std::chrono::steady_clock::now();
        if (i >= kWarmUpFrames) {
            times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
    }
    const double cpu = ProcessCpuMilliseconds() - cpuStart;
    const double total = std::accumulate(times.begin(), times.end(), 0.0);
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) {
        return times[std::min(times.size() - 1,
                              static_cast<std::size_t>(q * static_cast<double>(times.size())))];
    };
    std::printf("frames %d (after %d warm-up)  median %.2f ms  p95 %.2f ms  mean %.2f ms  %.1f frames/s  "
                "cpu %.2f ms/frame\n",
                frames, kWarmUpFrames, at(0.5), at(0.95), total / frames, 1000.0 * frames / total,
                cpu / frames);
}

int Run(const RenderOptions& options) {
    OffscreenGL gl(options.width, options.height);
    SetUpViewGL(options.width, options.height);

    std::vector<WindowSetup> windows =
        options.windowsFile.empty()
            ? SyntheticLayout(options.count.value_or(4), options.width, options.height, options.windowSize)
            : ReadWindowsFile(options.windowsFile);
    SceneWindows scene(options.width, options.height, windows);
    RenderHost host(options.width, options.height);

    OwnedTexture desktop;
    if (options.backgroundType == 0) {
        CreateDesktopTexture(GradientWallpaper(options.width, options.height), scene.screen(), desktop.info);
    }
    std::unique_ptr<TEffect> effect =
        CreateEffect(options.effectType, host, options.effectOptions, scene.list());
    if (options.backgroundType >= 0) {
        BackgroundContext context;
        context.clock = &SystemClock::instance();
        context.desktopTexture = desktop.info;
        context.effectState = [&effect] { return static_cast<int>(effect->FState); };
        effect->FBackground = CreateBackground(
            options.backgroundType,
            options.backgroundOptions.value_or(DefaultBackgroundOptions(options.backgroundType)), context);
    }
    host.setEffect(effect.get());

    const bool writes =
        options.rest || options.opening || options.open || options.nextSteps || options.closing;
    if (writes) {
        std::filesystem::create_directories(options.outDir);
    }
    FrameWriter writer(gl, options.outDir);
    if (options.rest) {
        host.paint();
        writer.write();
    }
    if (options.opening) {
        host.onFrame = [&writer] { writer.write(); };
    }
    effect->StartAnimation();
    host.onFrame = nullptr;
    if (options.open) {
        host.paint();
        writer.write();
    }
    if (options.nextSteps) {
        for (int i = 0; i < *options.nextSteps; ++i) {
            effect->SelectNext();
        }
        host.paint();
        writer.write();
    }
    if (options.benchFrames) {
        Bench(host, *options.benchFrames);
    }
    if (options.closing) {
        host.onFrame = [&writer] { writer.write(); };
        effect->EndAnimation();
        host.onFrame = nullptr;
    }
    if (writes) {
        std::printf("%d frames written to %s (%lld ms of animation sleeps skipped)\n", writer.written(),
                    options.outDir.c_str(), host.sleptMilliseconds);
    }
    host.setEffect(nullptr);
    effect.reset();
    return 0;
}

} // namespace
} // namespace zorvane

int main(int argc, char** argv) {
    using namespace zorvane;
    RenderOptions options;
    try {
        options = ParseRenderOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::cerr << "zorvane-render: " << error.what() << '\n';
        return 2;
    }
    if (options.help) {
        std::cout << RenderUsage();
        return 0;
    }
    try {
        return Run(options);
    } catch (const std::runtime_error& error) {
        // Bad --windows files are the user's input: report them as such.
        std::cerr << "zorvane-render: " << error.what() << '\n';
        return options.windowsFile.empty() ? 1 : 2;
    } catch (const std::exception& error) {
        std::cerr << "zorvane-render: " << error.what() << '\n';
        return 1;
    }
}
