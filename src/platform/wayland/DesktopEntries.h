// DesktopEntries: a Wayland window names its application (app_id) but hands over no icon: the
// icon comes from the application's desktop entry, else the icon theme by the app_id itself.
#pragma once

#include <string>
#include <vector>

namespace zorvane::wayland {

// The folders holding desktop entries: $XDG_DATA_HOME/applications, then each of
// $XDG_DATA_DIRS/applications (with the XDG defaults).
std::vector<std::string> ApplicationFolders();

// The icon theme name (or absolute icon file) for an app_id: the Icon= of the desktop entry named
// after it (any letter case, also "org.foo.App" as "app") or whose StartupWMClass is it; else the
// app_id in lower case. Empty for an empty app_id.
std::string IconNameForAppId(const std::string& appId, const std::vector<std::string>& folders);
std::string IconNameForAppId(const std::string& appId);

} // namespace zorvane::wayland
