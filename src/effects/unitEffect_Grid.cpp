// unitEffect_Grid: grid shape, thumbnail scale and cell placement, the opening and closing shrink,
// drawing with dimmed unselected cells, selection by keys, wheel and mouse hover, and the pick click.
#include "effects/unitEffect_Grid.h"

#include "effects/EffectHost.h"
#include "windows/unitWindowInfos.h"

#include <GL/gl.h>

#include <algorithm>

namespace zorvane {

namespace {

constexpr float kDimmed = 0.7f;

} // namespace

TEffect_Grid::Shape TEffect_Grid::GridShape(std::int32_t count) {
    Shape shape{1, 1};
    while (shape.columns * shape.rows < count) {
        if (shape.columns == shape.rows) {
            ++shape.columns;
        } else {
            ++shape.rows;
        }
    }
    return shape;
}

TEffect_Grid::TEffect_Grid(EffectHost& handle, const std::string& options, TWindowInfos& windowInfos)
    : TEffect(handle, windowInfos) {
    SetOptions(options);
    FBounce = 0.0f;
    // The shape is fixed here: the list is never reordered, so index and cell stay bound (only a
    // stack change, typing to filter or a window closed, gives the grid a new shape).
    SetShape(FWindowInfos.Count());
}

void TEffect_Grid::SetShape(std::int32_t count) {
    const Shape shape = GridShape(count);
    FColumns = shape.columns;
    FRows = shape.rows;
    FCellWidth = static_cast<float>(1.0 / FColumns);
    FCellHeight = static_cast<float>(1.0 / FRows);
    FMaxWidth = static_cast<float>(FCellWidth * 0.9);
    FMaxHeight = static_cast<float>(FCellHeight * 0.9);
    scales_.clear();
}

void TEffect_Grid::StackChanged(const std::vector<const TWindowInfo*>& before, const TWindowInfo* selected) {
    BeginStackMotion(before,
                     [this](const TWindowInfo& record, int i) { return DrawnScale(ScaleOf(i, record)); });
    SetShape(FWindowInfos.Count());
    FSelectedIndex = 0;
    for (int i = 0; i < FWindowInfos.Count(); ++i) {
        TWindowInfo& info = FWindowInfos.Items(i);
        if (&info == selected) {
            FSelectedIndex = i;
        }
        // Set at once, so that a close during the motion flies each picture home from its cell.
        TargetPosition(i, info.X, info.Y);
    }
    PlayStackMotion();
}

void TEffect_Grid::DrawLeaving() {
    for (const auto& [record, place] : FMotion.Leaving) {
        glPushMatrix();
        glColor4f(kDimmed, kDimmed, kDimmed, 1.0f - FMotion.T);
        glTranslatef(place.X, place.Y, 8.0f);
        glScalef(place.Scale, place.Scale, 1.0f);
        const TPictureBinding picture(*record);
        ImageQuad(*record);
        glPopMatrix();
    }
}

void TEffect_Grid::SetOptions(const std::string& options) {
    ParseOptions(options, cpCenter);
}

void TEffect_Grid::Bounce(std::uint8_t kind, std::int32_t steps, float delta) {
    ImageBounce(FBounce, kind, steps, delta);
}

float TEffect_Grid::ThumbnailScale(float width, float height) const {
    float s = 1.0f;
    // s never reaches the loop's floor for any real size; the bound keeps a zero-sized cell from
    // spinning forever.
    while ((s * width > FMaxWidth || s * height > FMaxHeight) && s > 0.0f) {
        s = static_cast<float>(s - 0.05);
    }
    return std::max(s, 0.0f);
}

float TEffect_Grid::ScaleOf(int i, const TWindowInfo& info) const {
    if (i >= static_cast<int>(scales_.size())) {
        scales_.resize(static_cast<std::size_t>(i) + 1);
    }
    ScaleCache& cached = scales_[static_cast<std::size_t>(i)];
    if (cached.width != info.Width || cached.height != info.Height) {
        cached = {info.Width, info.Height, ThumbnailScale(info.Width, info.Height)};
    }
    return cached.scale;
}

void TEffect_Grid::TargetPosition(int i, float& x, float& y) const {
    const TWindowInfo& info = FWindowInfos.Items(i);
    const float s = ScaleOf(i, info);
    int c = (i + 1) % FColumns;
    if (c == 0) {
        c = FColumns;
    }
    const double cx = static_cast<double>(FCellWidth) * c - FCellWidth / 2.0;
    const double cy = static_cast<double>(i / FColumns) * FCellHeight + FCellHeight / 2.0;
    x = static_cast<float>(cx - 0.5 - static_cast<double>(s) * info.Width / 2.0);
    y = static_cast<float>(0.5 - cy + static_cast<double>(s) * info.Height / 2.0);
}

int TEffect_Grid::HitTest(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0) {
        return -1;
    }
    // A screen narrower than the grid has columns less than a pixel wide; count them as one.
    const int cellPixelsX = std::max(FHandle.screenWidth() / FColumns, 1);
    const int cellPixelsY = std::max(FHandle.screenHeight() / FRows, 1);
    const int column = std::min(x / cellPixelsX, FColumns - 1);
    const int row = std::min(y / cellPixelsY, FRows - 1);
    const int cell = column + row * FColumns;
    return cell < FWindowInfos.Count() ? cell : -1;
}

