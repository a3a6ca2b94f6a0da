// main: the program's entry point — command-line tools and remote commands first, then the
// single-instance rule, then the main form, the view and the event loop.
#include "app/CommandLineTools.h"
#include "app/PlatformChoice.h"
#include "app/PrevInstance.h"
#include "app/RemoteCommandClient.h"
#include "app/SettingsLocation.h"
#include "app/SignalExit.h"
#include "app/frmMain.h"
#include "app/unitSettings.h"
#include "core/Clock.h"
#include "platform/DisplayName.h"
#include "platform/x11/X11Platform.h"
#include "view/frmOpenGL.h"
#include "windows/CaptureFolder.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSurfaceFormat>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <malloc.h>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "Usage: zorvane [OPTION]\n"
    "A full-screen 3D window switcher: Super+Tab shows every window in a 3D view.\n"
    "\n"
    "With no option Zorvane starts and stays in the notification area. Only one Zorvane runs\n"
    "per user and display; starting it again does nothing.\n"
    "\n"
    "Options:\n"
    "  --settings FILE    use FILE as the settings file (default: ~/.config/zorvane/Zorvane.xml,\n"
    "                     or Zorvane.xml beside the program when it is there or in a build tree)\n"
    "  --show             tell the running Zorvane to open the switcher (as the tray icon)\n"
    "  --wintab           tell the running Zorvane that Super+Tab was pressed (for a Wayland\n"
    "                     compositor's key binding: held like Super+Tab, each one steps)\n"
    "  --wintab-back      the same for Super+Shift+Tab\n"
    "  --options          tell the running Zorvane to open its options dialog\n"
    "  --about            tell the running Zorvane to open its about box\n"
    "  --quit             tell the running Zorvane to exit\n"
    "  --list-windows     print the windows the switcher would offer now (JSON, one a line)\n"
    "  --capture DIR      capture every offered window into DIR as BMP files\n"
    "  --diagnostics      print the display, its extensions and the paths in use\n"
    "  --platform NAME    use the x11 or the wayland backend (default: wayland in a Wayland\n"
    "                     session whose compositor lists windows, else x11)\n"
    "  --help             show this help\n"
    "  --version          show the version\n"
    "\n"
    "Environment: ZORVANE_TRACE=1 writes time-stamped milestones to standard error.\n";

struct Options {
    std::string settingsFile;
    std::optional<zorvane::RemoteCommand> remote;
    zorvane::PlatformKind platform = zorvane::PlatformKind::pkAuto;
};

// Parses the options the program itself handles. Returns an exit code when the program should end.
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "Zorvane " << ZORVANE_VERSION << "\n";
            return 0;
        }
        if (arg == "--settings") {
            if (i + 1 >= argc) {
                std::cerr << "zorvane: --settings needs a file name\n";
                return 2;
            }
            options.settingsFile = argv[++i];
            continue;
        }
        if (arg == "--platform" || arg.rfind("--platform=", 0) == 0) {
            std::string error;
            const std::optional<zorvane::PlatformKind> kind =
                zorvane::PlatformKindFromArguments(argc, argv, error);
            if (!kind) {
                std::cerr << "zorvane: " << error << "\n";
                return 2;
            }
            options.platform = *kind;
            if (arg == "--platform")
                ++i;
            continue;
        }
        if (arg == "--show" || arg == "--options" || arg == "--about" || arg == "--quit" ||
            arg == "--wintab" || arg == "--wintab-back") {
            zorvane::RemoteCommand command{};
            zorvane::ParseRemoteCommand(QString::fromStdString(arg.substr(2)), command);
            options.remote = command;
            continue;
        }
        std::cerr << "zorvane: unknown option '" << arg << "'\nTry 'zorvane --help'.\n";
        return 2;
    }
    return std::nullopt;
}

std::string DisplayName() {
    const char* display = std::getenv("DISPLAY");
    return display ? display : "";
}

void SetDefaultGLFormat() {
    // Legacy immediate-mode OpenGL; no vertical sync, so a swap never waits for the screen.
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setSwapInterval(0);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setDepthBufferSize(24);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    QSurfaceFormat::setDefaultFormat(format);
}

// The device pixel ratio Qt gives the view on the primary screen of that display (--diagnostics).
double QtDevicePixelRatio(const char* display) {
    if (display != nullptr)
        ::setenv("DISPLAY", display, 1);
    // Qt's own remarks (a missing runtime folder, say) are not part of the report.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    int argc = 1;
    char name[] = "zorvane";
    char* argv[] = {name, nullptr};
    double ratio = 0.0;
    {
        QGuiApplication app(argc, argv);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            ratio = screen->devicePixelRatio();
    }
    qInstallMessageHandler(previous);
    return ratio;
}

