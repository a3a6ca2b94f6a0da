// X11Diagnostics: what --diagnostics reports about the display: extensions, window manager,
// OpenGL renderer, system tray and the paths in use.
#include "platform/posix/PosixSession.h"
#include "platform/posix/StatusNotifierHosts.h"
#include "platform/x11/X11PlatformImpl.h"
#include "platform/x11/XErrorTrap.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include <sstream>

namespace zorvane::x11 {

namespace {

// The renderer and version of a GLX context on this display, as the switcher's view gets it.
std::string glRenderer(Display* display, int screen) {
    int errorBase = 0;
    int eventBase = 0;
    if (!glXQueryExtension(display, &errorBase, &eventBase))
        return "none (no GLX)";
    const int configAttributes[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, screen, configAttributes, &count);
    if (configs == nullptr || count == 0) {
        if (configs != nullptr)
            XFree(configs);
        return "none (no GLX configuration)";
    }
    const GLXFBConfig config = configs[0];
    XFree(configs);
    XErrorTrap trap(display);
    const GLXContext context = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
    const int pbufferAttributes[] = {GLX_PBUFFER_WIDTH, 1, GLX_PBUFFER_HEIGHT, 1, None};
    const GLXPbuffer pbuffer = context != nullptr ? glXCreatePbuffer(display, config, pbufferAttributes) : 0;
    std::string result = "none (no context)";
    if (pbuffer != 0 && glXMakeContextCurrent(display, pbuffer, pbuffer, context)) {
        const auto text = [](GLenum name) {
            const auto* value = reinterpret_cast<const char*>(glGetString(name));
            return std::string(value != nullptr ? value : "?");
        };
        result = text(GL_RENDERER) + ", OpenGL " + text(GL_VERSION) +
                 (glXIsDirect(display, context) ? ", direct" : ", indirect");
        glXMakeContextCurrent(display, None, None, nullptr);
    }
    if (pbuffer != 0)
        glXDestroyPbuffer(display, pbuffer);
    if (context != nullptr)
        glXDestroyContext(display, context);
    return trap.failed() && result.rfind("none", 0) == 0 ? "none (GLX error)" : result;
}

} // namespace

std::string X11Platform::diagnostics() {
    std::ostringstream out;
    out << "display: " << DisplayString(display_) << "\n";
    out << "server: " << ServerVendor(display_) << " " << VendorRelease(display_) << "\n";
    out << "screen: " << screenWidth() << "x" << screenHeight() << "\n";
    const auto yesNo = [](bool value) { return value ? "yes" : "no"; };
    out << "composite: " << yesNo(hasComposite_) << "\n";
    out << "mit-shm: " << yesNo(hasShm_) << "\n";
    out << "shape: " << yesNo(hasShape_) << "\n";
    out << "randr: " << yesNo(hasRandr_) << "\n";
    const std::string wmName = windowManagerName();
    out << "window manager: " << (wmName.empty() ? "none" : wmName) << "\n";
    out << "gl renderer: " << glRenderer(display_, screen_) << "\n";
    // Qt's tray icon docks through XEmbed here, or through a StatusNotifierItem host on D-Bus.
    const std::string trayName = "_NET_SYSTEM_TRAY_S" + std::to_string(screen_);
    const Atom tray = XInternAtom(display_, trayName.c_str(), False);
    out << "system tray (XEmbed): " << yesNo(XGetSelectionOwner(display_, tray) != None) << "\n";
    out << "system tray (StatusNotifierItem): " << StatusNotifierHostState() << "\n";
    const WallpaperInfo wallpaper = wallpaperInfo();
    out << "desktop picture: " << (wallpaper.picture ? wallpaper.fileName : "none") << "\n";
    out << "language: " << systemLanguage() << "\n";
    out << "temporary directory: " << tempDirectory() << "\n";
    out << "autostart entry: " << AutostartEntryPath() << (autostartEnabled() ? " (on)" : " (off)") << "\n";
    return out.str();
}

} // namespace zorvane::x11
