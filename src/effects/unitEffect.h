// unitEffect: the foreground effect interface shared by Flip, Grid and Wave Flip — states, option
// parsing, camera bounce, the background hand-off, and the synchronous Redraw.
#pragma once

#include "effects/TitleOverlay.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zorvane {

class EffectHost;
class TEffectSub;
class TWindowInfo;
class TWindowInfos;

// Posted by an effect to the view to close it (handled like the Esc key). WM_USER + 501.
inline constexpr std::uint32_t WM_EFFECTCLOSE = 1525;

// Virtual-key codes the effects react to; the view maps its platform's keys onto these.
inline constexpr std::uint16_t vkTab = 0x09;
inline constexpr std::uint16_t vkReturn = 0x0D;
inline constexpr std::uint16_t vkEscape = 0x1B;
inline constexpr std::uint16_t vkLeft = 0x25;
inline constexpr std::uint16_t vkUp = 0x26;
inline constexpr std::uint16_t vkRight = 0x27;
inline constexpr std::uint16_t vkDown = 0x28;
inline constexpr std::uint16_t vkNumpad2 = 0x62;
inline constexpr std::uint16_t vkNumpad4 = 0x64;
inline constexpr std::uint16_t vkNumpad6 = 0x66;
inline constexpr std::uint16_t vkNumpad8 = 0x68;
inline constexpr std::uint16_t vkBack = 0x08;
inline constexpr std::uint16_t vkDelete = 0x2E;

// Effect states (8-bit values; 0 and 3 are unused).
enum TEffectState : std::uint8_t {
    esIdle = 1,       // ready for input
    esNavigating = 2, // a selection change is being animated
    esOpening = 4,    // opening animation
    esClosing = 5,    // closing animation; final
};

// Camera positions (option item 0).
enum TCameraPosition : std::uint8_t { cpTop = 0, cpCenter = 1, cpBottom = 2 };

// Bounce kinds (first argument of Bounce).
enum TBounceKind : std::uint8_t {
    bkCameraRecoil = 0, // the scene moves away and back (after opening)
    bkCameraPush = 1,   // the scene moves toward the viewer and back (after closing)
    bkPushBack = 2,     // the images move away and back (after SelectPrevious)
    bkPullForward = 3,  // the images move toward the viewer and back (after SelectNext)
};

// The fixed depth of the scene: with an image depth of 8 and the quad's local z of 1 the image
// plane lies where the 45 degree projection maps -0.5..+0.5 onto the whole screen.
inline constexpr double kSceneDepth = -10.207;

// The foreground effect. One object lives from one showing of the view to the next hiding.
//
// Construction stands for the virtual constructor `Create`: the base constructor sets every field
// to its start value; each derived constructor then calls its own SetOptions(options) first and
// sets its own fields. EffectFactory.h builds the right class from the settings.
//
// Fields are public: the view reads FState, FStayOpen, FAnimated, FSelectedIndex and assigns
// FBackground; tests and the render tool inspect the rest.
class TEffect {
public:
    TEffect(EffectHost& handle, TWindowInfos& windowInfos);
    virtual ~TEffect(); // destroys FBackground, if any

    TEffect(const TEffect&) = delete;
    TEffect& operator=(const TEffect&) = delete;

    // --- virtual operations, in slot order ---
    virtual void SetOptions(const std::string& options) = 0;                 // 0
    virtual void Bounce(std::uint8_t kind, std::int32_t steps, float delta); // 1
    // 2: Create is the constructor.
    virtual void Draw();                                    // 3
    virtual void EndAnimation();                            // 4
    virtual void KeyDown(std::uint16_t key) = 0;            // 5
    virtual void MouseDown(std::int32_t x, std::int32_t y); // 6
    virtual void MouseMove(std::int32_t x, std::int32_t y); // 7
    virtual void MouseUp(std::int32_t x, std::int32_t y);   // 8
    virtual void MouseWheel(std::uint8_t direction);        // 9: 0 up (previous), 1 down (next)
    virtual void StartAnimation();                          // 10
    virtual void SelectNext() = 0;                          // 11
    virtual void SelectPrevious() = 0;                      // 12

    // --- non-virtual operations ---
    // The view was opened to stay: releasing the Win key does not close it; a click picks.
    void StayOpen();
    // Repaint the view now: invalidate it and run pending events (which run Draw, and possibly
    // nested input and render ticks).
    void Redraw();

    // --- the list changing under the view: typing to filter, a window closed ---
    // The captured list has been changed from `before` (the records in their old order, all
    // still alive while this runs). The effect selects `selected` (a record of the new list) and
    // moves its pictures to their new places with its own motion. The base selects and redraws.
    virtual void StackChanged(const std::vector<const TWindowInfo*>& before, const TWindowInfo* selected);
    // The record selected now: the one the view activates on closing.
    const TWindowInfo* SelectedRecord() const;
    // The picture under a point of the view (device pixels, y downward) as the last frame drew it,
    // front-most first; null when no picture is there.
    const TWindowInfo* PictureAt(float x, float y) const;

