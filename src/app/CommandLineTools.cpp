// CommandLineTools: --list-windows, --capture DIR and --diagnostics over the X11 platform.
#include "app/CommandLineTools.h"

#include "app/HotKeyStatus.h"
#include "app/SettingsLocation.h"
#include "app/unitSettings.h"
#include "platform/x11/TextUtf8.h"
#include "platform/x11/X11Platform.h"
#ifdef ZORVANE_WAYLAND
#include "platform/wayland/WaylandPlatform.h"
#endif
#include "windows/unitHandleInfos.h"

#include <filesystem>
#include <sstream>

namespace zorvane {

namespace {

ChosenPlatform openPlatform(const ToolTarget& target, std::ostream& err) {
    ChosenPlatform chosen = OpenPlatform(target.kind, target.display);
    if (!chosen.platform)
        err << "zorvane: " << chosen.error << "\n";
    return chosen;
}

std::string jsonRect(const Rect& rect) {
    std::ostringstream out;
    out << "{\"left\":" << rect.left << ",\"top\":" << rect.top << ",\"right\":" << rect.right
        << ",\"bottom\":" << rect.bottom << "}";
    return out.str();
}

TSettingsLocation settingsLocation(const std::string& settingsFile) {
    return settingsFile.empty() ? DefaultSettingsLocation(ExecutableDirectory())
                                : TSettingsLocation{settingsFile, "named by --settings"};
}

// The windows the switcher offers, as the settings' DesktopFilter chooses them.
void enumerateOffered(Platform& platform, const std::string& settingsFile, THandleInfos& list) {
    TFormStorage settings(settingsLocation(settingsFile).Path);
    settings.SetValue(TFormStorage::kDesktopFilter, 0); // known before reading, so that it is read
    settings.Restore();
    EnumerateWindows(platform, list, {}, settings.GetInteger(TFormStorage::kDesktopFilter, 0) == 1);
}

} // namespace

int ListWindowsCommand(const ToolTarget& target, const std::string& settingsFile, std::ostream& out,
                       std::ostream& err) {
    ChosenPlatform chosen = openPlatform(target, err);
    if (!chosen.platform)
        return 1;
    Platform* platform = chosen.platform.get();
    THandleInfos list;
    enumerateOffered(*platform, settingsFile, list);
    for (int i = 0; i < list.Count(); ++i) {
        const THandleInfo& info = list.Items(i);
        Rect rect;
        platform->windowRect(info.Handle, rect);
        out << "{\"handle\":" << info.Handle << ",\"class\":" << JsonQuote(info.ClassName)
            << ",\"caption\":" << JsonQuote(info.Caption) << ",\"showCmd\":" << info.ShowCmd
            << ",\"rect\":" << jsonRect(rect)
            << ",\"region\":" << (info.RegionRect == Rect{} ? std::string("null") : jsonRect(info.RegionRect))
            << "}\n";
    }
    out.flush();
    return 0;
}

int CaptureCommand(const ToolTarget& target, const std::string& folder, const std::string& settingsFile,
                   std::ostream& out, std::ostream& err) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        err << "zorvane: cannot create " << folder << ": " << ec.message() << "\n";
        return 1;
    }
    ChosenPlatform chosen = openPlatform(target, err);
    if (!chosen.platform)
        return 1;
    Platform* platform = chosen.platform.get();
    THandleInfos list;
    enumerateOffered(*platform, settingsFile, list);
    int failures = 0;
    for (int i = 0; i < list.Count(); ++i) {
        const THandleInfo& info = list.Items(i);
        std::unique_ptr<CaptureImage> image;
        // Gone, or nothing to picture now (minimised, on another workspace): no file rather than
        // a black one.
        if (!CaptureEnumerated(*platform, info, image) || !image)
            continue;
        const std::string path =
            (std::filesystem::path(folder) / (std::to_string(info.Handle) + ".bmp")).string();
        if (image->saveBMP(path)) {
            out << path << "\n";
        } else {
            err << "zorvane: cannot write " << path << "\n";
            ++failures;
        }
    }
    out.flush();
    return failures == 0 ? 0 : 1;
}

namespace {

// The folder beside the executable, else the installed one; "(not found)" when neither exists.
std::string dataFolder(const std::string& executableDir, const std::string& name) {
    for (const std::string& candidate :
         {executableDir + "/" + name, executableDir + "/../share/zorvane/" + name}) {
        std::error_code ec;
        if (std::filesystem::is_directory(candidate, ec))
            return std::filesystem::weakly_canonical(candidate, ec).string();
    }
    return "(not found)";
}

} // namespace

