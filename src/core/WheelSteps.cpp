// WheelSteps: wheel angle deltas added up into steps of one notch.
#include "core/WheelSteps.h"

namespace zorvane {

int TWheelSteps::Add(int angleDelta) {
    // A turn down (towards the user) comes as a negative delta.
    const long long towards = -static_cast<long long>(angleDelta);
    if (towards == 0)
        return 0;
    if (FPending != 0 && (towards > 0) != (FPending > 0))
        FPending = 0;
    const long long total = FPending + towards;
    // Division truncates towards zero, so the part left over keeps the turn's sign.
    const long long steps = total / kNotch;
    FPending = static_cast<int>(total - steps * kNotch);
    return static_cast<int>(steps);
}

} // namespace zorvane
