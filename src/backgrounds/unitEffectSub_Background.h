// unitEffectSub_Background: a still picture over the whole screen behind the windows.
#pragma once

#include "backgrounds/unitEffectSub.h"

namespace zorvane {

class TEffectSub_Background : public TEffectSub {
public:
    TEffectSub_Background(const BackgroundContext& context, const std::string& options);

    void Draw(std::uint8_t cameraPosition, std::int32_t step) override;
};

} // namespace zorvane
