// TitleOverlay: pictures drawn flat over the scene at their own pixel size — the window titles
// under their pictures, and the view's filter text. Where a title goes comes from projecting its
// picture's rectangle with the matrices the picture was drawn with.
#pragma once

#include "effects/EffectHost.h"

#include <cstdint>

namespace zorvane {

// A rectangle on the screen in device pixels, y downward from the top edge.
struct TScreenBox {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;
    bool Valid = false;
    float Width() const { return Right - Left; }
};

// The screen box of the rectangle (x0, y0)-(x1, y1) at local depth z under the current
// model-view and projection matrices and viewport. Invalid when a corner lies behind the eye.
TScreenBox ProjectRect(float x0, float y0, float x1, float y1, float z);

// Draws a texture at (left, top), width x height device pixels, with that opacity, over
// everything drawn so far. Leaves the matrices and the GL state as it found them.
void DrawScreenImage(std::uint32_t texture, int left, int top, int width, int height, float alpha);

// The window's title plate centred under its picture's box (inside the screen's bottom edge
// when there is no room below), at most the picture's width (or a quarter of the screen's height for a small
// picture). Does nothing when the host shows no titles or the box is invalid.
void DrawTitleUnder(EffectHost& host, const TWindowInfo& window, const TScreenBox& box, bool highlighted,
                    float alpha);

} // namespace zorvane