// The running instance's command socket: the Wayland display's in a Wayland session (unless
// --platform x11), else the X display's. A Wayland session's instance may still run on X11
// (--platform x11), so the X display's socket is tried second.
int RunRemote(zorvane::RemoteCommand command, zorvane::PlatformKind platform) {
    // No toolkit is started: a key binding runs this at every Super+Tab.
    std::vector<QString> channels;
    const std::string wayland = zorvane::WaylandDisplayKey();
    if (!wayland.empty() && platform != zorvane::PlatformKind::pkX11)
        channels.push_back(zorvane::InstanceChannelPath("Zorvane", wayland));
    if (!DisplayName().empty() && platform != zorvane::PlatformKind::pkWayland)
        channels.push_back(zorvane::InstanceChannelPath("Zorvane", DisplayName()));
    std::string error = "Zorvane is not running on this display";
    for (const QString& channel : channels) {
        if (zorvane::SendCommandLine(channel.toStdString(), zorvane::RemoteCommandName(command).toStdString(),
                                     5000, error))
            return 0;
    }
    std::cerr << "zorvane: " << error << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    using namespace zorvane;
    // Window pictures and their textures are megabytes each and live for one showing. With the
    // allocator's sliding threshold they end up in the heap, where freed blocks stay with the
    // process; a fixed threshold keeps them in their own mappings, returned when freed.
    mallopt(M_MMAP_THRESHOLD, 2 * 1024 * 1024);
    if (std::optional<int> code = RunCommandLineTool(argc, argv, std::cout, std::cerr, QtDevicePixelRatio))
        return *code;
    Options options;
    if (std::optional<int> code = ParseOptions(argc, argv, options))
        return *code;
    if (options.remote)
        return RunRemote(*options.remote, options.platform);

    ChosenPlatform chosen = OpenPlatform(options.platform, nullptr);
    if (!chosen.platform) {
        std::cerr << "zorvane: " << chosen.error << "\n";
        return 1;
    }
    std::unique_ptr<Platform> platform = std::move(chosen.platform);
    const bool wayland = chosen.wayland;
    // Qt shows the view through the same window system as the backend reads (Qt would pick
    // Xwayland or Wayland by itself); the user's own choice stands.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", wayland ? "wayland" : "xcb", 1);
    const std::string sessionDisplay = wayland ? WaylandDisplayKey() : DisplayName();
    InitPrevInstance("Zorvane");
    if (PrevInstanceExists(*platform)) {
        // Another Zorvane runs for this user and display: end silently.
        ClosePrevInstance();
        return 0;
    }
    // With the lock held no other instance uses this user's folder for this display: pictures in it
    // were left by one that ended without its Exit (killed, or its X server lost). They go before
    // anything new is written there.
    if (const int left = EmptyCaptureFolder(CaptureFolderPath(platform->sessionDisplayName())); left > 0)
        Trace("capture-folder-emptied " + std::to_string(left));

    SetDefaultGLFormat();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zorvane");
    QApplication::setQuitOnLastWindowClosed(false);
    // The app_id of our windows on Wayland: how the backend knows the view is ours.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.zorvane.Zorvane"));
    if (!wayland) {
        // Qt's connection replaced the X error handlers; ours keep vanished windows harmless and end
        // the program with one line when the X server goes away, whichever connection notices first.
        ClaimX11ErrorHandlers();
        InstallConnectionLostFilter();
    }

    const std::string settingsPath =
        options.settingsFile.empty() ? DefaultSettingsPath(ExecutableDirectory()) : options.settingsFile;
    TFormStorage settings(settingsPath);
    int result = 0;
    {
        TMainForm mainForm(*platform, settings);
        TOpenGLForm openGLForm(*platform, mainForm, SystemClock::instance());
        mainForm.SetOpenGLForm(&openGLForm);
        InstanceChannel channel(InstanceChannelPath("Zorvane", sessionDisplay),
                                [&mainForm](RemoteCommand command) { mainForm.RunRemoteCommand(command); });
        // A session ending (SIGTERM), Ctrl+C (SIGINT) or a closed terminal (SIGHUP) is an Exit.
        SignalExit signalExit([&mainForm](int) { mainForm.acExitExecute(); });
        mainForm.show();
        result = app.exec();
        mainForm.SetOpenGLForm(nullptr);
    }
    ClosePrevInstance();
    return result;
}
