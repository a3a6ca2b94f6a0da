// unitEffect_WaveFlip: the wave sheet — its mesh and travelling wave, the camera and per-image
// transforms, image and reflection colours, and the two ways of submitting the sheet to OpenGL.
#include "effects/unitEffect_WaveFlip.h"

#include "effects/EffectHost.h"
#include "windows/unitWindowInfos.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

namespace zorvane {

namespace {

constexpr int kSide = TEffect_WaveFlip::kMeshSide;
constexpr int kQuads = TEffect_WaveFlip::kQuadsPerSide;

// The ripple's depth amplitude for images and reflections; a closing image is drawn flat.
constexpr double kImageAmplitude = 0.03;
constexpr double kReflectionAmplitude = -0.03;

float SheetX(float meshX, float width) {
    return static_cast<float>(meshX * static_cast<double>(width) * 0.1);
}
float SheetY(float meshY, float height) {
    return static_cast<float>(meshY * static_cast<double>(height) * 0.1);
}
float SheetZ(double amplitude, float meshZ) {
    return static_cast<float>(amplitude * meshZ);
}
float SheetS(int p, float texS) {
    return static_cast<float>(p / 44.0 * texS);
}
float SheetT(int q, float texT) {
    return static_cast<float>(-(q / 44.0) * texT);
}
// Reflection colour of vertex row r: 0.72 next to the image (row 44), falling by 1/43 per row;
// rows below about 13 go negative, which OpenGL clamps to 0.
float ReflectionShade(int r) {
    return static_cast<float>(0.7 - (43 - r) / 43.0);
}

// The four vertices of quad (p, q), in drawing order.
struct QuadCorner {
    int dp;
    int dq;
};
constexpr std::array<QuadCorner, 4> kCorners{{{0, 1}, {1, 1}, {1, 0}, {0, 0}}};

// Calls visit(p, q) for the mesh vertex behind every vertex drawn, in drawing order: the quads
// column by column (p), each column from quad row firstRow down (q), four corners each.
template <typename Visit> void ForEachDrawnVertex(int firstRow, Visit visit) {
    for (int p = 0; p < kQuads; ++p) {
        for (int q = firstRow; q < kQuads; ++q) {
            for (const QuadCorner& corner : kCorners) {
                visit(p + corner.dp, q + corner.dq);
            }
        }
    }
}

// The first quad row of a reflection with any visible vertex: the rows above it fade to alpha 0
// at both of their edges.
int FirstVisibleReflectionRow() {
    int q = 0;
    while (q < kQuads && ReflectionShade(q + 1) <= 0.0f) {
        ++q;
    }
    return q;
}

// Opening progress from which neighbouring sheets lie in planes further apart (0.5 x progress)
// than the ripple reaches either side (0.03 each), so that a later reflection, nearer the viewer,
// is never hidden by the depth of an earlier one's invisible rows.
constexpr float kSkipInvisibleFromProgress = 0.2f;

} // namespace

TEffect_WaveFlip::TEffect_WaveFlip(EffectHost& handle, const std::string& options, TWindowInfos& windowInfos)
    : TEffect_Flip(handle, options, windowInfos) {
    FFlip = 0.0f;
    FBounce = 0.0f;
    FAnimated = true;
    for (int p = 0; p < kSide; ++p) {
        for (int q = 0; q < kSide; ++q) {
            // One full sine period across the 45 columns: sin(2 pi p / 45).
            const double angle = p / 5.0 * 40.0 / 360.0 * 2.0 * std::numbers::pi;
            FMesh[p][q] = {static_cast<float>(p / 5.0 - 4.5), static_cast<float>(q / 5.0 - 4.5),
                           static_cast<float>(std::sin(angle))};
        }
    }
    FFrame = 0;

    for (auto [colours, firstRow] : {std::pair{&reflectionColours_, 0},
                                     std::pair{&visibleReflectionColours_, FirstVisibleReflectionRow()}}) {
        // An init-capture: clang 14 (the fuzz build) cannot capture a structured binding itself.
        ForEachDrawnVertex(firstRow, [target = colours](int, int q) {
            const float shade = ReflectionShade(q);
            target->insert(target->end(), {shade, shade, shade, shade});
        });
    }
    // The records are only reordered while the effect lives, so their sheets are laid out once.
    for (int i = 0; i < FWindowInfos.Count(); ++i) {
        GeometryOf(FWindowInfos.Items(i));
    }
}

float TEffect_WaveFlip::SheetDepth(int i) const {
    return SheetDepthAt(i);
}

float TEffect_WaveFlip::SheetDepthAt(double slot) const {
    return static_cast<float>(9.0 - 0.5 * slot * static_cast<double>(FProgress) + FFlip);
}

void TEffect_WaveFlip::DrawLeaving() {
    for (const auto& [record, place] : FMotion.Leaving) {
        if (place.Index >= kMaxVisible) {
            continue;
        }
        glPushMatrix();
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f - FMotion.T);
        PlaceImage(*record);
        glTranslatef(place.X, place.Y, SheetDepthAt(place.Index) + FBounce);
        glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
        const TPictureBinding picture(*record);
        DrawSheet(*record, kImageAmplitude, false);
        glPopMatrix();
    }
}

