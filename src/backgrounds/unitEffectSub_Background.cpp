// unitEffectSub_Background: a still picture over the whole screen behind the windows.
#include "backgrounds/unitEffectSub_Background.h"

#include "backgrounds/BackgroundGL.h"
#include "backgrounds/unitEffectSub_None.h"

namespace zorvane {

TEffectSub_Background::TEffectSub_Background(const BackgroundContext& context, const std::string& options)
    : TEffectSub(context, options) {}

void TEffectSub_Background::Draw(std::uint8_t /*cameraPosition*/, std::int32_t /*step*/) {
    if (!IsGLTexture(FTexture.Texture))
        return;
    BackgroundGLState saved;
    glEnable(GL_DEPTH_TEST);
    glColor3f(1.0f, 1.0f, 1.0f);
    glDisable(GL_BLEND);
    // The loaded picture covers its whole texture: s and t from 0 to 1.
    DrawScreenQuad(FTexture.Texture, 1.0f, 1.0f);
}

} // namespace zorvane