    // --- fields, in declaration order ---
    EffectHost& FHandle;        // the view: repaints, pending events, the close request
    std::int32_t FStep = 0;     // opening step: +1 per opening step, -1 per closing step
    float FCameraZ = 0.0f;      // camera dolly offset; 0 except during a camera bounce
    TWindowInfos& FWindowInfos; // the captured list; not owned
    bool FStayOpen = false;
    TEffectState FState = esIdle;
    std::uint8_t FCameraPosition = cpTop;
    bool FStartingAnimation = true;
    bool FEndingAnimation = true;
    bool FBounceAnimation = true;
    bool FReflection = true;
    std::unique_ptr<TEffectSub> FBackground; // owned; may be empty
    bool FAnimated = false;                  // changes by itself while idle: repaint on every tick
    std::int32_t FSelectedIndex = 0;         // list index activated when the view closes

protected:
    // The option parsing shared by all effects; only the camera default differs (Grid: Center).
    void ParseOptions(const std::string& options, std::uint8_t defaultCamera);

    // The image bounce of kinds 2 and 3 on an effect's own offset; kinds 0 and 1 go to the
    // camera bounce. Every effect's Bounce override calls this with its offset.
    void ImageBounce(float& offset, std::uint8_t kind, std::int32_t steps, float delta);

    // Sets up the frame common to all effects after the background: the scene translation.
    void TranslateScene() const;

    // Where each picture landed on the screen in the frame being drawn (for titles and for the
    // mouse), front-most first. Draw calls BeginFrameBoxes, then RecordBox with the image's
    // rectangle under the image's matrices; recording changes no pixel.
    void BeginFrameBoxes();
    TScreenBox RecordBox(const TWindowInfo& window, float x0, float y0, float x1, float y1, float z);
    // The same for the visible part of a picture's reflection, under the reflection's matrices: a
    // title plate goes below it, so that it covers neither the picture nor its reflection. Not for
    // the mouse.
    void RecordReflectionBox(const TWindowInfo& window, float x0, float y0, float x1, float y1, float z);
    // Title plates under the recorded boxes: only the selected window's (Flip and Wave Flip), or
    // every window's with the selected one highlighted (Grid). Nothing unless the host shows titles.
    void DrawTitles(bool everyWindow, float alpha);

public:
    // Fields of the frame and of a stack change, public like the others for tests.
    std::vector<std::pair<const TWindowInfo*, TScreenBox>> FPictureBoxes;
    std::vector<std::pair<const TWindowInfo*, TScreenBox>> FReflectionBoxes;

    // A stack change being played (StackChanged): where each record of the old list was — its
    // index, position and drawn scale — and which of them leave; T runs from 0 to 1.
    struct TStackPlace {
        int Index = -1;
        float X = 0;
        float Y = 0;
        float Scale = 1;
    };
    struct TStackMotion {
        bool Active = false;
        float T = 1.0f;
        std::map<const TWindowInfo*, TStackPlace> Before;
        std::vector<std::pair<const TWindowInfo*, TStackPlace>> Leaving;
        // Where a record of the new list was, or null for one that comes in.
        const TStackPlace* Was(const TWindowInfo* record) const;
        // A record's place in the stack between its old index and its new one.
        double Slot(const TWindowInfo* record, int index) const;
        // Opacity of a record of the new list: one that comes in fades in.
        float Opacity(const TWindowInfo* record) const;
    };
    TStackMotion FMotion;

protected:
    // Remembers the old list's places (scaleOf: a record's drawn scale at an old index), before
    // the effect moves its layout on; then PlayStackMotion runs the in-between frames with the
    // selection steps' pacing and leaves nothing of the old list behind.
    void BeginStackMotion(const std::vector<const TWindowInfo*>& before,
                          const std::function<float(const TWindowInfo&, int)>& scaleOf);
    void PlayStackMotion();
    // A record's whole image as one quad at local depth 1, its top-left corner at the origin.
    static void ImageQuad(const TWindowInfo& info);
    // The image mirrored top to bottom below the origin, down to `stripBottom` (texture t from the
    // image's bottom up to `stripT`), fading from 0.7 next to the image to nothing.
    static void ReflectionQuad(const TWindowInfo& info, float stripBottom, float stripT);

    // The opening and closing of the effects that carry every record between its window and its
    // place in the effect in ten steps. Each step moves the records one step (sign +1 opening, -1
    // closing) and sets `progress` a tenth further; the camera bounce of `bounceSteps` steps of
    // `bounceDelta` follows.
    using RecordStep = std::function<void(int sign)>;
    void OpenInSteps(float& progress, const RecordStep& moveRecords, std::int32_t bounceSteps,
                     float bounceDelta);
    void CloseInSteps(float& progress, const RecordStep& moveRecords, std::int32_t bounceSteps,
                      float bounceDelta);
};

// Option items shared by the three effects, parsed from the settings' comma text.
struct TEffectOptions {
    std::uint8_t cameraPosition = cpTop;
    bool startingAnimation = true;
    bool endingAnimation = true;
    bool bounceAnimation = true;
    bool reflection = true;
};
TEffectOptions ParseEffectOptions(const std::string& options, std::uint8_t defaultCamera);

} // namespace zorvane
