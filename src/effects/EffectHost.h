// EffectHost: what a switcher effect may ask of the view that shows it.
// Effects animate synchronously: they change their values, ask the host for a repaint and let it
// run pending events, all from inside their own operation. The view implements this interface on
// the shell side; tests and zorvane-render supply their own hosts (offscreen context, no sleeping).
#pragma once

#include <cstdint>

namespace zorvane {

class TWindowInfo;

// A window's title plate (its icon and title on a dark rounded plate), made by the view as a
// texture of Width x Height device pixels, rows top first, alpha not premultiplied. Texture 0:
// no plate. The texture belongs to the view and stays valid until the view closes.
struct TTitleImage {
    std::uint32_t Texture = 0;
    int Width = 0;
    int Height = 0;
};

class EffectHost {
public:
    virtual ~EffectHost() = default;

    // Ask for the whole view to be repainted (without erasing). The paint itself may be deferred
    // until processMessages().
    virtual void invalidate() = 0;

    // Run every pending event of the application: paints, input, render ticks, posted messages.
    // After invalidate(), the repaint (the effect's Draw) must have happened before this returns.
    // Input handlers run here may call back into the effect, and may even close the view.
    virtual void processMessages() = 0;

    // Post WM_EFFECTCLOSE to the view: it closes as on the Esc key, once the current event has
    // finished. Posting never runs the close from inside this call.
    virtual void postEffectClose() = 0;

    // Pause the animation between frames. Hosts that do not show frames to a person may skip it.
    virtual void sleep(int milliseconds) = 0;

    // The primary screen's size in pixels; the view's client area covers it (mouse hit tests
    // turn client pixels into cells with it).
    virtual int screenWidth() const = 0;
    virtual int screenHeight() const = 0;

    // Whether the effects show window titles. Hosts that show none leave the drawing exactly as
    // it is without them.
    virtual bool showTitles() const { return false; }
    // The title plate of a window, at most maxWidth device pixels wide (the title is cut with an
    // ellipsis to fit), highlighted for the selected window where several titles show.
    virtual TTitleImage titleImage(const TWindowInfo& window, int maxWidth, bool highlighted) {
        (void)window;
        (void)maxWidth;
        (void)highlighted;
        return {};
    }
};

} // namespace zorvane