int DiagnosticsCommand(const ToolTarget& target, const std::string& settingsFile, std::ostream& out,
                       std::ostream& err, const DevicePixelRatioProbe& ratio) {
    ChosenPlatform chosen = openPlatform(target, err);
    if (!chosen.platform)
        return 1;
    Platform* platform = chosen.platform.get();
    const char* display = target.display;
    out << "backend: " << (chosen.wayland ? "wayland" : "x11") << " (" << chosen.reason << ")\n";
    const std::string executableDir = ExecutableDirectory();
    out << platform->diagnostics();
    // Counted from 1, as pagers and task bars name them.
    if (const int desktops = platform->desktopCount(); desktops > 0) {
        const long current = platform->currentDesktop();
        out << "workspaces: " << desktops
            << ", current: " << (current >= 0 ? std::to_string(current + 1) : std::string("unknown")) << "\n";
    } else {
        out << "workspaces: unknown (the window manager does not say)\n";
    }
    // Monitors in device pixels, as the view places itself on them.
    for (const Monitor& monitor : platform->monitors())
        out << "monitor: " << monitor.name << " " << monitor.rect.width() << "x" << monitor.rect.height()
            << "+" << monitor.rect.left << "+" << monitor.rect.top << (monitor.primary ? " primary" : "")
            << "\n";
    if (ratio && !chosen.wayland)
        out << "device pixel ratio: " << ratio(display) << "\n";
    const TSettingsLocation location = settingsLocation(settingsFile);
    const std::string& settingsPath = location.Path;
    // Who holds the hot keys: a key this process can grab is free; one it cannot is the running
    // Zorvane's when that says so, else another program's.
    TFormStorage settings(settingsPath);
    settings.Restore();
    THotKeyReport report;
    report.WindowManager = platform->windowManagerName();
    PublishedKeys running;
    const bool instance = platform->runningInstanceKeys(running);
    report.WinTab = platform->probeWinTab();
    report.RunningInstance = instance && running.winTabOurs && report.WinTab == KeyHolder::khOtherProgram;
    out << "Super+Tab: " << WinTabHolderText(report) << "\n";
    const int stored = settings.GetInteger(TFormStorage::kShortCut, TFormStorage::kInitialShortCut);
    report.ShortCut = static_cast<std::uint16_t>(stored >= 0 && stored <= 0xFFFF ? stored : 0);
    report.HotKey = platform->probeHotKey(report.ShortCut);
    report.RunningInstance =
        instance && running.hotKey == report.ShortCut && report.HotKey == KeyHolder::khOtherProgram;
    const std::string key = ShortCutText(report.ShortCut);
    out << "custom hot key" << (key.empty() ? "" : " " + key) << ": " << HotKeyHolderText(report) << "\n";
#ifdef ZORVANE_WAYLAND
    if (chosen.wayland) {
        // Where Zorvane cannot bind its keys itself, these lines in the compositor's configuration do.
        out << "key bindings for the compositor's configuration:\n";
        std::istringstream lines(WaylandBindingLines(ExecutableDirectory() + "/zorvane", report.ShortCut));
        for (std::string line; std::getline(lines, line);)
            out << "  " << line << "\n";
    }
#endif
    out << "settings file: " << settingsPath << "\n";
    out << "settings file chosen: " << location.Reason << "\n";
    out << "pictures folder: " << dataFolder(executableDir, "Images") << "\n";
    out << "language folder: " << dataFolder(executableDir, "Language") << "\n";
    out.flush();
    return 0;
}

std::optional<int> RunCommandLineTool(int argc, char** argv, std::ostream& out, std::ostream& err,
                                      const DevicePixelRatioProbe& ratio) {
    ToolTarget target;
    std::string platformError;
    const std::optional<PlatformKind> kind = PlatformKindFromArguments(argc, argv, platformError);
    enum class Tool { None, List, Capture, Diagnostics } tool = Tool::None;
    std::string folder;
    std::string settingsFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--display" && i + 1 < argc) {
            target.display = argv[++i];
        } else if (arg == "--settings" && i + 1 < argc) {
            settingsFile = argv[++i];
        } else if (arg == "--list-windows") {
            tool = Tool::List;
        } else if (arg == "--diagnostics") {
            tool = Tool::Diagnostics;
        } else if (arg == "--capture") {
            if (i + 1 >= argc) {
                err << "zorvane: --capture needs a folder\n";
                return 2;
            }
            tool = Tool::Capture;
            folder = argv[++i];
        }
    }
    if (tool != Tool::None && !kind) {
        err << "zorvane: " << platformError << "\n";
        return 2;
    }
    if (kind)
        target.kind = *kind;
    switch (tool) {
    case Tool::List:
        return ListWindowsCommand(target, settingsFile, out, err);
    case Tool::Capture:
        return CaptureCommand(target, folder, settingsFile, out, err);
    case Tool::Diagnostics:
        return DiagnosticsCommand(target, settingsFile, out, err, ratio);
    case Tool::None:
        break;
    }
    return std::nullopt;
}

} // namespace zorvane
