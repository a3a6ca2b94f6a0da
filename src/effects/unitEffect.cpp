// unitEffect: states, option parsing, the camera and image bounces and Redraw shared by all effects.
#include "effects/unitEffect.h"

#include "backgrounds/unitEffectSub.h"
#include "core/CommaText.h"
#include "effects/EffectHost.h"
#include "windows/unitWindowInfos.h"

#include <GL/gl.h>

#include <algorithm>

namespace zorvane {

namespace {

constexpr int kOpenCloseSteps = 10;
constexpr int kOpenCloseSleepMs = 30;

} // namespace

TEffectOptions ParseEffectOptions(const std::string& options, std::uint8_t defaultCamera) {
    TEffectOptions result;
    const std::vector<std::string> fields = SplitCommaText(options);
    result.cameraPosition = defaultCamera;
    if (!fields.empty()) {
        // Stored in 8 bits, as the setting has always been: 258 is Center.
        result.cameraPosition = static_cast<std::uint8_t>(FieldToInt(fields[0], defaultCamera));
    }
    bool* const flags[] = {&result.startingAnimation, &result.endingAnimation, &result.bounceAnimation,
                           &result.reflection};
    for (std::size_t i = 0; i < 4; ++i) {
        if (i + 1 < fields.size()) {
            *flags[i] = FieldToBool(fields[i + 1], true);
        }
    }
    return result;
}

TEffect::TEffect(EffectHost& handle, TWindowInfos& windowInfos)
    : FHandle(handle), FWindowInfos(windowInfos) {}

TEffect::~TEffect() = default;

void TEffect::ParseOptions(const std::string& options, std::uint8_t defaultCamera) {
    const TEffectOptions parsed = ParseEffectOptions(options, defaultCamera);
    FCameraPosition = parsed.cameraPosition;
    FStartingAnimation = parsed.startingAnimation;
    FEndingAnimation = parsed.endingAnimation;
    FBounceAnimation = parsed.bounceAnimation;
    FReflection = parsed.reflection;
}

void TEffect::Bounce(std::uint8_t kind, std::int32_t steps, float delta) {
    if (!FBounceAnimation) {
        return;
    }
    // Restored exactly at the end, so repeated bounces never drift the camera.
    const float remembered = FCameraZ;
    const float out = kind == bkCameraRecoil ? -delta : delta;
    for (std::int32_t i = 0; i < steps; ++i) {
        FCameraZ += out;
        Redraw();
    }
    for (std::int32_t i = 0; i < steps; ++i) {
        FCameraZ -= out;
        Redraw();
    }
    FCameraZ = remembered;
    Redraw();
}

void TEffect::ImageBounce(float& offset, std::uint8_t kind, std::int32_t steps, float delta) {
    if (!FBounceAnimation) {
        return;
    }
    offset = 0.0f;
    if (kind == bkCameraRecoil || kind == bkCameraPush) {
        TEffect::Bounce(kind, steps, delta);
        return;
    }
    if (kind == bkPushBack) {
        delta = -delta;
    }
    for (std::int32_t i = 0; i < steps; ++i) {
        offset += delta;
        Redraw();
    }
    for (std::int32_t i = 1; i <= steps; ++i) {
        if (i == steps) {
            offset = 0.0f;
        } else {
            offset -= delta;
        }
        Redraw();
    }
}

void TEffect::Draw() {
    if (FBackground) {
        FBackground->Draw(FCameraPosition, FStep);
    }
}

void TEffect::TranslateScene() const {
    glTranslatef(0.0f, 0.0f, static_cast<float>(FCameraZ + kSceneDepth));
}

void TEffect::OpenInSteps(float& progress, const RecordStep& moveRecords, std::int32_t bounceSteps,
                          float bounceDelta) {
    for (int k = 1; k <= kOpenCloseSteps; ++k) {
        FStep += 1;
        progress = static_cast<float>(k * 0.1);
        moveRecords(+1);
        // A close that ran nested inside a frame has already played the closing; the remaining
        // steps still move the records so that they end where the closing expects them, unseen.
        if (FState != esOpening) {
            continue;
        }
        if (FStartingAnimation || k == kOpenCloseSteps) {
            Redraw();
            FHandle.sleep(kOpenCloseSleepMs);
        }
    }
    if (FState != esOpening) {
        return;
    }
    Bounce(bkCameraRecoil, bounceSteps, bounceDelta);
    // Never back to idle once a close has begun: closing is final.
    if (FState == esOpening) {
        FState = esIdle;
    }
}

void TEffect::CloseInSteps(float& progress, const RecordStep& moveRecords, std::int32_t bounceSteps,
                           float bounceDelta) {
    for (int k = 1; k <= kOpenCloseSteps; ++k) {
        FStep -= 1;
        progress = static_cast<float>((kOpenCloseSteps - k) * 0.1);
        moveRecords(-1);
        if (FEndingAnimation) {
            Redraw();
            FHandle.sleep(kOpenCloseSleepMs);
        }
    }
    Bounce(bkCameraPush, bounceSteps, bounceDelta);
}

void TEffect::ImageQuad(const TWindowInfo& info) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, -info.TexT);
    glVertex3f(0.0f, -info.Height, 1.0f);
    glTexCoord2f(info.TexS, -info.TexT);
    glVertex3f(info.Width, -info.Height, 1.0f);
    glTexCoord2f(info.TexS, 0.0f);
    glVertex3f(info.Width, 0.0f, 1.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 1.0f);
    glEnd();
}

