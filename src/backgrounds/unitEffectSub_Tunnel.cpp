// unitEffectSub_Tunnel: a winding tunnel lined with the picture, streaming toward the eye.
#include "backgrounds/unitEffectSub_Tunnel.h"

#include "backgrounds/BackgroundGL.h"

#include <cmath>

namespace zorvane {

namespace {

constexpr double kSixthTurn = 0.5235987755982989; // pi / 6
constexpr int kFaces = TEffectSub_Tunnel::kAround - 1;
constexpr int kSegmentVertices = 4 * kFaces;
constexpr int kVertices = TEffectSub_Tunnel::kSegments * kSegmentVertices;

double Radius(int j) {
    return 3.0 - j / 12.0;
}

struct Corner {
    int i, j;
};

// The quads' corners in drawing order: for segment s and face i, [i][s], [i+1][s], [i+1][s+1],
// [i][s+1]. Quads are sent as separate vertices, not indexed: Mesa splits indexed quads along the
// other diagonal, and these quads are not flat.
const std::array<Corner, kVertices>& Corners() {
    static const std::array<Corner, kVertices> corners = [] {
        std::array<Corner, kVertices> table{};
        int n = 0;
        for (int s = 0; s < TEffectSub_Tunnel::kSegments; ++s)
            for (int i = 0; i < kFaces; ++i) {
                table[n++] = {i, s};
                table[n++] = {i + 1, s};
                table[n++] = {i + 1, s + 1};
                table[n++] = {i, s + 1};
            }
        return table;
    }();
    return corners;
}

} // namespace

// Every point is the sum, in the order of the formulas, of a part fixed for the tunnel's life (the
// ring's circle), a part shared by all points of ring j at time t and a part shared by every point
// at time t. Computing each part once gives the very same floats as the formulas point by point.
struct TEffectSub_Tunnel::Cache {
    std::array<std::array<double, kDepth>, kAround> circleX{}; // r * cos a
    std::array<std::array<double, kDepth>, kAround> circleY{}; // r * sin a
    std::array<float, kDepth> ringT{};                         // texture t of ring j at this time
    // Vertex arrays of the quads; texture s is fixed by the corner's place around the tunnel.
    std::array<Point, kVertices> vertices{};
    std::array<std::array<float, 2>, kVertices> texCoords{};
};

TEffectSub_Tunnel::TEffectSub_Tunnel(const BackgroundContext& context, const std::string& options)
    : TEffectSub(context, options), FCache(std::make_unique<Cache>()) {
    FTime = 0.0f;
    FAnimated = true;
    for (int i = 0; i < kAround; ++i)
        for (int j = 0; j < kDepth; ++j) {
            const double a = i * kSixthTurn;
            FCache->circleX[i][j] = Radius(j) * std::cos(a);
            FCache->circleY[i][j] = Radius(j) * std::sin(a);
        }
    const auto& corners = Corners();
    for (int n = 0; n < kVertices; ++n)
        FCache->texCoords[n][0] = static_cast<float>((corners[n].i - 3) / 12.0);
}

TEffectSub_Tunnel::~TEffectSub_Tunnel() {
    FAnimated = false;
}

float TEffectSub_Tunnel::SegmentBrightness(int s) {
    return s <= 24 ? 1.0f : static_cast<float>(1.0 - (s - 24) / 10.0);
}

void TEffectSub_Tunnel::UpdateRings(float t) {
    const double tt = t;
    const double mouthX1 = 2 * std::sin(tt / 29.0);
    const double mouthX2 = std::cos(tt / 13.0);
    const double mouthY1 = 2 * std::cos(tt / 33.0);
    const double mouthY2 = std::sin(tt / 17.0);
    for (int j = 0; j < kDepth; ++j) {
        const double et = 2.0 * j + tt;
        const double swingX1 = 2 * std::sin(et / 29);
        const double swingX2 = std::cos(et / 13);
        const double swingY1 = 2 * std::cos(et / 33);
        const double swingY2 = std::sin(et / 17);
        for (int i = 0; i < kAround; ++i) {
            const double x = FCache->circleX[i][j] + swingX1 + swingX2 - mouthX1 - mouthX2;
            const double y = FCache->circleY[i][j] + swingY1 + swingY2 - mouthY1 - mouthY2;
            FRings[i][j] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(-j)};
        }
        FCache->ringT[j] = static_cast<float>(j / 32.0 + tt / 50.0);
    }
    const auto& corners = Corners();
    for (int n = 0; n < kVertices; ++n) {
        FCache->vertices[n] = FRings[corners[n].i][corners[n].j];
        FCache->texCoords[n][1] = FCache->ringT[corners[n].j];
    }
}

void TEffectSub_Tunnel::Draw(std::uint8_t /*cameraPosition*/, std::int32_t /*step*/) {
    if (!IsGLTexture(FTexture.Texture))
        return;
    BackgroundGLState saved;
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glColor3f(0.85f, 1.0f, 0.85f);
    glTranslatef(0.0f, 0.0f, -15.0f);
    FTime = FTime + 1.0f;
    UpdateRings(FTime);
    glScalef(4.0f, 4.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, FTexture.Texture);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, FCache->vertices.data());
    glTexCoordPointer(2, GL_FLOAT, 0, FCache->texCoords.data());
    for (int s = 0; s < kSegments; ++s) {
        const float b = SegmentBrightness(s);
        glColor3f(b, b, b);
        glDrawArrays(GL_QUADS, s * kSegmentVertices, kSegmentVertices);
    }
}

} // namespace zorvane
