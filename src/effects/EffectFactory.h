// EffectFactory: builds the foreground effect the settings name (the effects' virtual constructor).
#pragma once

#include "effects/unitEffect.h"

#include <memory>
#include <string>

namespace zorvane {

// The effect types of the "FlipEffectType" setting.
enum TEffectType : int { etFlip = 0, etGrid = 1, etWaveFlip = 2 };

// type: the setting's value; only its low 8 bits count. 1 gives Grid, 2 Wave Flip, any other value
// Flip. The options text is passed unchanged to the effect's parser.
std::unique_ptr<TEffect> CreateEffect(int type, EffectHost& host, const std::string& options,
                                      TWindowInfos& windowInfos);

} // namespace zorvane