void TEffect::ReflectionQuad(const TWindowInfo& info, float stripBottom, float stripT) {
    glBegin(GL_QUADS);
    glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
    glTexCoord2f(0.0f, stripT);
    glVertex3f(0.0f, stripBottom, 1.0f);
    glColor4f(0.0f, 0.0f, 0.0f, 0.0f);
    glTexCoord2f(info.TexS, stripT);
    glVertex3f(info.Width, stripBottom, 1.0f);
    glColor4f(0.7f, 0.7f, 0.7f, 0.7f);
    glTexCoord2f(info.TexS, -info.TexT);
    glVertex3f(info.Width, 0.0f, 1.0f);
    glColor4f(0.7f, 0.7f, 0.7f, 0.7f);
    glTexCoord2f(0.0f, -info.TexT);
    glVertex3f(0.0f, 0.0f, 1.0f);
    glEnd();
}

void TEffect::EndAnimation() {
    FState = esClosing;
    FStayOpen = false;
}

void TEffect::MouseDown(std::int32_t, std::int32_t) {}
void TEffect::MouseMove(std::int32_t, std::int32_t) {}
void TEffect::MouseUp(std::int32_t, std::int32_t) {}

void TEffect::MouseWheel(std::uint8_t direction) {
    if (FState != esIdle) {
        return;
    }
    if (direction == 0) {
        SelectPrevious();
    } else if (direction == 1) {
        SelectNext();
    }
}

void TEffect::StartAnimation() {
    FState = esOpening;
}

void TEffect::StayOpen() {
    FStayOpen = true;
}

void TEffect::Redraw() {
    FHandle.invalidate();
    FHandle.processMessages();
}

void TEffect::StackChanged(const std::vector<const TWindowInfo*>&, const TWindowInfo* selected) {
    for (int i = 0; i < FWindowInfos.Count(); ++i) {
        if (&FWindowInfos.Items(i) == selected)
            FSelectedIndex = i;
    }
    if (FSelectedIndex >= FWindowInfos.Count())
        FSelectedIndex = 0;
    Redraw();
}

const TWindowInfo* TEffect::SelectedRecord() const {
    if (FSelectedIndex < 0 || FSelectedIndex >= FWindowInfos.Count())
        return nullptr;
    return &FWindowInfos.Items(FSelectedIndex);
}

