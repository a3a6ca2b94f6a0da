// BackgroundFactory: creates the background that "BackEffectType" names.
#include "backgrounds/BackgroundFactory.h"

#include "backgrounds/unitEffectSub_Background.h"
#include "backgrounds/unitEffectSub_None.h"
#include "backgrounds/unitEffectSub_Raindrops.h"
#include "backgrounds/unitEffectSub_Tunnel.h"
#include "backgrounds/unitEffectSub_Wave.h"

namespace zorvane {

std::unique_ptr<TEffectSub> CreateBackground(int type, const std::string& options,
                                             const BackgroundContext& context) {
    // Only the low seven bits of the setting count.
    switch (type & 0x7F) {
    case 0: {
        auto none = std::make_unique<TEffectSub_None>(context, options);
        none->SetTexture(context.desktopTexture);
        return none;
    }
    case 1:
        return std::make_unique<TEffectSub_Background>(context, options);
    case 2:
        return std::make_unique<TEffectSub_Wave>(context, options);
    case 3:
        return std::make_unique<TEffectSub_Raindrops>(context, options);
    case 4:
        return std::make_unique<TEffectSub_Tunnel>(context, options);
    default:
        return nullptr;
    }
}

} // namespace zorvane
