// unitEffectSub_Wave: the picture tiled over a far plane with 32 looping frames of light caustics
// added on top.
#pragma once

#include "backgrounds/unitEffectSub.h"

#include <array>

namespace zorvane {

class TEffectSub_Wave : public TEffectSub {
public:
    static constexpr int kFrameCount = 32;

    // Loads the caustics frames "WAVE_01".."WAVE_32" from the program's resources.
    TEffectSub_Wave(const BackgroundContext& context, const std::string& options);
    // Deletes the frames, then (base) the picture.
    ~TEffectSub_Wave() override;

    void Draw(std::uint8_t cameraPosition, std::int32_t step) override;

    int FrameIndex() const { return FFrameIndex; }
    // Index 1 to 32 (0 is unused); 0 where a frame failed to load.
    const std::array<GLuint, kFrameCount + 1>& Frames() const { return FFrames; }

protected:
    // Moves to the next frame when the frame interval has passed, at most one frame per call.
    void Advance();

    std::int64_t FLastFrameTime = 0; // local time of the last frame change, milliseconds
    std::array<GLuint, kFrameCount + 1> FFrames{};
    int FFrameIndex = 1;
};

} // namespace zorvane
