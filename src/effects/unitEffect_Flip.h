// unitEffect_Flip: the default switcher effect — a receding stack of window images, the selected
// one in front; a selection change flips the stack by one image and rotates the captured list.
#pragma once

#include "effects/unitEffect.h"

namespace zorvane {

class TWindowInfo;

class TEffect_Flip : public TEffect {
public:
    // At most this many images are drawn; all records move in the opening and closing.
    static constexpr int kMaxVisible = 10;

    TEffect_Flip(EffectHost& handle, const std::string& options, TWindowInfos& windowInfos);

    void SetOptions(const std::string& options) override;
    void Bounce(std::uint8_t kind, std::int32_t steps, float delta) override;
    void Draw() override;
    void EndAnimation() override;
    void KeyDown(std::uint16_t key) override;
    void MouseUp(std::int32_t x, std::int32_t y) override;
    void StartAnimation() override;
    void SelectNext() override;
    void SelectPrevious() override;
    void StackChanged(const std::vector<const TWindowInfo*>& before, const TWindowInfo* selected) override;

    float FProgress = 0.0f; // opening progress P: 0 at rest on the desktop, 1 fully open
    float FFlip = 0.0f;     // flip progress F of a selection change, 0 .. 0.5
    float FBounce = 0.0f;   // image bounce offset, added to every image's depth

    // Index of the last visible image: min(count - 1, 9); -1 for an empty list.
    int LastVisible() const;
    // Depth term d(i) of visible image i (without the bounce offset).
    float Depth(int i) const;
    // The same at a place between two images (while the stack changes).
    float DepthAt(double slot) const;

protected:
    // How far the camera's shift moves the stack sideways and up or down when fully open.
    struct TCameraShift {
        double x;
        double y;
    };
    static constexpr TCameraShift kTopCamera{-3.4, 2.1};
    static constexpr TCameraShift kBottomCamera{-3.4, -2.1};

    // Moves every record by one opening step (sign +1) or its exact inverse (sign -1).
    void MoveRecords(int sign);
    // The per-image tilt applied before an image's own translation.
    void ApplyTilt() const;
    // The Top and Bottom cameras' shift and turn, growing with the opening progress.
    void PlaceCamera(TCameraShift top, TCameraShift bottom) const;
    // The whole frame: background, scene and camera, blending, the images front to back and the
    // reflections back to front, with the shading of the front, flipping and last images.
    void DrawStack(TCameraShift top, TCameraShift bottom);
    void DrawImages();
    void DrawReflections();
    // One image or reflection of visible index i, inside its own matrix and with its colour set.
    virtual void DrawImage(int i, const TWindowInfo& info);
    virtual void DrawReflection(int i, const TWindowInfo& info);
    // The pictures leaving the stack while it changes, fading where they were.
    virtual void DrawLeaving();
};

} // namespace zorvane
