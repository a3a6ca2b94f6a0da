// EffectFactory: the effect class for the "FlipEffectType" setting.
#include "effects/EffectFactory.h"

#include "effects/unitEffect_Flip.h"
#include "effects/unitEffect_Grid.h"
#include "effects/unitEffect_WaveFlip.h"

namespace zorvane {

std::unique_ptr<TEffect> CreateEffect(int type, EffectHost& host, const std::string& options,
                                      TWindowInfos& windowInfos) {
    switch (static_cast<std::uint8_t>(type)) {
    case etGrid:
        return std::make_unique<TEffect_Grid>(host, options, windowInfos);
    case etWaveFlip:
        return std::make_unique<TEffect_WaveFlip>(host, options, windowInfos);
    default:
        return std::make_unique<TEffect_Flip>(host, options, windowInfos);
    }
}

} // namespace zorvane
