// frmOpenGLScreen: the view's monitor — which one it opens on (the pointer's or the primary), its
// placement over exactly that monitor, and the None background's desktop texture of that monitor
// (built at start, cached while the wallpaper and the monitor stay the same).
#include "platform/Platform.h"
#include "view/Textures.h"
#include "view/ViewScale.h"
#include "view/frmOpenGL.h"
#include "windows/MonitorScreen.h"

#include <GL/gl.h>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace zorvane {

Rect TOpenGLForm::ChooseViewMonitor(const ViewSettings& settings) {
    Monitor chosen;
    try {
        chosen = ChooseMonitor(FPlatform.monitors(), FPlatform.pointerPosition(), settings.Monitor);
    } catch (...) {
        // No monitor information: the primary screen's size from the corner, as below.
    }
    if (chosen.rect.empty())
        chosen.rect = Rect{0, 0, std::max(1, FPlatform.screenWidth()), std::max(1, FPlatform.screenHeight())};
    FMonitorName = chosen.name;
    return chosen.rect;
}

void TOpenGLForm::PlaceOnMonitor() {
    if (FPlatform.canPlaceWindows()) {
        setGeometry(LogicalGeometry(FMonitor));
        return;
    }
    // The window system places the view: ask for the screen of the monitor's name.
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name().toStdString() == FMonitorName) {
            setScreen(screen);
            break;
        }
    }
}

void TOpenGLForm::Prepare() {
    FPreparing = true;
    SetActive(false);
    const ViewSettings settings = FOwner.ReadViewSettings();
    FMonitor = ChooseViewMonitor(settings);
    if ((settings.BackEffectType & 0xFF) == 0 && MakeCurrent())
        BuildWallpaperCache();
    // Mapped now, off every monitor, so that no showing waits for a map.
    if (FKeepReady)
        ParkView();
    FPreparing = false;
}

void TOpenGLForm::RefreshWallpaperCache(bool noneBackground) {
    if (!MakeCurrent())
        return;
    if (FWallpaperTexture.Texture != 0 && glIsTexture(FWallpaperTexture.Texture))
        glDeleteTextures(1, &FWallpaperTexture.Texture);
    FWallpaperTexture = {};
    if (noneBackground) {
        FMonitor = ChooseViewMonitor(FOwner.ReadViewSettings());
        BuildWallpaperCache();
    }
}

void TOpenGLForm::BuildWallpaperCache() {
    if (FWallpaperTexture.Texture != 0 && glIsTexture(FWallpaperTexture.Texture))
        glDeleteTextures(1, &FWallpaperTexture.Texture);
    FWallpaperTexture = {};
    FWallpaperMonitor = FMonitor;
    const TMonitorScreen screen(FPlatform, FPlatform, FMonitor);
    try {
        CreateDesktopTexture(screen, screen, FWallpaperTexture);
    } catch (...) {
        FWallpaperTexture = {};
    }
}

TTextureInfo TOpenGLForm::DesktopTextureForShowing() {
    // The cached texture while the wallpaper is the same, else one built for this showing.
    if (FWallpaperTexture.Texture != 0 && glIsTexture(FWallpaperTexture.Texture)) {
        int style = 0;
        std::string fileName;
        GetWallpaperInfo(FPlatform, style, fileName);
        if (fileName == FWallpaperTexture.FileName) {
            // The same desktop seen from another monitor: the cache follows the view.
            if (!(FWallpaperMonitor == FMonitor))
                BuildWallpaperCache();
            if (FWallpaperTexture.Texture != 0)
                return FWallpaperTexture;
        }
    }
    ReleaseTransientDesktop();
    const TMonitorScreen screen(FPlatform, FPlatform, FMonitor);
    try {
        CreateDesktopTexture(screen, screen, FTransientDesktop);
    } catch (...) {
        FTransientDesktop = {};
    }
    return FTransientDesktop;
}

void TOpenGLForm::ReleaseTransientDesktop() {
    if (FTransientDesktop.Texture != 0 && MakeCurrent() && glIsTexture(FTransientDesktop.Texture))
        glDeleteTextures(1, &FTransientDesktop.Texture);
    FTransientDesktop = {};
}

} // namespace zorvane
