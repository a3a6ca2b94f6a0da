// PosixSession: single instance by flock, XDG autostart entry, temp folder, locale, web pages.
#include "platform/posix/PosixSession.h"

#include "platform/DisplayName.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zorvane {

namespace {

std::string envOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

class FlockLock final : public InstanceLock {
public:
    explicit FlockLock(int fd) : fd_(fd) {}
    ~FlockLock() override {
        if (fd_ >= 0)
            ::close(fd_); // closing the descriptor releases the flock
    }
    FlockLock(const FlockLock&) = delete;
    FlockLock& operator=(const FlockLock&) = delete;

private:
    int fd_;
};

// Keeps a display name usable in a file name, every spelling of one display the same.
std::string displayKey(const std::string& display) {
    std::string key = CanonicalDisplayName(display);
    for (char& c : key) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'))
            c = '_';
    }
    return key;
}

} // namespace

std::string UserTempDirectory() {
    // Relative values would move with the working directory, and a folder that does not exist
    // (a stale XDG_RUNTIME_DIR) would lose the instance lock: both are passed over, as the
    // capture folder's lookup does.
    std::string dir = "/tmp";
    for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(name);
        struct stat info {};
        if (value != nullptr && value[0] == '/' && ::stat(value, &info) == 0 && S_ISDIR(info.st_mode)) {
            dir = value;
            break;
        }
    }
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::unique_ptr<InstanceLock> AcquireFlockLock(const std::string& dir, const std::string& name,
                                               const std::string& display) {
    const std::string path =
        dir + "/" + name + "-" + std::to_string(::getuid()) + "-" + displayKey(display) + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return std::make_unique<FlockLock>(-1);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return nullptr;
        return std::make_unique<FlockLock>(-1);
    }
    return std::make_unique<FlockLock>(fd);
}

std::string AutostartEntryPath() {
    const std::string home = envOr("HOME", "/tmp");
    return envOr("XDG_CONFIG_HOME", home + "/.config") + "/autostart/zorvane.desktop";
}

bool AutostartEntryEnabled(const std::string& entryPath) {
    std::ifstream in(entryPath);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

std::string DesktopEntryExecValue(const std::string& executablePath) {
    // The Exec key is a string value (backslashes doubled) holding a quoted argument in which
    // '"', '`', '$' and '\' are escaped; '%' starts a field code and is doubled.
    std::string quoted = "\"";
    for (char c : executablePath) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '\n')
            value += "\\n";
        else
            value += c;
    }
    return value;
}

bool WriteAutostartEntry(const std::string& entryPath, const std::string& executablePath,
                         std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(fs::path(entryPath).parent_path(), ec);
    if (ec) {
        error = "Cannot create " + fs::path(entryPath).parent_path().string() + ": " + ec.message();
        return false;
    }
    const std::string temporary = entryPath + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "[Desktop Entry]\n"
            << "Type=Application\n"
            << "Name=Zorvane\n"
            << "Comment=3D window switcher\n"
            << "Exec=" << DesktopEntryExecValue(executablePath) << "\n"
            << "Terminal=false\n"
            << "X-GNOME-Autostart-enabled=true\n";
        out.flush();
        if (!out) {
            error = "Cannot write " + temporary;
            fs::remove(temporary, ec);
            return false;
        }
    }
    fs::rename(temporary, entryPath, ec);
    if (ec) {
        error = "Cannot write " + entryPath + ": " + ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

bool RemoveAutostartEntry(const std::string& entryPath, std::string& error) {
    std::error_code ec;
    std::filesystem::remove(entryPath, ec);
    if (ec) {
        error = "Cannot remove " + entryPath + ": " + ec.message();
        return false;
    }
    return true;
}

std::string LanguageFromLocale(const char* lcAll, const char* lcMessages, const char* lang) {
    std::string locale;
    for (const char* candidate : {lcAll, lcMessages, lang}) {
        if (candidate != nullptr && *candidate != '\0') {
            locale = candidate;
            break;
        }
    }
    const auto startsWith = [&](const char* prefix) { return locale.rfind(prefix, 0) == 0; };
    if (startsWith("fr"))
        return "French";
    if (startsWith("ko"))
        return "Korea";
    if (startsWith("sk"))
        return "Slovak";
    return "English";
}

std::string LanguageFromEnvironment() {
    return LanguageFromLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

bool OpenWebPage(const std::string& url) {
    if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0)
        return false;
    // The opener is started through an intermediate child that exits at once, so it is never
    // left as our zombie. A close-on-exec pipe tells the intermediate whether the exec worked:
    // end of file when it did, one byte when it did not (no xdg-open installed).
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        ::setsid();
        int started[2];
        if (::pipe2(started, O_CLOEXEC) != 0)
            ::_exit(1);
        const pid_t opener = ::fork();
        if (opener == 0) {
            ::close(started[0]);
            const char* argv[] = {"xdg-open", url.c_str(), nullptr};
            ::execvp(argv[0], const_cast<char* const*>(argv));
            const char failed = 1;
            [[maybe_unused]] const ssize_t written = ::write(started[1], &failed, 1);
            ::_exit(127);
        }
        ::close(started[1]);
        if (opener < 0)
            ::_exit(1);
        char failed = 0;
        ssize_t got;
        while ((got = ::read(started[0], &failed, 1)) < 0 && errno == EINTR) {
        }
        ::_exit(got == 0 ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace zorvane
