// unitEffectSub_Raindrops: a water surface behind the windows; drops fall on random spots and
// their ripples bend a sphere-mapped picture.
#pragma once

#include "backgrounds/unitEffectSub.h"

#include <array>

namespace zorvane {

class TEffectSub_Raindrops : public TEffectSub {
public:
    static constexpr int kSize = 61; // grid points per side, indices 0 to 60

    using Grid = std::array<std::array<float, kSize>, kSize>;
    using Vector = std::array<float, 3>;
    using VectorGrid = std::array<std::array<Vector, kSize>, kSize>;
    static_assert(sizeof(VectorGrid) == sizeof(float) * 3 * kSize * kSize, "vertex arrays need packed grids");

    TEffectSub_Raindrops(const BackgroundContext& context, const std::string& options);
    ~TEffectSub_Raindrops() override;

    void Draw(std::uint8_t cameraPosition, std::int32_t step) override;
    // One update of drops, water and mesh; forced ignores the pause and the frame interval.
    void Step(bool forced);

    const Grid& Heights() const { return FHeight; }
    const Grid& Velocities() const { return FVelocity; }
    const VectorGrid& Vertices() const { return FVertices; }
    const VectorGrid& Normals() const { return FNormals; }
    // Drops a stone at [k][l] (2 to 58) the way a random drop does, for tests and tools.
    void PlaceDrop(int k, int l) { FVelocity[k][l] = 1060.0f; }

protected:
    void MoveWater();
    void BuildMesh();

    std::int64_t FLastFrameTime = 0; // milliseconds of local time
    std::int64_t FLastDropTime = 0;
    Grid FHeight{};
    VectorGrid FVertices{};
    VectorGrid FNormals{};
    Grid FVelocity{};
    RuntimeRandom FOwnRandom; // used when the context brings no generator
};

} // namespace zorvane
