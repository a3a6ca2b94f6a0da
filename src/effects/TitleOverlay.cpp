// TitleOverlay: projection of picture boxes and the screen-space pass for plates.
#include "effects/TitleOverlay.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace zorvane {

namespace {

// Room between a picture and its title, and between a title and the screen's edge.
constexpr float kGapPixels = 8.0f;
// A title is never squeezed narrower than this share of the screen's height (a quarter: 270
// pixels at 1080), however small its picture: a tiny window's title still reads.
constexpr float kMinTitleShare = 0.25f;
// Title widths are asked for in steps of this many pixels, so that a picture that breathes by a
// pixel or two (a bounce) keeps the plate it has instead of asking for a new one every frame.
constexpr int kWidthStep = 16;

} // namespace

TScreenBox ProjectRect(float x0, float y0, float x1, float y1, float z) {
    GLdouble model[16];
    GLdouble projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    TScreenBox box;
    box.Left = box.Top = 1e30f;
    box.Right = box.Bottom = -1e30f;
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    for (const auto& corner : corners) {
        GLdouble wx = 0, wy = 0, wz = 0;
        if (gluProject(corner[0], corner[1], z, model, projection, viewport, &wx, &wy, &wz) != GL_TRUE ||
            wz < 0.0 || wz > 1.0)
            return {};
        const auto x = static_cast<float>(wx - viewport[0]);
        const auto y = static_cast<float>(viewport[3] - (wy - viewport[1]));
        box.Left = std::min(box.Left, x);
        box.Right = std::max(box.Right, x);
        box.Top = std::min(box.Top, y);
        box.Bottom = std::max(box.Bottom, y);
    }
    box.Valid = true;
    return box;
}

void DrawScreenImage(std::uint32_t texture, int left, int top, int width, int height, float alpha) {
    if (texture == 0 || width <= 0 || height <= 0 || alpha <= 0.0f)
        return;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, viewport[2], viewport[3], 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor4f(1.0f, 1.0f, 1.0f, std::min(alpha, 1.0f));
    const auto l = static_cast<float>(left);
    const auto t = static_cast<float>(top);
    const auto r = static_cast<float>(left + width);
    const auto b = static_cast<float>(top + height);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(l, t);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(l, b);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(r, b);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(r, t);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

void DrawTitleUnder(EffectHost& host, const TWindowInfo& window, const TScreenBox& box, bool highlighted,
                    float alpha) {
    if (!box.Valid || alpha <= 0.0f || !host.showTitles())
        return;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int screenWidth = viewport[2];
    const int screenHeight = viewport[3];
    const int minWidth = static_cast<int>(static_cast<float>(screenHeight) * kMinTitleShare);
    int maxWidth = static_cast<int>(box.Width()) / kWidthStep * kWidthStep;
    maxWidth = std::clamp(maxWidth, minWidth, std::max(minWidth, screenWidth - 2 * 8));
    const TTitleImage plate = host.titleImage(window, maxWidth, highlighted);
    if (plate.Texture == 0)
        return;
    const float centre = (box.Left + box.Right) / 2.0f;
    int left = static_cast<int>(std::lround(centre - static_cast<float>(plate.Width) / 2.0f));
    int top = static_cast<int>(std::lround(box.Bottom + kGapPixels));
    const int gap = static_cast<int>(kGapPixels);
    left = std::clamp(left, gap, std::max(gap, screenWidth - gap - plate.Width));
    top = std::clamp(top, gap, std::max(gap, screenHeight - gap - plate.Height));
    DrawScreenImage(plate.Texture, left, top, plate.Width, plate.Height, alpha);
}

} // namespace zorvane
