// unitEffectSub: the background interface drawn behind the window images, its option text and
// the picture lookup in the "Images" folder.
#pragma once

#include "view/Textures.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zorvane {

class Clock;

// The owning effect's states that pause the animated backgrounds (esOpening, esClosing).
inline constexpr int kEffectStateOpening = 4;
inline constexpr int kEffectStateClosing = 5;

// The runtime's pseudo-random generator: a 32-bit linear congruence that is never seeded, so the
// same sequence comes out in every run. Keep one per program to continue it across openings.
class RuntimeRandom {
public:
    // A whole number in [0, range).
    std::int32_t Next(std::int32_t range);
    std::uint32_t seed = 0;
};

// What a background needs from the program that creates it.
struct BackgroundContext {
    // Local date and time for the Wave and Raindrops pacing; null: the system's local time.
    const Clock* clock = nullptr;
    // Folder of the running program; "Images" is looked up beside it, then in
    // "../share/zorvane/Images". Empty: the folder of /proc/self/exe.
    std::string executableDir;
    // The desktop picture handed to the None background; it stays owned by the caller.
    TTextureInfo desktopTexture{};
    // Reads the owning foreground effect's state (FState). Empty reads as idle.
    std::function<int()> effectState;
    // Drop placement for Raindrops. The program keeps one for its whole run so the sequence goes
    // on from one opening to the next; null: a generator of the background's own, from seed 0.
    RuntimeRandom* random = nullptr;
};

class TEffectSub {
public:
    // Create: parses the options (loading the picture, so the GL context must be current).
    TEffectSub(const BackgroundContext& context, const std::string& options);
    virtual ~TEffectSub();
    TEffectSub(const TEffectSub&) = delete;
    TEffectSub& operator=(const TEffectSub&) = delete;

    virtual std::string GetOptions() const;
    virtual void SetOptions(const std::string& options);
    // cameraPosition 0 Top, 1 Center, 2 Bottom; step 0 (closed) to 10 (fully open). Runs with the
    // view's model-view matrix and leaves matrices and GL state as it found them.
    virtual void Draw(std::uint8_t cameraPosition, std::int32_t step) = 0;

    TTextureInfo FTexture{};
    std::string FImageFile;
    bool FActive = true;
    std::int32_t FFramesPerSecond = 20;
    // True: the view keeps repainting while the foreground effect is idle.
    bool FAnimated = false;

protected:
    // The local date and time in milliseconds (the context's clock, else the system's).
    std::int64_t Now() const;
    // The owning effect is opening or closing: animated backgrounds hold still.
    bool EffectIsOpeningOrClosing() const;
    // Deletes the picture texture when this background loaded it.
    void ReleaseTexture();

    BackgroundContext FContext;
    bool FOwnsTexture = false;
};

// The picture path the options' first field names: the field itself when a file exists there,
// else the file-name part of it in "<executableDir>/Images", else in
// "<executableDir>/../share/zorvane/Images"; when neither exists, the first of the two.
std::string LookUpImageFile(const std::string& field, const std::string& executableDir);

// The folder of the running program.
std::string ExecutableDir();

} // namespace zorvane
