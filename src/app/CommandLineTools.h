// CommandLineTools: the checking tools of the zorvane binary that need only the window system:
// --list-windows, --capture DIR and --diagnostics. Each returns the process exit code.
#pragma once

#include "app/PlatformChoice.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace zorvane {

// The window system the tools look at: the X display (null: $DISPLAY) and the backend asked for.
struct ToolTarget {
    const char* display = nullptr;
    PlatformKind kind = PlatformKind::pkAuto;
};

// One JSON object a line for each window the switcher would offer now (as the settings file's
// DesktopFilter chooses; settingsFile: the one --settings names, else the default), top of the
// stacking order first: handle, class, caption, showCmd, rect, region (null without one).
int ListWindowsCommand(const ToolTarget& target, const std::string& settingsFile, std::ostream& out,
                       std::ostream& err);
// One capture cycle: each offered window's picture written to DIR/<handle>.bmp (the folder is
// created when missing); prints each file written. A window with nothing to picture now
// (minimised, on another workspace) gets no file.
int CaptureCommand(const ToolTarget& target, const std::string& folder, const std::string& settingsFile,
                   std::ostream& out, std::ostream& err);
// The device pixel ratio the view's toolkit uses on a display (0 when it cannot tell).
using DevicePixelRatioProbe = std::function<double(const char* display)>;

// The display, its extensions, the window manager, the OpenGL renderer, the system tray, the
// number of workspaces and the current one, the monitors, the device pixel ratio (when a probe is
// given) and the paths in use (settingsFile: the one --settings names, else the default).
int DiagnosticsCommand(const ToolTarget& target, const std::string& settingsFile, std::ostream& out,
                       std::ostream& err, const DevicePixelRatioProbe& ratio = {});

// Runs whichever of the three options argv names (with "--display NAME", "--settings FILE" and
// "--platform x11|wayland" honoured); nullopt when argv names none of them.
std::optional<int> RunCommandLineTool(int argc, char** argv, std::ostream& out, std::ostream& err,
                                      const DevicePixelRatioProbe& ratio = {});

} // namespace zorvane
