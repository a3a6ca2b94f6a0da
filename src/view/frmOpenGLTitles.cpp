// frmOpenGLTitles: what the view lays over the effect — the windows' title plates (made here with
// Qt, handed to the effects as textures), the typed filter with its plate at the top of the
// screen, and closing a window from the view.
#include "effects/unitEffect.h"
#include "platform/Platform.h"
#include "view/TitlePlates.h"
#include "view/frmOpenGL.h"
#include "windows/WindowFilter.h"
#include "windows/unitWindowInfos.h"

#include <QKeyEvent>

#include <GL/gl.h>

#include <algorithm>

namespace zorvane {

namespace {

// How often the windows asked to close are looked at, and how long one may take before it is
// taken to have refused (a program asking whether to save stays in the stack).
constexpr double kCloseCheckMs = 50.0;
constexpr double kCloseWaitMs = 10000.0;
// Room between the filter plate and the top of the screen, at a device pixel ratio of 1.
constexpr int kFilterTopPixels = 24;

} // namespace

TViewTexture::TViewTexture(const QImage& rgba) : Width(rgba.width()), Height(rgba.height()) {
    const QImage image = rgba.convertToFormat(QImage::Format_RGBA8888);
    glGenTextures(1, &Name);
    glBindTexture(GL_TEXTURE_2D, Name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(image.bytesPerLine() / 4));
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, Width, Height, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.constBits());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

TViewTexture::~TViewTexture() {
    if (Name != 0 && glIsTexture(Name))
        glDeleteTextures(1, &Name);
}

TViewTexture::TViewTexture(TViewTexture&& other) noexcept
    : Name(std::exchange(other.Name, 0)), Width(other.Width), Height(other.Height) {}

TViewTexture& TViewTexture::operator=(TViewTexture&& other) noexcept {
    if (this != &other) {
        if (Name != 0 && glIsTexture(Name))
            glDeleteTextures(1, &Name);
        Name = std::exchange(other.Name, 0);
        Width = other.Width;
        Height = other.Height;
    }
    return *this;
}

void TOpenGLForm::OpenTitles(const ViewSettings& settings) {
    FShowTitles = settings.ShowTitles;
    FFilter = std::make_unique<TWindowFilter>(FOwner.WindowInfos());
    FClosingWindows.clear();
    FPendingFilter.reset();
    FPendingCloses.clear();
    FFilterPlateStale = true;
}

void TOpenGLForm::CloseTitles() {
    if (FFilter) {
        // Records that waited aside were never flown home by the closing: they start at home.
        const auto shown = ListSnapshot();
        FFilter.reset();
        TWindowInfos& infos = FOwner.WindowInfos();
        for (int i = 0; i < infos.Count(); ++i) {
            TWindowInfo& info = infos.Items(i);
            if (std::find(shown.begin(), shown.end(), &info) == shown.end()) {
                info.X = info.HomeX;
                info.Y = info.HomeY;
            }
        }
    }
    FClosingWindows.clear();
    FPendingFilter.reset();
    FPendingCloses.clear();
    if (MakeCurrent()) {
        FTitleTextures.clear();
        FFilterPlate = TViewTexture();
    }
    FIcons.clear();
    FShowTitles = false;
}

std::string TOpenGLForm::FilterText() const {
    return FFilter ? FFilter->Text() : std::string();
}

std::vector<const TWindowInfo*> TOpenGLForm::ListSnapshot() const {
    std::vector<const TWindowInfo*> records;
    const TWindowInfos& infos = FOwner.WindowInfos();
    for (int i = 0; i < infos.Count(); ++i)
        records.push_back(&infos.Items(i));
    return records;
}

TTitleImage TOpenGLForm::titleImage(const TWindowInfo& window, int maxWidth, bool highlighted) {
    if (!FShowTitles || maxWidth <= 0)
        return {};
    const auto key = std::make_tuple(window.Handle, window.Caption, maxWidth, highlighted);
    if (const auto found = FTitleTextures.find(key); found != FTitleTextures.end())
        return found->second.Image();
    const qreal ratio = devicePixelRatio();
    auto icon = FIcons.find(window.Handle);
    if (icon == FIcons.end()) {
        const int side = static_cast<int>(kTitleIconPixels * ratio);
        std::optional<TIconImage> picture;
        std::string themeName;
        try {
            picture = FPlatform.windowIcon(window.Handle, static_cast<int>(kWantedIconPixels * ratio));
            if (!picture)
                themeName = FPlatform.windowIconName(window.Handle);
        } catch (...) {
            // No icon to be had: the generic one shows.
        }
        icon = FIcons.emplace(window.Handle, TitleIcon(picture, side, themeName)).first;
    }
    const QImage plate =
        RenderTitlePlate(QString::fromStdString(window.Caption), icon->second, maxWidth, ratio, highlighted);
    return FTitleTextures.emplace(key, TViewTexture(plate)).first->second.Image();
}

void TOpenGLForm::DrawFilterOverlay() {
    if (!FFilter || FFilter->Text().empty())
        return;
    const qreal ratio = devicePixelRatio();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (FFilterPlateStale || FFilterPlate.Name == 0) {
        const std::string message = FFilter->NoMatch()
                                        ? FOwner.ViewMessage("msgNoWindowMatches", "No window matches")
                                        : std::string();
        FFilterPlate = TViewTexture(RenderFilterPlate(QString::fromStdString(FFilter->Text()),
                                                      QString::fromStdString(message),
                                                      static_cast<int>(viewport[2] * 0.8), ratio));
        FFilterPlateStale = false;
    }
    const int left = (viewport[2] - FFilterPlate.Width) / 2;
    DrawScreenImage(FFilterPlate.Name, left, static_cast<int>(kFilterTopPixels * ratio), FFilterPlate.Width,
                    FFilterPlate.Height, 1.0f);
}

bool TOpenGLForm::FilterKeyPress(QKeyEvent* event) {
    if (!FEffect || !FFilter || FClosing)
        return false;
    const int key = event->key();
    // Keys that arrive while the effect is still moving (nested in its frames) are kept and
    // applied, in order, once it is idle again.
    const std::string text = FPendingFilter ? *FPendingFilter : FFilter->Text();
    if (key == Qt::Key_Escape) {
        if (text.empty())
            return false; // the view closes, as it always has
        SetFilterText({});
        return true;
    }
    if (key == Qt::Key_Backspace) {
        if (!text.empty())
            SetFilterText(WithoutLastCharacter(text));
        return true;
    }
    if (key == Qt::Key_Delete) {
        if (const TWindowInfo* selected = FEffect->SelectedRecord())
            RequestCloseOf(selected->Handle);
        return true;
    }
    // Shortcuts and the numeric keypad (the Grid's arrows) are not typing.
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier))
        return false;
    const QString typed = event->text();
    if (typed.isEmpty() ||
        !std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.isLetterOrNumber(); }))
        return false;
    SetFilterText(text + typed.toStdString());
    return true;
}

