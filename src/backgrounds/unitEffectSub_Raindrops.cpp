// unitEffectSub_Raindrops: a water surface behind the windows; drops fall on random spots and
// their ripples bend a sphere-mapped picture.
#include "backgrounds/unitEffectSub_Raindrops.h"

#include "backgrounds/BackgroundGL.h"

#include <cmath>

namespace zorvane {

namespace {

constexpr int kLast = TEffectSub_Raindrops::kSize - 1; // 60
constexpr int kStrips = kLast;                         // 60 column strips
constexpr int kStripLength = 2 * TEffectSub_Raindrops::kSize;

// Vertex-array indices of the column strips: for k from 0 to 60, point [k][s+1] then [k][s].
// The grids are row-major [k][l], so point [k][l] is element k * 61 + l.
using StripIndices = std::array<std::array<GLushort, kStripLength>, kStrips>;

const StripIndices& Strips() {
    static const StripIndices strips = [] {
        StripIndices table{};
        for (int s = 0; s < kStrips; ++s)
            for (int k = 0; k <= kLast; ++k) {
                table[s][2 * k] = static_cast<GLushort>(k * TEffectSub_Raindrops::kSize + s + 1);
                table[s][2 * k + 1] = static_cast<GLushort>(k * TEffectSub_Raindrops::kSize + s);
            }
        return table;
    }();
    return strips;
}

constexpr std::int64_t kDropIntervalMs = 864; // 0.00001 days

} // namespace

TEffectSub_Raindrops::TEffectSub_Raindrops(const BackgroundContext& context, const std::string& options)
    : TEffectSub(context, options) {
    FLastFrameTime = Now();
    FLastDropTime = FLastFrameTime;
    FAnimated = true;
    Step(true);
}

TEffectSub_Raindrops::~TEffectSub_Raindrops() {
    FAnimated = false;
}

void TEffectSub_Raindrops::Step(bool forced) {
    if (!forced && (!FActive || EffectIsOpeningOrClosing()))
        return;
    const std::int64_t now = Now();
    // A local clock that went back (daylight saving) restarts both intervals rather than
    // freezing the water until the old time comes round again.
    if (now < FLastDropTime)
        FLastDropTime = now;
    if (now < FLastFrameTime)
        FLastFrameTime = now;

    if (now - FLastDropTime > kDropIntervalMs) {
        RuntimeRandom& random = FContext.random != nullptr ? *FContext.random : FOwnRandom;
        const int r1 = random.Next(56);
        const int r2 = random.Next(56);
        FVelocity[r1 + 2][r2 + 2] = 1060.0f;
        FLastDropTime = now;
    }
    if (!forced && !FrameIntervalElapsed(now, FLastFrameTime, FFramesPerSecond))
        return;
    MoveWater();
    BuildMesh();
    FLastFrameTime = now;
}

void TEffectSub_Raindrops::MoveWater() {
    // Velocities first, all from the heights as they were before this step.
    for (int k = 2; k <= 58; ++k)
        for (int l = 2; l <= 58; ++l) {
            const double a = static_cast<double>(FHeight[k - 1][l]) + FHeight[k + 1][l] + FHeight[k][l - 1] +
                             FHeight[k][l + 1];
            const double d = static_cast<double>(FHeight[k - 1][l - 1]) + FHeight[k + 1][l - 1] +
                             FHeight[k - 1][l + 1] + FHeight[k + 1][l + 1];
            const double pull = (FHeight[k][l] - (4.0 * a + d) / 25.0) / 7.0;
            FVelocity[k][l] = static_cast<float>(FVelocity[k][l] + pull);
        }
    for (int k = 2; k <= 58; ++k)
        for (int l = 2; l <= 58; ++l) {
            FHeight[k][l] = static_cast<float>(static_cast<double>(FHeight[k][l]) - FVelocity[k][l]);
            FVelocity[k][l] = static_cast<float>(FVelocity[k][l] * 0.96);
        }
}

void TEffectSub_Raindrops::BuildMesh() {
    for (int k = 0; k <= kLast; ++k)
        for (int l = 0; l <= kLast; ++l)
            FVertices[k][l] = {static_cast<float>((k - 30) / 60.0 * 2.0),
                               static_cast<float>(FHeight[k][l] / 1024.0 / 60.0 * 2.0),
                               static_cast<float>((l - 30) / 60.0 * 2.0)};
    for (int k = 0; k <= kLast; ++k)
        for (int l = 0; l <= kLast; ++l) {
            if (k == 0 || l == 0 || k == kLast || l == kLast) {
                FNormals[k][l] = {0.0f, 1.0f, 0.0f};
                continue;
            }
            Vector n = {static_cast<float>(static_cast<double>(FHeight[k + 1][l]) - FHeight[k - 1][l]),
                        -2048.0f,
                        static_cast<float>(static_cast<double>(FHeight[k][l + 1]) - FHeight[k][l - 1])};
            const double length =
                std::sqrt(static_cast<double>(n[0]) * n[0] + static_cast<double>(n[1]) * n[1] +
                          static_cast<double>(n[2]) * n[2]);
            if (length != 0.0)
                for (float& c : n)
                    c = static_cast<float>(c / length);
            FNormals[k][l] = n;
        }
}

void TEffectSub_Raindrops::Draw(std::uint8_t /*cameraPosition*/, std::int32_t /*step*/) {
    if (!IsGLTexture(FTexture.Texture))
        return;
    Step(false);
    BackgroundGLState saved;
    glEnable(GL_DEPTH_TEST);
    glColor3f(0.85f, 1.0f, 0.85f);
    glTranslatef(0.0f, 0.0f, -15.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);

    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glScalef(6.2f, 1.0f, 6.2f);
    glBindTexture(GL_TEXTURE_2D, FTexture.Texture);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(Vector), FVertices[0][0].data());
    glNormalPointer(GL_FLOAT, sizeof(Vector), FNormals[0][0].data());
    for (const auto& strip : Strips())
        glDrawElements(GL_TRIANGLE_STRIP, kStripLength, GL_UNSIGNED_SHORT, strip.data());
}

} // namespace zorvane
