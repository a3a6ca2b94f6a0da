// unitEffect_Flip: the receding stack — depths, tilt, camera moves, colours, reflections, the
// opening and closing slides, and the flip that rotates the captured list by one window.
#include "effects/unitEffect_Flip.h"

#include "effects/EffectHost.h"
#include "windows/unitWindowInfos.h"

#include <GL/gl.h>

#include <algorithm>

namespace zorvane {

namespace {

// The selection's steps and the sleep after each.
constexpr int kFlipSleepMs = 10;
constexpr int kFlipSteps = 9;

} // namespace

TEffect_Flip::TEffect_Flip(EffectHost& handle, const std::string& options, TWindowInfos& windowInfos)
    : TEffect(handle, windowInfos) {
    SetOptions(options);
    FFlip = 0.0f;
    FBounce = 0.0f;
}

void TEffect_Flip::SetOptions(const std::string& options) {
    ParseOptions(options, cpTop);
}

void TEffect_Flip::Bounce(std::uint8_t kind, std::int32_t steps, float delta) {
    ImageBounce(FBounce, kind, steps, delta);
}

int TEffect_Flip::LastVisible() const {
    return std::min(FWindowInfos.Count() - 1, kMaxVisible - 1);
}

float TEffect_Flip::Depth(int i) const {
    return DepthAt(i);
}

float TEffect_Flip::DepthAt(double slot) const {
    return static_cast<float>(8.0 - 0.5 * slot * static_cast<double>(FProgress) + FFlip);
}

void TEffect_Flip::ApplyTilt() const {
    if (FCameraPosition == cpCenter) {
        glTranslatef(0.0f, 0.0f, static_cast<float>(-0.3 * FProgress));
    } else {
        glRotatef(FProgress, -1.0f, 0.0f, 0.0f);
    }
}

void TEffect_Flip::Draw() {
    DrawStack(kTopCamera, kBottomCamera);
}

void TEffect_Flip::PlaceCamera(TCameraShift top, TCameraShift bottom) const {
    const double p = FProgress;
    switch (FCameraPosition) {
    case cpTop:
        glTranslatef(static_cast<float>(top.x * p), static_cast<float>(top.y * p), 0.0f);
        glRotatef(static_cast<float>(30.0 * p), 1.0f, 1.6f, 0.2f);
        break;
    case cpBottom:
        glTranslatef(static_cast<float>(bottom.x * p), static_cast<float>(bottom.y * p), 0.0f);
        glRotatef(static_cast<float>(30.0 * p), -1.0f, 1.6f, 0.2f);
        break;
    default:
        break;
    }
}

void TEffect_Flip::DrawStack(TCameraShift top, TCameraShift bottom) {
    TEffect::Draw();
    glPushMatrix();
    TranslateScene();
    PlaceCamera(top, bottom);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor3f(1.0f, 1.0f, 1.0f);
    BeginFrameBoxes();
    DrawImages();
    DrawLeaving();
    if (FReflection) {
        DrawReflections();
    }
    // The front window's title fades with its picture during a flip.
    DrawTitles(false, static_cast<float>(1.0 - 2.0 * FFlip));
    glDisable(GL_BLEND);
    glPopMatrix();
}

void TEffect_Flip::DrawImages() {
    const int n = LastVisible();
    for (int i = 0; i <= n; ++i) {
        const TWindowInfo& info = FWindowInfos.Items(i);
        glPushMatrix();
        const float fade = FMotion.Opacity(&info);
        if (FState == esClosing) {
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        } else if (i == 0 && FFlip > 0.0f) {
            glColor4f(0.9f, 0.9f, 0.9f, static_cast<float>(0.9 - 1.5 * FFlip));
        } else if (i == n) {
            glColor4f(0.5f, 0.5f, 0.5f, static_cast<float>(0.5 + FFlip) * fade);
        } else {
            glColor4f(1.0f, 1.0f, 1.0f, fade);
        }
        DrawImage(i, info);
        glPopMatrix();
    }
}

void TEffect_Flip::DrawReflections() {
    const int n = LastVisible();
    for (int i = n; i >= 0; --i) {
        if (i == n || (i == 0 && FFlip > 0.0f)) {
            continue;
        }
        const TWindowInfo& info = FWindowInfos.Items(i);
        if (FMotion.Opacity(&info) < 1.0f) {
            continue; // a picture coming in gets its reflection once it is there
        }
        glPushMatrix();
        DrawReflection(i, info);
        glPopMatrix();
    }
}

void TEffect_Flip::DrawLeaving() {
    for (const auto& [record, place] : FMotion.Leaving) {
        if (place.Index >= kMaxVisible) {
            continue;
        }
        glPushMatrix();
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f - FMotion.T);
        ApplyTilt();
        glTranslatef(place.X, place.Y, DepthAt(place.Index) + FBounce);
        const TPictureBinding picture(*record);
        ImageQuad(*record);
        glPopMatrix();
    }
}

