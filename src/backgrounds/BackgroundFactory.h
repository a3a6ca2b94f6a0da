// BackgroundFactory: creates the background that "BackEffectType" names.
#pragma once

#include "backgrounds/unitEffectSub.h"

#include <memory>
#include <string>

namespace zorvane {

// type is "BackEffectType", of which the low seven bits count: 0 None (given
// context.desktopTexture), 1 Background, 2 Wave, 3 Raindrops, 4 Tunnel; 5 to 127 give no
// background (null). The GL context must
// be current: the picture is loaded here.
std::unique_ptr<TEffectSub> CreateBackground(int type, const std::string& options,
                                             const BackgroundContext& context);

} // namespace zorvane
