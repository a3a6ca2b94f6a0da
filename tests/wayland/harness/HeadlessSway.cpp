// HeadlessSway: starts, watches and ends a private headless sway and its clients for one test.
#include "harness/HeadlessSway.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zorvane::test {

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::vector<char*> argvOf(const std::vector<std::string>& args) {
    std::vector<char*> result;
    for (const auto& a : args)
        result.push_back(const_cast<char*>(a.c_str()));
    result.push_back(nullptr);
    return result;
}

// In a child just forked, after any change of user (which clears it): die with the test program,
// so that a test that crashes leaves no compositor or client behind.
void dieWithParent(pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(1);
}

void redirectOutput(const std::string& logPath) {
    const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (in >= 0)
        ::dup2(in, 0);
    if (log >= 0) {
        ::dup2(log, 1);
        ::dup2(log, 2);
    }
}

// TERM, a bounded wait, then KILL; always reaped.
void endChild(pid_t pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

bool accepts(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::strcpy(address.sun_path, path.c_str());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

std::string tail(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    return all.size() > 2000 ? all.substr(all.size() - 2000) : all;
}

} // namespace

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::string candidate = dir + "/" + name;
        if (!dir.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

HeadlessSway::HeadlessSway(const std::string& config) {
    const std::string sway = FindProgram("sway");
    if (sway.empty()) {
        reason_ = "sway is not installed";
        return;
    }
    char pattern[] = "/tmp/zv-sway.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        reason_ = "no runtime folder";
        return;
    }
    dir_ = pattern;
    const std::string configPath = dir_ + "/config";
    const std::string logPath = dir_ + "/sway.log";
    std::ofstream(configPath) << config;
    std::ofstream{logPath};

    // Sway will not run as root: nobody owns its runtime folder and runs it.
    uid_t uid = ::geteuid();
    gid_t gid = ::getegid();
    if (uid == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr) {
            reason_ = "running as root without a nobody user to run sway as";
            return;
        }
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
        for (const auto& path : {dir_, configPath, logPath}) {
            if (::chown(path.c_str(), uid, gid) != 0) {
                reason_ = "cannot hand " + path + " to nobody";
                return;
            }
        }
    }
    ::chmod(dir_.c_str(), 0700);

    const std::vector<std::string> args{sway, "-c", configPath};
    const std::vector<std::string> env{
        "XDG_RUNTIME_DIR=" + dir_, "HOME=" + dir_,
        "WLR_BACKENDS=headless",   "WLR_LIBINPUT_NO_DEVICES=1",
        "WLR_RENDERER=pixman",     std::string("PATH=") + (std::getenv("PATH") ? std::getenv("PATH") : "")};
    const pid_t parent = ::getpid();
    sway_ = ::fork();
    if (sway_ == 0) {
        redirectOutput(logPath);
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
            ::_exit(126);
        dieWithParent(parent);
        ::execve(sway.c_str(), argvOf(args).data(), argvOf(env).data());
        ::_exit(127);
    }
    if (sway_ < 0) {
        reason_ = "fork failed";
        return;
    }

    // Sway names its socket after its pid; it is ready once that socket takes connections.
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
        int status = 0;
        if (::waitpid(sway_, &status, WNOHANG) == sway_) {
            sway_ = -1;
            reason_ = "sway exited at start:\n" + tail(logPath);
            return;
        }
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(dir_, error)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("sway-ipc.") && name.ends_with(".sock") && accepts(entry.path().string()) &&
                fs::exists(dir_ + "/wayland-1")) {
                socket_ = entry.path().string();
                return;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    reason_ = "sway's IPC socket did not appear:\n" + tail(logPath);
}

HeadlessSway::~HeadlessSway() {
    for (const pid_t client : clients_)
        endChild(client);
    endChild(sway_);
    if (!dir_.empty()) {
        std::error_code error;
        fs::remove_all(dir_, error);
    }
}

pid_t HeadlessSway::startClient(const std::vector<std::string>& command) {
    const std::string display = dir_ + "/wayland-1";
    const std::string logPath = dir_ + "/clients.log";
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        dieWithParent(parent);
        redirectOutput(logPath);
        ::setenv("WAYLAND_DISPLAY", display.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        ::unsetenv("DISPLAY");
        ::execvp(command[0].c_str(), argvOf(command).data());
        ::_exit(127);
    }
    if (pid > 0)
        clients_.push_back(pid);
    return pid;
}

void HeadlessSway::stopCompositor() {
    endChild(sway_);
    sway_ = -1;
}

} // namespace zorvane::test
