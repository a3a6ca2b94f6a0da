// DesktopEntries: finds an application's desktop entry and reads its Icon= key.
#include "platform/wayland/DesktopEntries.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace zorvane::wayland {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The keys of the [Desktop Entry] group that matter here.
struct Entry {
    std::string icon;
    std::string wmClass;
};

std::optional<Entry> readEntry(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in)
        return std::nullopt;
    Entry entry;
    bool inGroup = false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.front() == '[') {
            inGroup = line.rfind("[Desktop Entry]", 0) == 0;
            continue;
        }
        if (!inGroup)
            continue;
        if (line.rfind("Icon=", 0) == 0)
            entry.icon = line.substr(5);
        else if (line.rfind("StartupWMClass=", 0) == 0)
            entry.wmClass = line.substr(15);
    }
    return entry;
}

} // namespace

std::vector<std::string> ApplicationFolders() {
    std::vector<std::string> folders;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome && *dataHome)
        folders.push_back(std::string(dataHome) + "/applications");
    else if (home && *home)
        folders.push_back(std::string(home) + "/.local/share/applications");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::stringstream dirs(dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty())
            folders.push_back(dir + "/applications");
    }
    return folders;
}

std::string IconNameForAppId(const std::string& appId, const std::vector<std::string>& folders) {
    if (appId.empty())
        return {};
    const std::string wanted = lower(appId);
    // "org.gnome.Terminal" may be installed as "org.gnome.Terminal.desktop" or by its last part.
    const std::string lastPart =
        wanted.substr(wanted.rfind('.') == std::string::npos ? 0 : wanted.rfind('.') + 1);
    std::string byLastPart;
    for (const std::string& folder : folders) {
        std::error_code ec;
        for (const auto& file : std::filesystem::directory_iterator(folder, ec)) {
            if (file.path().extension() != ".desktop")
                continue;
            const std::string stem = lower(file.path().stem().string());
            const bool named = stem == wanted;
            const std::optional<Entry> entry = readEntry(file.path());
            if (!entry || entry->icon.empty())
                continue;
            if (named || lower(entry->wmClass) == wanted)
                return entry->icon;
            if (stem == lastPart && byLastPart.empty())
                byLastPart = entry->icon;
        }
    }
    return byLastPart.empty() ? wanted : byLastPart;
}

std::string IconNameForAppId(const std::string& appId) {
    return IconNameForAppId(appId, ApplicationFolders());
}

} // namespace zorvane::wayland
