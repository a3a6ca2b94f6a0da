// WheelSteps: turns wheel angle deltas into whole selection steps, one per notch (120), so that a
// touchpad or a fine-resolution wheel steps as far as a classic wheel turned the same way would.
#pragma once

namespace zorvane {

class TWheelSteps {
public:
    // One notch of a classic wheel, in eighths of a degree (Qt's and X11's unit).
    static constexpr int kNotch = 120;

    // Adds one event's vertical angle delta; answers the steps it completes: positive towards the
    // user (down, the next window), negative away (up, the previous one), 0 for none yet. Turning
    // the other way drops what was added so far, so a reversal answers within one notch.
    int Add(int angleDelta);
    void Reset() { FPending = 0; }

private:
    int FPending = 0; // the part of a notch added but not yet stepped, signed
};

} // namespace zorvane
