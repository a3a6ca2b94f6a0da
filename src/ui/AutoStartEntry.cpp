// AutoStartEntry: the XDG autostart entry.
#include "ui/AutoStartEntry.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace zorvane {
namespace {

constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

// Desktop-entry string values escape backslash and a few controls.
std::string EscapeString(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string UnescapeString(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        switch (s[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += s[i];
        }
    }
    return out;
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

std::string DesktopExecValue(const std::string& executablePath) {
    std::string arg;
    for (char c : executablePath)
        arg += c == '%' ? std::string("%%") : std::string(1, c);
    if (arg.find_first_of(kReserved) != std::string::npos) {
        std::string quoted = "\"";
        for (char c : arg) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        arg = quoted + "\"";
    }
    return EscapeString(arg);
}

std::optional<std::string> ProgramFromDesktopExec(const std::string& value) {
    const std::string exec = UnescapeString(Trim(value));
    std::string program;
    std::size_t i = 0;
    if (!exec.empty() && exec[0] == '"') {
        for (i = 1; i < exec.size() && exec[i] != '"'; ++i) {
            if (exec[i] == '\\' && i + 1 < exec.size())
                ++i;
            program += exec[i];
        }
        if (i >= exec.size())
            return std::nullopt; // unterminated quote
    } else {
        for (; i < exec.size() && exec[i] != ' ' && exec[i] != '\t'; ++i)
            program += exec[i];
    }
    std::string unpercented;
    for (std::size_t k = 0; k < program.size(); ++k) {
        unpercented += program[k];
        if (program[k] == '%' && k + 1 < program.size() && program[k + 1] == '%')
            ++k;
    }
    return unpercented;
}

std::filesystem::path XdgAutoStartEntry::DefaultFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path base;
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home != nullptr ? home : "/") / ".config";
    }
    return base / "autostart" / "zorvane.desktop";
}

XdgAutoStartEntry::XdgAutoStartEntry(std::filesystem::path file) : FFile(std::move(file)) {}

std::optional<std::string> XdgAutoStartEntry::ReadCommand() {
    std::error_code ec;
    if (!std::filesystem::exists(FFile, ec))
        return ec ? std::nullopt : std::optional<std::string>(std::string());
    std::ifstream in(FFile);
    if (!in)
        return std::nullopt;
    std::string line;
    std::string group;
    std::optional<std::string> command;
    bool hidden = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            group = line;
            continue;
        }
        if (group != "[Desktop Entry]")
            continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = Trim(line.substr(0, equals));
        const std::string value = Trim(line.substr(equals + 1));
        if (key == "Exec" && !command)
            command = ProgramFromDesktopExec(value);
        else if (key == "Hidden")
            hidden = value == "true";
    }
    if (in.bad())
        return std::nullopt;
    // A hidden entry is one the user switched off: the session does not start it.
    if (hidden)
        return std::string();
    return command.value_or(std::string());
}

bool XdgAutoStartEntry::Write(const std::string& executablePath) {
    std::error_code ec;
    std::filesystem::create_directories(FFile.parent_path(), ec);
    if (ec)
        return false;
    // Written beside the entry and renamed over it, so a session never sees half an entry.
    const auto temporary =
        FFile.parent_path() / (FFile.filename().string() + ".tmp" + std::to_string(getpid()));
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "[Desktop Entry]\n"
            << "Type=Application\n"
            << "Name=Zorvane\n"
            << "Comment=3D window switcher (Super+Tab)\n"
            << "Icon=zorvane\n"
            << "Exec=" << DesktopExecValue(executablePath) << "\n"
            << "Terminal=false\n"
            << "X-GNOME-Autostart-enabled=true\n";
        out.flush();
        if (!out) {
            std::filesystem::remove(temporary, ec);
            return false;
        }
    }
    std::filesystem::rename(temporary, FFile, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

bool XdgAutoStartEntry::Remove() {
    std::error_code ec;
    std::filesystem::remove(FFile, ec);
    return !ec && !std::filesystem::exists(FFile, ec);
}

} // namespace zorvane
