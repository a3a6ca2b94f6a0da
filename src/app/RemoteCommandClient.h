// RemoteCommandClient: a later start's side of the command channel, in plain POSIX: a key binding
// runs `zorvane --wintab` at every Super+Tab, so the message goes out before any toolkit starts.
#pragma once

#include <string>

namespace zorvane {

// Connects to the running instance's socket at `path`, sends `command` and waits (at most
// timeoutMs) for its "ok". False with the reason in `error` when no instance answers or it refuses.
bool SendCommandLine(const std::string& path, const std::string& command, int timeoutMs, std::string& error);

} // namespace zorvane