float TEffect_Grid::DrawnScale(float s) const {
    return static_cast<float>(1.0 - (1.0 - s) * static_cast<double>(FProgress));
}

bool TEffect_Grid::IsBright(int i) const {
    return i == FSelectedIndex || FState == esOpening || FState == esClosing;
}

void TEffect_Grid::Draw() {
    TEffect::Draw();
    glPushMatrix();
    TranslateScene();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor3f(1.0f, 1.0f, 1.0f);
    BeginFrameBoxes();

    const int count = FWindowInfos.Count();
    // The selected cell first, then backwards with wrap-around: where images overlap during the
    // opening, the selected one wins the depth test.
    const int first = count > 0 ? ((FSelectedIndex % count) + count) % count : 0;
    for (int k = 0, i = first; k < count; ++k, i = (i == 0 ? count - 1 : i - 1)) {
        const TWindowInfo& info = FWindowInfos.Items(i);
        glPushMatrix();
        float c = DrawnScale(ScaleOf(i, info));
        float x = info.X;
        float y = info.Y;
        if (const TStackPlace* was = FMotion.Was(&info)) {
            // On its way from its old cell to its new one.
            const float t = FMotion.T;
            x = was->X + (x - was->X) * t;
            y = was->Y + (y - was->Y) * t;
            c = was->Scale + (c - was->Scale) * t;
        }
        const float shade = IsBright(i) ? 1.0f : kDimmed;
        glColor4f(shade, shade, shade, FMotion.Opacity(&info));
        const float depth = (i == FSelectedIndex && FState != esClosing) ? 8.0f + FBounce : 8.0f;
        glTranslatef(x, y, depth);
        glScalef(c, c, 1.0f);
        RecordBox(info, 0.0f, -info.Height, info.Width, 0.0f, 1.0f);
        const TPictureBinding picture(info);
        ImageQuad(info);
        glPopMatrix();
    }
    DrawLeaving();

    if (FReflection) {
        for (int k = 0, i = first; k < count; ++k, i = (i == 0 ? count - 1 : i - 1)) {
            const TWindowInfo& info = FWindowInfos.Items(i);
            if (FMotion.Active) {
                continue; // reflections come back once the pictures are in their cells
            }
            glPushMatrix();
            const float c = DrawnScale(ScaleOf(i, info));
            const float shade = IsBright(i) ? 1.0f : kDimmed;
            glColor4f(shade, shade, shade, 1.0f);
            // The reflection stays in the screen plane while its image bounces.
            glTranslatef(info.X, info.Y, 8.0f);
            glScalef(c, c, 1.0f);
            glTranslatef(0.0f, -info.Height, 0.0f);
            const TPictureBinding picture(info);
            // A strip a fifth of the image high showing its bottom fifth mirrored.
            ReflectionQuad(info, static_cast<float>(-0.2 * info.Height),
                           static_cast<float>(-0.8 * info.TexT));
            glPopMatrix();
        }
    }
    // Every cell's title under it, the selected one highlighted.
    DrawTitles(true, 1.0f);

    glDisable(GL_BLEND);
    glPopMatrix();
}

