// unitUtils: small helpers shared by the window catalogue and the texture loader.
#pragma once

namespace zorvane {

// The smallest of 128, 256, ..., 32768 that is not below value; 32768 for anything larger.
// Texture sides are always powers of two in this range.
constexpr int NextPowerOfTwo(int value) {
    int side = 128;
    while (side < value && side < 32768)
        side *= 2;
    return side;
}

} // namespace zorvane
