// unitEffectSub_Tunnel: a winding tunnel lined with the picture, streaming toward the eye.
#pragma once

#include "backgrounds/unitEffectSub.h"

#include <array>
#include <memory>

namespace zorvane {

class TEffectSub_Tunnel : public TEffectSub {
public:
    static constexpr int kAround = 13;   // points around (12 faces, the 13th closes the tube)
    static constexpr int kDepth = 33;    // rings along the tunnel, j from 0 to 32
    static constexpr int kSegments = 31; // segments drawn: the last ring is computed only

    using Point = std::array<float, 3>;
    using Rings = std::array<std::array<Point, 33>, 33>; // [i][j]

    TEffectSub_Tunnel(const BackgroundContext& context, const std::string& options);
    ~TEffectSub_Tunnel() override;

    // Moves one step per call, whatever the options and the effect's state say.
    void Draw(std::uint8_t cameraPosition, std::int32_t step) override;

    float Time() const { return FTime; }
    const Rings& RingPoints() const { return FRings; }

    // Brightness of segment s: 1 up to 24, then down by 0.1 a segment to 0.4 at 30.
    static float SegmentBrightness(int s);

protected:
    void UpdateRings(float t);

    Rings FRings{};
    float FTime = 0.0f;

private:
    // Parts of the points that do not change from frame to frame, and the vertex arrays.
    struct Cache;
    std::unique_ptr<Cache> FCache;
};

} // namespace zorvane