void TOpenGLForm::SetFilterText(const std::string& text) {
    FPendingFilter = text;
    ServicePendingInput();
}

void TOpenGLForm::ServicePendingInput() {
    if (!FEffect || !FFilter || FClosing || FEffect->FState != esIdle)
        return;
    if (FPendingFilter) {
        const std::string text = *FPendingFilter;
        FPendingFilter.reset();
        ApplyFilterText(text);
    }
    while (!FPendingCloses.empty() && FEffect && FEffect->FState == esIdle && !FClosing) {
        const WindowHandle handle = FPendingCloses.front();
        FPendingCloses.erase(FPendingCloses.begin());
        AskToClose(handle);
    }
}

void TOpenGLForm::ApplyFilterText(const std::string& text) {
    const auto before = ListSnapshot();
    const TWindowInfo* selected = FEffect->SelectedRecord();
    const bool changed = FFilter->SetText(text);
    FFilterPlateStale = true;
    TWindowInfos& infos = FOwner.WindowInfos();
    if (changed && infos.Count() > 0) {
        // Narrowing selects the first match; clearing keeps the window that was selected.
        const TWindowInfo* wanted = text.empty() && selected != nullptr ? selected : &infos.Items(0);
        EffectCall call(*this);
        FEffect->StackChanged(before, wanted);
    } else {
        invalidate();
    }
    Trace("filter [" + FilterText() + "] " + std::to_string(infos.Count()) +
          (FFilter && FFilter->NoMatch() ? " nomatch" : ""));
}

