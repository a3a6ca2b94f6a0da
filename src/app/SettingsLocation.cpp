// SettingsLocation: beside the program in a build tree or portable folder, else the XDG config folder.
#include "app/SettingsLocation.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace zorvane {

namespace {

bool isInstalled(const fs::path& executableDirectory) {
    std::error_code ec;
    return executableDirectory.filename() == "bin" &&
           fs::is_directory(executableDirectory.parent_path() / "share" / "zorvane", ec);
}

} // namespace

TSettingsLocation LocateSettings(const std::string& executableDirectory, const char* xdgConfigHome,
                                 const char* home) {
    const fs::path folder(executableDirectory);
    const fs::path beside = folder / "Zorvane.xml";
    std::error_code ec;
    if (fs::exists(beside, ec))
        return {beside.string(), "Zorvane.xml is already beside the program"};
    if (fs::exists(folder.parent_path() / "CMakeCache.txt", ec))
        return {beside.string(), "the program runs from its build tree"};

    const std::string where = isInstalled(folder)
                                  ? "installed program"
                                  : "no Zorvane.xml beside the program, which is not a build tree";
    if (xdgConfigHome && *xdgConfigHome == '/')
        return {(fs::path(xdgConfigHome) / "zorvane" / "Zorvane.xml").string(),
                where + ": $XDG_CONFIG_HOME/zorvane"};
    const fs::path base = home && *home ? fs::path(home) : fs::path("/tmp");
    return {(base / ".config" / "zorvane" / "Zorvane.xml").string(),
            where + ": ~/.config/zorvane ($XDG_CONFIG_HOME is not set to an absolute path)"};
}

TSettingsLocation DefaultSettingsLocation(const std::string& executableDirectory) {
    return LocateSettings(executableDirectory, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string DefaultSettingsPath(const std::string& executableDirectory) {
    return DefaultSettingsLocation(executableDirectory).Path;
}

std::string ExecutableDirectory() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return fs::current_path(ec).string();
    return exe.parent_path().string();
}

} // namespace zorvane