const TWindowInfo* TEffect::PictureAt(float x, float y) const {
    for (const auto& [window, box] : FPictureBoxes) {
        if (box.Valid && x >= box.Left && x < box.Right && y >= box.Top && y < box.Bottom)
            return window;
    }
    return nullptr;
}

void TEffect::BeginFrameBoxes() {
    FPictureBoxes.clear();
    FReflectionBoxes.clear();
}

void TEffect::RecordReflectionBox(const TWindowInfo& window, float x0, float y0, float x1, float y1,
                                  float z) {
    FReflectionBoxes.emplace_back(&window, ProjectRect(x0, y0, x1, y1, z));
}

TScreenBox TEffect::RecordBox(const TWindowInfo& window, float x0, float y0, float x1, float y1, float z) {
    const TScreenBox box = ProjectRect(x0, y0, x1, y1, z);
    FPictureBoxes.emplace_back(&window, box);
    return box;
}

const TEffect::TStackPlace* TEffect::TStackMotion::Was(const TWindowInfo* record) const {
    if (!Active)
        return nullptr;
    const auto found = Before.find(record);
    return found == Before.end() ? nullptr : &found->second;
}

double TEffect::TStackMotion::Slot(const TWindowInfo* record, int index) const {
    const TStackPlace* was = Was(record);
    if (was == nullptr)
        return index;
    return was->Index + (index - was->Index) * static_cast<double>(T);
}

float TEffect::TStackMotion::Opacity(const TWindowInfo* record) const {
    return Active && Was(record) == nullptr ? T : 1.0f;
}

void TEffect::BeginStackMotion(const std::vector<const TWindowInfo*>& before,
                               const std::function<float(const TWindowInfo&, int)>& scaleOf) {
    FMotion = {};
    for (std::size_t i = 0; i < before.size(); ++i) {
        const TWindowInfo& record = *before[i];
        FMotion.Before[&record] =
            TStackPlace{static_cast<int>(i), record.X, record.Y, scaleOf(record, static_cast<int>(i))};
    }
}

void TEffect::PlayStackMotion() {
    constexpr int kSteps = 9;
    constexpr int kSleepMs = 10;
    for (const auto& [record, place] : FMotion.Before) {
        bool stays = false;
        for (int i = 0; i < FWindowInfos.Count() && !stays; ++i)
            stays = &FWindowInfos.Items(i) == record;
        if (!stays)
            FMotion.Leaving.emplace_back(record, place);
    }
    std::sort(FMotion.Leaving.begin(), FMotion.Leaving.end(),
              [](const auto& a, const auto& b) { return a.second.Index < b.second.Index; });
    if (FState == esIdle) {
        FState = esNavigating;
        FMotion.Active = true;
        for (int k = 1; k <= kSteps && FState == esNavigating; ++k) {
            FMotion.T = static_cast<float>(k) / kSteps;
            Redraw();
            FHandle.sleep(kSleepMs);
        }
    }
    // The records of the old list may go once this returns: nothing of them is kept.
    FMotion = {};
    if (FState == esNavigating)
        FState = esIdle;
    if (FState == esIdle)
        Redraw();
}

void TEffect::DrawTitles(bool everyWindow, float alpha) {
    if (!FHandle.showTitles() || (FState != esIdle && FState != esNavigating))
        return;
    const TWindowInfo* selected = SelectedRecord();
    for (const auto& [window, box] : FPictureBoxes) {
        if (window != selected && !everyWindow)
            continue;
        TScreenBox under = box;
        for (const auto& [reflected, reflection] : FReflectionBoxes) {
            if (reflected == window && reflection.Valid && box.Valid)
                under.Bottom = std::max(under.Bottom, reflection.Bottom);
        }
        DrawTitleUnder(FHandle, *window, under, everyWindow && window == selected, alpha);
    }
}

} // namespace zorvane