void TOpenGLForm::RequestCloseOf(WindowHandle handle) {
    FPendingCloses.push_back(handle);
    ServicePendingInput();
}

void TOpenGLForm::AskToClose(WindowHandle handle) {
    const auto shown = ListSnapshot();
    if (std::none_of(shown.begin(), shown.end(),
                     [&](const TWindowInfo* info) { return info->Handle == handle; }))
        return;
    bool asked = false;
    try {
        asked = FPlatform.requestClose(handle);
    } catch (...) {
    }
    Trace(std::string("close-requested ") + (asked ? "1" : "0"));
    if (!asked)
        return;
    const auto pending = std::find_if(FClosingWindows.begin(), FClosingWindows.end(),
                                      [&](const auto& entry) { return entry.first == handle; });
    if (pending == FClosingWindows.end())
        FClosingWindows.emplace_back(handle, MonotonicMilliseconds() + kCloseWaitMs);
}

void TOpenGLForm::CheckClosingWindows() {
    if (FClosingWindows.empty() || !FEffect || FEffect->FState != esIdle || FClosing)
        return;
    const double now = MonotonicMilliseconds();
    if (now < FNextCloseCheck)
        return;
    FNextCloseCheck = now + kCloseCheckMs;
    auto entry = FClosingWindows.begin();
    while (entry != FClosingWindows.end()) {
        const auto [handle, deadline] = *entry;
        if (FPlatform.isWindowVisible(handle)) {
            // Past its time it has refused (or asks the user first): it stays in the stack.
            entry = now > deadline ? FClosingWindows.erase(entry) : entry + 1;
            continue;
        }
        FClosingWindows.erase(entry);
        const auto shown = ListSnapshot();
        const auto record = std::find_if(shown.begin(), shown.end(),
                                         [&](const TWindowInfo* info) { return info->Handle == handle; });
        if (record != shown.end())
            RemoveClosedWindow(*record);
        return; // one change per check: the effect plays each one's motion
    }
}

void TOpenGLForm::RemoveClosedWindow(const TWindowInfo* record) {
    TWindowInfos& infos = FOwner.WindowInfos();
    const auto before = ListSnapshot();
    const auto at = std::find(before.begin(), before.end(), record);
    if (at == before.end())
        return;
    const int index = static_cast<int>(at - before.begin());
    const TWindowInfo* selected = FEffect->SelectedRecord();
    // The view stays on the next window: the one after the closed one, else the one before.
    if (selected == record)
        selected = index + 1 < infos.Count() ? before[static_cast<std::size_t>(index + 1)]
                   : index > 0               ? before[static_cast<std::size_t>(index - 1)]
                                             : nullptr;
    // The closed window's record lives on until its picture has faded out of the stack.
    struct Gone {
        TOpenGLForm& form;
        std::unique_ptr<TWindowInfo> record;
        ~Gone() {
            if (record && record->Texture != 0 && form.MakeCurrent() && glIsTexture(record->Texture))
                glDeleteTextures(1, &record->Texture);
        }
    } gone{*this, FFilter->Remove(record)};
    Trace("window-closed");
    if (infos.Count() == 0 && FFilter->Hidden() > 0) {
        // The last match went: the others come back.
        FFilter->Clear();
        FFilterPlateStale = true;
        selected = infos.Count() > 0 ? &infos.Items(0) : nullptr;
    }
    if (infos.Count() + FFilter->Hidden() < 2) {
        // Nothing left to choose from: the view closes as a pick would.
        for (int i = 0; i < infos.Count(); ++i) {
            if (&infos.Items(i) == selected)
                FEffect->FSelectedIndex = i;
        }
        if (FEffect->FSelectedIndex >= infos.Count())
            FEffect->FSelectedIndex = 0;
        SetActive(false);
        return;
    }
    {
        EffectCall call(*this);
        FEffect->StackChanged(before, selected);
    }
    Trace("stack-settled");
}

} // namespace zorvane