void TEffect_Flip::StackChanged(const std::vector<const TWindowInfo*>& before, const TWindowInfo* selected) {
    // The selected window comes to the front: the list turns until it is first.
    for (int turns = 0; turns < FWindowInfos.Count() && &FWindowInfos.Items(0) != selected; ++turns) {
        FWindowInfos.Move(0, FWindowInfos.Count() - 1);
    }
    BeginStackMotion(before, [](const TWindowInfo&, int) { return 1.0f; });
    PlayStackMotion();
}

void TEffect_Flip::DrawImage(int i, const TWindowInfo& info) {
    ApplyTilt();
    glTranslatef(info.X, info.Y, DepthAt(FMotion.Slot(&info, i)) + FBounce);
    RecordBox(info, 0.0f, -info.Height, info.Width, 0.0f, 1.0f);
    const TPictureBinding picture(info);
    ImageQuad(info);
}

void TEffect_Flip::DrawReflection(int i, const TWindowInfo& info) {
    ApplyTilt();
    glTranslatef(info.X, static_cast<float>(info.Y - (info.Height + 0.002)),
                 DepthAt(FMotion.Slot(&info, i)) + FBounce);
    const TPictureBinding picture(info);
    ReflectionQuad(info, -info.Height, 0.0f);
}

void TEffect_Flip::MoveRecords(int sign) {
    // Accumulated step by step, never assigned: the closing undoes exactly what the opening did.
    const double s = sign;
    for (int i = 0; i < FWindowInfos.Count(); ++i) {
        TWindowInfo& info = FWindowInfos.Items(i);
        switch (FCameraPosition) {
        case cpTop:
        case cpBottom:
            info.X = static_cast<float>(info.X - s * (0.1 * info.HomeX + 0.05));
            info.Y = static_cast<float>(info.Y -
                                        s * (0.1 * (static_cast<double>(info.HomeY) - info.Height) + 0.05));
            break;
        case cpCenter:
            info.X = static_cast<float>(info.X - s * 0.1 * (info.Width / 2.0 + info.HomeX));
            info.Y = static_cast<float>(info.Y - s * 0.1 * (info.HomeY - info.Height / 2.0));
            break;
        default:
            break;
        }
    }
}

void TEffect_Flip::StartAnimation() {
    TEffect::StartAnimation();
    OpenInSteps(
        FProgress, [this](int sign) { MoveRecords(sign); }, 6, 0.02f);
}

void TEffect_Flip::EndAnimation() {
    TEffect::EndAnimation();
    CloseInSteps(
        FProgress, [this](int sign) { MoveRecords(sign); }, 6, 0.02f);
}

void TEffect_Flip::SelectNext() {
    if (FState != esIdle) {
        return;
    }
    FState = esNavigating;
    for (int k = 1; k <= kFlipSteps; ++k) {
        if (FState != esNavigating) {
            return;
        }
        FFlip = static_cast<float>(0.05 * k);
        Redraw();
        FHandle.sleep(kFlipSleepMs);
    }
    if (FState != esNavigating) {
        return;
    }
    if (FWindowInfos.Count() > 1) {
        FWindowInfos.Move(0, FWindowInfos.Count() - 1);
    }
    FFlip = 0.0f;
    Redraw();
    Bounce(bkPullForward, 5, 0.01f);
    if (FState == esNavigating) {
        FState = esIdle;
    }
}

void TEffect_Flip::SelectPrevious() {
    if (FState != esIdle) {
        return;
    }
    FState = esNavigating;
    if (FWindowInfos.Count() > 1) {
        FWindowInfos.Move(FWindowInfos.Count() - 1, 0);
    }
    for (int k = 1; k <= kFlipSteps; ++k) {
        if (FState != esNavigating) {
            return;
        }
        FFlip = static_cast<float>(0.55 - 0.05 * k);
        Redraw();
        FHandle.sleep(kFlipSleepMs);
    }
    if (FState != esNavigating) {
        return;
    }
    FFlip = 0.0f;
    Redraw();
    Bounce(bkPushBack, 5, 0.01f);
    if (FState == esNavigating) {
        FState = esIdle;
    }
}

void TEffect_Flip::KeyDown(std::uint16_t key) {
    if (FState != esIdle) {
        return;
    }
    if (key == vkLeft || key == vkUp) {
        SelectPrevious();
    } else if (key == vkRight || key == vkDown) {
        SelectNext();
    }
}

void TEffect_Flip::MouseUp(std::int32_t x, std::int32_t y) {
    if (FStayOpen) {
        FHandle.postEffectClose();
    }
    TEffect::MouseUp(x, y);
}

} // namespace zorvane
