// AutoStartEntry: starting the program with the desktop session, as the options dialog offers it.
// The X11 desktop's mechanism is an XDG autostart entry ("zorvane.desktop" whose Exec= names the
// executable's full path) with the name, comment and icon of the program's own desktop entry
// (data/org.zorvane.Zorvane.desktop). Plain C++ (no Qt).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zorvane {

class TAutoStartEntry {
public:
    virtual ~TAutoStartEntry() = default;
    // The executable the entry starts; empty when there is no (enabled) entry; no answer when the
    // entry exists but cannot be read.
    virtual std::optional<std::string> ReadCommand() = 0;
    // True when the entry now starts executablePath.
    virtual bool Write(const std::string& executablePath) = 0;
    // True when no entry is left, whoever wrote it.
    virtual bool Remove() = 0;
};

class XdgAutoStartEntry final : public TAutoStartEntry {
public:
    // $XDG_CONFIG_HOME/autostart/zorvane.desktop ($HOME/.config when the variable is unset or not an
    // absolute path).
    static std::filesystem::path DefaultFile();

    explicit XdgAutoStartEntry(std::filesystem::path file = DefaultFile());

    std::optional<std::string> ReadCommand() override;
    bool Write(const std::string& executablePath) override;
    bool Remove() override;

    const std::filesystem::path& File() const { return FFile; }

private:
    std::filesystem::path FFile;
};

// The Exec= value that runs one program with no arguments (quoted and escaped as desktop entries
// require), and the program back from such a value (its first argument).
std::string DesktopExecValue(const std::string& executablePath);
std::optional<std::string> ProgramFromDesktopExec(const std::string& value);

} // namespace zorvane