TEffect_WaveFlip::SheetGeometry& TEffect_WaveFlip::GeometryOf(const TWindowInfo& info) {
    SheetGeometry& g = geometry_[&info];
    if (!g.whole.xyz.empty() && g.width == info.Width && g.height == info.Height && g.texS == info.TexS &&
        g.texT == info.TexT) {
        return g;
    }
    g.width = info.Width;
    g.height = info.Height;
    g.texS = info.TexS;
    g.texT = info.TexT;
    g.whole.firstRow = 0;
    FillRun(g.whole, info);
    g.visibleReflection.firstRow = FirstVisibleReflectionRow();
    FillRun(g.visibleReflection, info);
    return g;
}

void TEffect_WaveFlip::FillRun(SheetRun& run, const TWindowInfo& info) const {
    run.xyz.clear();
    run.st.clear();
    ForEachDrawnVertex(run.firstRow, [&](int p, int q) {
        run.xyz.insert(run.xyz.end(),
                       {SheetX(FMesh[p][q].x, info.Width), SheetY(FMesh[p][q].y, info.Height), 0.0f});
        run.st.insert(run.st.end(), {SheetS(p, info.TexS), SheetT(q, info.TexT)});
    });
}

void TEffect_WaveFlip::PlaceImage(const TWindowInfo& info) const {
    if (FCameraPosition != cpCenter) {
        glRotatef(FProgress, -1.0f, 0.0f, 0.0f);
    }
    glTranslatef(static_cast<float>(info.Width / 2.0), static_cast<float>(-info.Height / 2.0),
                 static_cast<float>(-0.3 * FProgress));
}

void TEffect_WaveFlip::Draw() {
    DrawStack(kWaveTopCamera, kBottomCamera);
    AdvanceWave();
}

void TEffect_WaveFlip::DrawImage(int i, const TWindowInfo& info) {
    // Flat while closing, so the image lands exactly on its window.
    const double amplitude = FState == esClosing ? 0.0 : kImageAmplitude;
    PlaceImage(info);
    glTranslatef(info.X, info.Y, SheetDepthAt(FMotion.Slot(&info, i)) + FBounce);
    // The sheet spans 0.05 to 0.93 of the window from its corner, centred here before it turns.
    RecordBox(info, static_cast<float>(-0.45 * info.Width), static_cast<float>(-0.43 * info.Height),
              static_cast<float>(0.43 * info.Width), static_cast<float>(0.45 * info.Height), 0.0f);
    // Upside down: mesh rows run downward in the image, and the depth is negated with it.
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    const TPictureBinding picture(info);
    DrawSheet(info, amplitude, false);
}

