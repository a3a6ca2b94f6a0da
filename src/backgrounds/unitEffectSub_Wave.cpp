// unitEffectSub_Wave: the picture tiled over a far plane with 32 looping frames of light caustics
// added on top.
#include "backgrounds/unitEffectSub_Wave.h"

#include "backgrounds/BackgroundGL.h"
#include "core/Clock.h"

#include <cstdio>
#include <exception>

namespace zorvane {

TEffectSub_Wave::TEffectSub_Wave(const BackgroundContext& context, const std::string& options)
    : TEffectSub(context, options) {
    FFrameIndex = 1;
    FLastFrameTime = Now();
    FAnimated = true;
    for (int i = 1; i <= kFrameCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "WAVE_%02d.BMP", i);
        GLuint texture = 0;
        try {
            if (LoadTexture(name, texture, true))
                FFrames[i] = texture;
        } catch (const std::exception&) {
            // A missing frame is skipped when it comes round; the picture still shows.
        }
    }
}

TEffectSub_Wave::~TEffectSub_Wave() {
    FAnimated = false;
    for (int i = 1; i <= kFrameCount; ++i)
        DeleteGLTexture(FFrames[i]);
}

void TEffectSub_Wave::Advance() {
    if (!FActive || EffectIsOpeningOrClosing())
        return;
    const std::int64_t now = Now();
    if (now < FLastFrameTime) {
        // The local clock went back (daylight saving, a clock change): start the interval anew
        // instead of standing still until the old time comes round again.
        FLastFrameTime = now;
        return;
    }
    if (FrameIntervalElapsed(now, FLastFrameTime, FFramesPerSecond)) {
        FFrameIndex = FFrameIndex >= kFrameCount ? 1 : FFrameIndex + 1;
        FLastFrameTime = now;
    }
}

namespace {

// One quad at depth -1 with the picture repeated `repeat` times across and down.
void DrawTiledQuad(float repeat) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-1.0f, -1.0f, -1.0f);
    glTexCoord2f(repeat, 0.0f);
    glVertex3f(1.0f, -1.0f, -1.0f);
    glTexCoord2f(repeat, -repeat);
    glVertex3f(1.0f, 1.0f, -1.0f);
    glTexCoord2f(0.0f, -repeat);
    glVertex3f(-1.0f, 1.0f, -1.0f);
    glEnd();
}

} // namespace

void TEffectSub_Wave::Draw(std::uint8_t /*cameraPosition*/, std::int32_t /*step*/) {
    if (!IsGLTexture(FTexture.Texture))
        return;
    Advance();
    BackgroundGLState saved;
    glEnable(GL_DEPTH_TEST);
    glColor3f(1.0f, 1.0f, 1.0f);
    glTranslatef(0.0f, 0.0f, -15.0f);

    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, FTexture.Texture);
    glScalef(12.5f, 12.5f, 12.6f);
    DrawTiledQuad(5.0f);
    glPopMatrix();

    const GLuint frame = FFrames[FFrameIndex];
    if (IsGLTexture(frame)) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glColor4f(1.0f, 1.0f, 1.0f, 0.4f);
        glPushMatrix();
        glBindTexture(GL_TEXTURE_2D, frame);
        glScalef(12.5f, 12.5f, 12.5f);
        DrawTiledQuad(3.0f);
        glPopMatrix();
        glDisable(GL_BLEND);
    }
}

} // namespace zorvane
