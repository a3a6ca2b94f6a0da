// unitEffectSub_None: the desktop picture behind the windows, dimmed while the view opens.
#pragma once

#include "backgrounds/unitEffectSub.h"

namespace zorvane {

class TEffectSub_None : public TEffectSub {
public:
    TEffectSub_None(const BackgroundContext& context, const std::string& options);
    // Releases only a picture the options made it load; the desktop texture stays the view's.
    ~TEffectSub_None() override;

    void Draw(std::uint8_t cameraPosition, std::int32_t step) override;
    // Takes the desktop picture (the whole record); the caller keeps owning the texture.
    void SetTexture(const TTextureInfo& texture);
};

// The unit quad shared by None and Background: corners (+-1, +-1, 1) scaled by (4.14, 4.14, -10),
// filling the screen at depth 10; t runs from 0 at the top to -texT at the bottom.
void DrawScreenQuad(GLuint texture, float texS, float texT);

} // namespace zorvane
