// unitEffectSub_None: the desktop picture behind the windows, dimmed while the view opens.
#include "backgrounds/unitEffectSub_None.h"

#include "backgrounds/BackgroundGL.h"

namespace zorvane {

TEffectSub_None::TEffectSub_None(const BackgroundContext& context, const std::string& options)
    : TEffectSub(context, options) {}

TEffectSub_None::~TEffectSub_None() = default;

void TEffectSub_None::SetTexture(const TTextureInfo& texture) {
    // A picture named in the options would otherwise be lost here with its texture.
    ReleaseTexture();
    FTexture = texture;
    FOwnsTexture = false;
}

void DrawScreenQuad(GLuint texture, float texS, float texT) {
    glPushMatrix();
    glScalef(4.14f, 4.14f, -10.0f);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, -texT);
    glVertex3f(-1.0f, -1.0f, 1.0f);
    glTexCoord2f(texS, -texT);
    glVertex3f(1.0f, -1.0f, 1.0f);
    glTexCoord2f(texS, 0.0f);
    glVertex3f(1.0f, 1.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-1.0f, 1.0f, 1.0f);
    glEnd();
    glPopMatrix();
}

void TEffectSub_None::Draw(std::uint8_t /*cameraPosition*/, std::int32_t step) {
    if (!IsGLTexture(FTexture.Texture))
        return;
    BackgroundGLState saved;
    glEnable(GL_DEPTH_TEST);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1.0f, 1.0f, 1.0f, static_cast<float>(1.0 - 0.05 * step));
    DrawScreenQuad(FTexture.Texture, FTexture.TexS, FTexture.TexT);
    glDisable(GL_BLEND);
}

} // namespace zorvane
