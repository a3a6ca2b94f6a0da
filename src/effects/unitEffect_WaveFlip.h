// unitEffect_WaveFlip: the Flip stack with every image and reflection drawn as a rippling sheet of
// 44 x 44 quads whose depth follows a sine wave travelling sideways from frame to frame.
#pragma once

#include "effects/unitEffect_Flip.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace zorvane {

class TWindowInfo;

// Layout, selection, animations, keys, wheel and bounces are the Flip effect's; this class adds
// the sheet (FMesh, FFrame), its own drawing and the one-shot pick click.
class TEffect_WaveFlip : public TEffect_Flip {
public:
    // Vertices per side of the sheet; one quad fewer per side.
    static constexpr int kMeshSide = 45;
    static constexpr int kQuadsPerSide = kMeshSide - 1;

    TEffect_WaveFlip(EffectHost& handle, const std::string& options, TWindowInfos& windowInfos);

    void Draw() override;
    void MouseUp(std::int32_t x, std::int32_t y) override;

    struct TMeshVertex {
        float x;
        float y;
        float z;
        bool operator==(const TMeshVertex&) const = default;
    };
    // FMesh[p][q]: p runs across the image (s, x), q down it (t, y).
    std::array<std::array<TMeshVertex, kMeshSide>, kMeshSide> FMesh{};
    std::int32_t FFrame = 0; // counts drawn frames 0..2; the wave moves one column every third

    // Depth term d(i) of visible image i, without the bounce offset: one more than the Flip's,
    // because the sheet lies around local depth 0 instead of 1.
    float SheetDepth(int i) const;
    // The same at a place between two images (while the stack changes).
    float SheetDepthAt(double slot) const;

    // Submit the sheets as vertex arrays (the default) or quad by quad in immediate mode. Both
    // give the same pixels; the quad-by-quad path is kept as the reference the arrays are checked
    // against.
    bool UseVertexArrays = true;

private:
    // Vertices in drawing order, four per quad, for the quads from one row of every column down:
    // sheet x, y and texture s, t stay the same from frame to frame; z is rewritten for each sheet
    // drawn.
    struct SheetRun {
        int firstRow = 0;
        std::vector<float> xyz;
        std::vector<float> st;
    };
    // A record's runs: the whole sheet, and a reflection's visible rows only.
    struct SheetGeometry {
        float width = 0.0f;
        float height = 0.0f;
        float texS = 0.0f;
        float texT = 0.0f;
        SheetRun whole;
        SheetRun visibleReflection;
    };
    SheetGeometry& GeometryOf(const TWindowInfo& info);

    // The Top camera stops a little short of the Flip's; Bottom is the Flip's.
    static constexpr TCameraShift kWaveTopCamera{-3.2, 1.9};

    // Rotates, for Top and Bottom, and offsets by half the image, for every camera position.
    void PlaceImage(const TWindowInfo& info) const;
    void DrawImage(int i, const TWindowInfo& info) override;
    void DrawReflection(int i, const TWindowInfo& info) override;
    // The pictures leaving the stack while it changes, fading where they were, as sheets.
    void DrawLeaving() override;
    // amplitude: the factor of the mesh depth; reflection: per-row fading colours.
    void DrawSheet(const TWindowInfo& info, double amplitude, bool reflection);
    void DrawSheetImmediate(const TWindowInfo& info, double amplitude, bool reflection) const;
    void DrawSheetArrays(const TWindowInfo& info, double amplitude, bool reflection);
    void FillRun(SheetRun& run, const TWindowInfo& info) const;
    // Moves the wave by one column every third call.
    void AdvanceWave();

    std::unordered_map<const TWindowInfo*, SheetGeometry> geometry_;
    // RGBA per drawn vertex of a reflection, fading down from the image, for each kind of run.
    std::vector<float> reflectionColours_;
    std::vector<float> visibleReflectionColours_;
};

} // namespace zorvane
