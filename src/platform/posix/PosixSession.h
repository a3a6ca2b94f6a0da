// PosixSession: the session services that need no display connection: the single-instance lock,
// the XDG autostart entry, the temporary directory, the user's language and opening web pages.
#pragma once

#include "platform/Platform.h"

#include <memory>
#include <string>

namespace zorvane {

// $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp (no trailing slash).
std::string UserTempDirectory();

// An exclusive flock on "<dir>/<name>-<uid>-<display>.lock". Null when another process holds it;
// a lock file that cannot be created at all lets the caller run (returns an empty holder).
std::unique_ptr<InstanceLock> AcquireFlockLock(const std::string& dir, const std::string& name,
                                               const std::string& display);

// "$XDG_CONFIG_HOME/autostart/zorvane.desktop" (XDG_CONFIG_HOME defaults to ~/.config).
std::string AutostartEntryPath();
bool AutostartEntryEnabled(const std::string& entryPath);
// Writes (atomically) or removes the entry; on failure sets error and returns false.
bool WriteAutostartEntry(const std::string& entryPath, const std::string& executablePath, std::string& error);
bool RemoveAutostartEntry(const std::string& entryPath, std::string& error);
// The Exec= value that runs the program at this path with no arguments.
std::string DesktopEntryExecValue(const std::string& executablePath);

// "French" for fr*, "Korea" for ko*, "Slovak" for sk*, else "English", from the first non-empty
// of LC_ALL, LC_MESSAGES and LANG.
std::string LanguageFromLocale(const char* lcAll, const char* lcMessages, const char* lang);
std::string LanguageFromEnvironment();

// Starts xdg-open on an http or https address without a shell; false for any other address or
// when the opener could not be started.
bool OpenWebPage(const std::string& url);

} // namespace zorvane