void TEffect_Grid::MoveRecords(int sign) {
    const double s = sign;
    for (int i = 0; i < FWindowInfos.Count(); ++i) {
        float tx = 0.0f;
        float ty = 0.0f;
        TargetPosition(i, tx, ty);
        TWindowInfo& info = FWindowInfos.Items(i);
        // The step depends only on fixed values, so ten of them land exactly where ten undo.
        const float dx = tx - info.HomeX;
        const float dy = ty - info.HomeY;
        info.X = static_cast<float>(info.X + s * 0.1 * dx);
        info.Y = static_cast<float>(info.Y + s * 0.1 * dy);
    }
}

void TEffect_Grid::StartAnimation() {
    TEffect::StartAnimation();
    OpenInSteps(
        FProgress, [this](int sign) { MoveRecords(sign); }, 5, 0.01f);
}

void TEffect_Grid::EndAnimation() {
    TEffect::EndAnimation();
    CloseInSteps(
        FProgress, [this](int sign) { MoveRecords(sign); }, 5, 0.01f);
}

void TEffect_Grid::FinishSelection(TEffectState entryState) {
    // Tab reaches this effect in any state. A step taken inside the opening hands the state back
    // to the opening (which would otherwise take it for a close), and a close that began meanwhile
    // stays final.
    if (FState != esNavigating) {
        return;
    }
    FState = (entryState == esOpening || entryState == esNavigating) ? entryState : esIdle;
}

void TEffect_Grid::SelectNext() {
    const TEffectState entryState = FState;
    if (entryState != esClosing) {
        FState = esNavigating;
    }
    const int count = FWindowInfos.Count();
    FSelectedIndex = FSelectedIndex + 1 >= count ? 0 : FSelectedIndex + 1;
    Redraw();
    Bounce(bkPullForward, 5, 0.01f);
    FinishSelection(entryState);
}

void TEffect_Grid::SelectPrevious() {
    const TEffectState entryState = FState;
    if (entryState != esClosing) {
        FState = esNavigating;
    }
    const int count = FWindowInfos.Count();
    FSelectedIndex = FSelectedIndex - 1 < 0 ? std::max(count - 1, 0) : FSelectedIndex - 1;
    Redraw();
    Bounce(bkPushBack, 5, 0.01f);
    FinishSelection(entryState);
}

void TEffect_Grid::KeyDown(std::uint16_t key) {
    if (FState != esIdle) {
        return;
    }
    switch (key) {
    case vkLeft:
    case vkUp:
    case vkNumpad4:
    case vkNumpad8:
        SelectPrevious();
        break;
    case vkRight:
    case vkDown:
    case vkNumpad2:
    case vkNumpad6:
        SelectNext();
        break;
    default:
        break;
    }
}

void TEffect_Grid::MouseMove(std::int32_t x, std::int32_t y) {
    if (FState != esIdle) {
        return;
    }
    FState = esNavigating;
    const int cell = HitTest(x, y);
    if (cell >= 0) {
        FSelectedIndex = cell;
        Redraw();
    }
    if (FState == esNavigating) {
        FState = esIdle;
    }
}

void TEffect_Grid::MouseUp(std::int32_t x, std::int32_t y) {
    if (FStayOpen) {
        const int cell = HitTest(x, y);
        if (cell >= 0) {
            // The clicked window is the one picked, even when no hover has selected it yet (a key
            // press may have moved the selection away while the mouse stood still).
            FSelectedIndex = cell;
            FStayOpen = false;
            FHandle.postEffectClose();
        }
    }
    TEffect::MouseUp(x, y);
}

} // namespace zorvane
