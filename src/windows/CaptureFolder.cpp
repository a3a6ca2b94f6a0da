// CaptureFolder: where the stored window pictures live, and the checks that keep them private.
#include "windows/CaptureFolder.h"

#include "platform/DisplayName.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace zorvane {

namespace {

std::string withSlash(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string withoutSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool isUsableDirectory(const char* path) {
    struct stat info {};
    return path && *path == '/' && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::string TemporaryDirectory() {
    for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(variable);
        if (isUsableDirectory(value))
            return withSlash(value);
    }
    return "/tmp/";
}

std::string SessionDisplay() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return {};
}

std::string CaptureFolderPath(const std::string& display) {
    std::string key = CanonicalDisplayName(display);
    for (char& c : key) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'))
            c = '_';
    }
    return TemporaryDirectory() + "~ZRVN-" + std::to_string(::geteuid()) + "-" + key + "/";
}

bool IsCaptureFolderSafe(const std::string& folder) {
    struct stat info {};
    if (::lstat(withoutSlash(folder).c_str(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

bool EnsureCaptureFolder(const std::string& folder, std::string* error) {
    const std::string path = withoutSlash(folder);
    const auto fail = [&](const std::string& why) {
        if (error)
            *error = path + ": " + why;
        return false;
    };
    if (path.empty())
        return fail("no capture folder");
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return fail(std::strerror(errno));
    // Open without following a link, then check and tighten what was opened, so that nothing can be
    // swapped in between the check and the change.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return fail(errno == ELOOP || errno == ENOTDIR ? "not a real directory" : std::strerror(errno));
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok && info.st_uid != ::geteuid()) {
        ::close(fd);
        return fail("owned by another user");
    }
    if (ok && (info.st_mode & 077) != 0)
        ok = ::fchmod(fd, 0700) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!ok)
        return fail(std::strerror(savedErrno));
    return true;
}

int EmptyCaptureFolder(const std::string& folder) {
    if (!IsCaptureFolderSafe(folder))
        return 0;
    const std::string path = withoutSlash(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), ::closedir);
    if (!dir)
        return 0;
    int deleted = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        struct stat info {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if ((S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) &&
            ::unlinkat(::dirfd(dir.get()), entry->d_name, 0) == 0)
            ++deleted;
    }
    return deleted;
}

} // namespace zorvane
