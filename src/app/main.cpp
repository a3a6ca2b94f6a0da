// main: the program's entry point — command-line tools and remote commands first, then the
// single-instance rule, then the main form, the view and the event loop.
#include "app/CommandLineTools.h"
#include "app/PrevInstance.h"
#include "app/SettingsLocation.h"
#include "app/SignalExit.h"
#include "app/frmMain.h"
#include "app/unitSettings.h"
#include "core/Clock.h"
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
    "  --options          tell the running Zorvane to open its options dialog\n"
    "  --about            tell the running Zorvane to open its about box\n"
    "  --quit             tell the running Zorvane to exit\n"
    "  --list-windows     print the windows the switcher would offer now (JSON, one a line)\n"
    "  --capture DIR      capture every offered window into DIR as BMP files\n"
    "  --diagnostics      print the display, its extensions and the paths in use\n"
    "  --help             show this help\n"
    "  --version          show the version\n"
    "\n"
    "Environment: ZORVANE_TRACE=1 writes time-stamped milestones to standard error.\n";

struct Options {
    std::string settingsFile;
    std::optional<zorvane::RemoteCommand> remote;
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
        if (arg == "--show" || arg == "--options" || arg == "--about" || arg == "--quit") {
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

int RunRemote(zorvane::RemoteCommand command, int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString error;
    if (!zorvane::SendRemoteCommand(zorvane::InstanceChannelPath("Zorvane", DisplayName()), command, 5000,
                                    error)) {
        std::cerr << "zorvane: " << error.toStdString() << "\n";
        return 1;
    }
    return 0;
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
        return RunRemote(*options.remote, argc, argv);

    std::string error;
    std::unique_ptr<Platform> platform = createX11Platform(nullptr, error);
    if (!platform) {
        std::cerr << "zorvane: " << error << "\n";
        return 1;
    }
    InitPrevInstance("Zorvane");
    if (PrevInstanceExists(*platform)) {
        // Another Zorvane runs for this user and display: end silently.
        ClosePrevInstance();
        return 0;
    }
    // With the lock held no other instance uses this user's folder for this display: pictures in it
    // were left by one that ended without its Exit (killed, or its X server lost). They go before
    // anything new is written there.
    if (const int left = EmptyCaptureFolder(CaptureFolderPath()); left > 0)
        Trace("capture-folder-emptied " + std::to_string(left));

    SetDefaultGLFormat();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Zorvane");
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's connection replaced the X error handlers; ours keep vanished windows harmless and end
    // the program with one line when the X server goes away, whichever connection notices first.
    ClaimX11ErrorHandlers();
    InstallConnectionLostFilter();

    const std::string settingsPath =
        options.settingsFile.empty() ? DefaultSettingsPath(ExecutableDirectory()) : options.settingsFile;
    TFormStorage settings(settingsPath);
    int result = 0;
    {
        TMainForm mainForm(*platform, settings);
        TOpenGLForm openGLForm(*platform, mainForm, SystemClock::instance());
        mainForm.SetOpenGLForm(&openGLForm);
        InstanceChannel channel(InstanceChannelPath("Zorvane", DisplayName()),
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
