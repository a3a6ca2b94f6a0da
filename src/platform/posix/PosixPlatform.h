// PosixPlatform: the session services every backend gives the same way (the instance lock named
// for the display, autostart, the temporary folder, the language, web pages), as a base class.
#pragma once

#include "platform/Platform.h"
#include "platform/posix/PosixSession.h"

#include <memory>
#include <string>

namespace zorvane {

class PosixPlatform : public Platform {
public:
    std::unique_ptr<InstanceLock> acquireInstanceLock(const std::string& name) override {
        return AcquireFlockLock(UserTempDirectory(), name, sessionDisplayName());
    }
    bool autostartEnabled() override { return AutostartEntryEnabled(AutostartEntryPath()); }
    bool setAutostart(bool enabled, const std::string& executablePath, std::string& error) override {
        return enabled ? WriteAutostartEntry(AutostartEntryPath(), executablePath, error)
                       : RemoveAutostartEntry(AutostartEntryPath(), error);
    }
    std::string tempDirectory() override { return UserTempDirectory(); }
    std::string systemLanguage() override { return LanguageFromEnvironment(); }
    bool openUrl(const std::string& url) override { return OpenWebPage(url); }
};

} // namespace zorvane
