// unitEffect_Grid: the grid switcher effect — every window shrinks from its place on the desktop into
// a cell of an even grid filling the screen; the selected cell is bright, the mouse selects by hover.
#pragma once

#include "effects/unitEffect.h"

#include <vector>

namespace zorvane {

class TWindowInfo;

class TEffect_Grid : public TEffect {
public:
    TEffect_Grid(EffectHost& handle, const std::string& options, TWindowInfos& windowInfos);

    void SetOptions(const std::string& options) override;
    void Bounce(std::uint8_t kind, std::int32_t steps, float delta) override;
    void Draw() override;
    void EndAnimation() override;
    void KeyDown(std::uint16_t key) override;
    void MouseMove(std::int32_t x, std::int32_t y) override;
    void MouseUp(std::int32_t x, std::int32_t y) override;
    void StartAnimation() override;
    void SelectNext() override;
    void SelectPrevious() override;
    // The grid takes the shape for the new count and every picture moves to its new cell.
    void StackChanged(const std::vector<const TWindowInfo*>& before, const TWindowInfo* selected) override;

    float FBounce = 0.0f;     // image bounce offset, added to the selected cell's depth
    float FProgress = 0.0f;   // opening progress G: 0 at rest on the desktop, 1 fully open
    float FMaxWidth = 0.0f;   // largest thumbnail width: 0.9 of a cell
    float FMaxHeight = 0.0f;  // largest thumbnail height: 0.9 of a cell
    float FCellWidth = 0.0f;  // 1 / FColumns
    float FCellHeight = 0.0f; // 1 / FRows
    std::int32_t FColumns = 1;
    std::int32_t FRows = 1;

    // The grid shape for a number of windows: columns grow first, so 2 gives 2 x 1, 5 gives 3 x 2.
    struct Shape {
        std::int32_t columns;
        std::int32_t rows;
    };
    static Shape GridShape(std::int32_t count);

    // The largest of 1, 0.95, 0.90, ... at which an image of this size fits 90 % of a cell.
    float ThumbnailScale(float width, float height) const;
    // Top-left corner in view units that centres record i's scaled image in its cell.
    void TargetPosition(int i, float& x, float& y) const;
    // The cell under a point in view client pixels, or -1 when the point is on no occupied cell.
    // Points in the right and bottom pixels left over by the division belong to the last column
    // and row.
    int HitTest(std::int32_t x, std::int32_t y) const;

private:
    // The thumbnail scale of a record; remembered per list index because it only changes when the
    // record's size does, and Draw needs it twice per image on every frame.
    float ScaleOf(int i, const TWindowInfo& info) const;
    // The drawn scale: 1 at rest, the thumbnail scale when fully open.
    float DrawnScale(float s) const;
    bool IsBright(int i) const;
    // Moves every record one opening step toward its cell (sign +1) or back (sign -1).
    void MoveRecords(int sign);
    // The state a selection step returns to: the animation it interrupted, or idle.
    void FinishSelection(TEffectState entryState);
    // Columns, rows, cell and thumbnail sizes for this many windows.
    void SetShape(std::int32_t count);
    // The pictures leaving the grid while it changes, fading where they were.
    void DrawLeaving();

    struct ScaleCache {
        float width = -1.0f;
        float height = -1.0f;
        float scale = 1.0f;
    };
    mutable std::vector<ScaleCache> scales_;
};

} // namespace zorvane