void TEffect_WaveFlip::DrawReflection(int i, const TWindowInfo& info) {
    PlaceImage(info);
    // Not turned over: the sheet hangs mirrored, its last row touching the image's bottom edge.
    glTranslatef(info.X, static_cast<float>(info.Y - 0.86 * info.Height),
                 SheetDepthAt(FMotion.Slot(&info, i)) + FBounce);
    // From the first row that shows at all down to the image's bottom edge, with room for the
    // ripple either way.
    const float top = SheetY(FMesh[0][FirstVisibleReflectionRow()].y, info.Height);
    const float bottom = SheetY(FMesh[0][kQuads].y, info.Height);
    const float ripple = static_cast<float>(std::abs(kReflectionAmplitude));
    RecordReflectionBox(info, SheetX(FMesh[0][0].x, info.Width), top, SheetX(FMesh[kQuads][0].x, info.Width),
                        bottom, -ripple);
    RecordReflectionBox(info, SheetX(FMesh[0][0].x, info.Width), top, SheetX(FMesh[kQuads][0].x, info.Width),
                        bottom, ripple);
    const TPictureBinding picture(info);
    DrawSheet(info, kReflectionAmplitude, true);
}

void TEffect_WaveFlip::DrawSheet(const TWindowInfo& info, double amplitude, bool reflection) {
    if (UseVertexArrays) {
        DrawSheetArrays(info, amplitude, reflection);
    } else {
        DrawSheetImmediate(info, amplitude, reflection);
    }
}

void TEffect_WaveFlip::DrawSheetImmediate(const TWindowInfo& info, double amplitude, bool reflection) const {
    glBegin(GL_QUADS);
    ForEachDrawnVertex(0, [&](int p, int q) {
        const TMeshVertex& v = FMesh[p][q];
        if (reflection) {
            const float shade = ReflectionShade(q);
            glColor4f(shade, shade, shade, shade);
        }
        glTexCoord2f(SheetS(p, info.TexS), SheetT(q, info.TexT));
        glVertex3f(SheetX(v.x, info.Width), SheetY(v.y, info.Height), SheetZ(amplitude, v.z));
    });
    glEnd();
}

// The same vertices as the quad-by-quad path, in the same order and as plain (not indexed) quads:
// Mesa splits quads from an index list into triangles differently, which moves a few pixels.
void TEffect_WaveFlip::DrawSheetArrays(const TWindowInfo& info, double amplitude, bool reflection) {
    SheetGeometry& g = GeometryOf(info);
    // The rows of a reflection that fade out completely change no pixel once the sheets stand far
    // enough apart: they are left out then.
    const bool visibleOnly = reflection && FProgress >= kSkipInvisibleFromProgress;
    SheetRun& run = visibleOnly ? g.visibleReflection : g.whole;
    std::size_t z = 2;
    ForEachDrawnVertex(run.firstRow, [&](int p, int q) {
        run.xyz[z] = SheetZ(amplitude, FMesh[p][q].z);
        z += 3;
    });
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, run.xyz.data());
    glTexCoordPointer(2, GL_FLOAT, 0, run.st.data());
    if (reflection) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, 0,
                       visibleOnly ? visibleReflectionColours_.data() : reflectionColours_.data());
    }
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(run.xyz.size() / 3));
    if (reflection) {
        glDisableClientState(GL_COLOR_ARRAY);
        // A colour array leaves the current colour undefined; set the one the quad-by-quad path
        // leaves (its last vertex lies on row 43).
        const float last = ReflectionShade(kQuads - 1);
        glColor4f(last, last, last, last);
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void TEffect_WaveFlip::AdvanceWave() {
    if (FFrame != 2) {
        FFrame += 1;
        return;
    }
    for (int q = 0; q < kSide; ++q) {
        const float first = FMesh[0][q].z;
        for (int p = 0; p < kQuads; ++p) {
            FMesh[p][q].z = FMesh[p + 1][q].z;
        }
        FMesh[kQuads][q].z = first;
    }
    FFrame = 0;
}

void TEffect_WaveFlip::MouseUp(std::int32_t x, std::int32_t y) {
    // Cleared at once, so further releases before the view has closed post nothing more.
    if (FStayOpen) {
        FStayOpen = false;
        FHandle.postEffectClose();
    }
    TEffect::MouseUp(x, y);
}

} // namespace zorvane
