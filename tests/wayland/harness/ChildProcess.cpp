// ChildProcess: starts a program as a direct child and guarantees it is killed and reaped.
#include "harness/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zorvane::test {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> PointersOf(const std::vector<std::string>& strings) {
    std::vector<char*> result;
    result.reserve(strings.size() + 1);
    for (const auto& s : strings)
        result.push_back(const_cast<char*>(s.c_str()));
    result.push_back(nullptr);
    return result;
}

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

int StatusCode(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

bool PollUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        if (condition())
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

ChildProcess::ChildProcess(const Launch& launch)
    : argv_(launch.argv), outFile_(launch.outFile), errFile_(launch.errFile) {
    // Everything the child needs is prepared before fork: after it only async-signal-safe calls.
    auto argv = PointersOf(launch.argv);
    auto envp = PointersOf(launch.environment);
    std::string folder = launch.workingFolder;
    if (folder.empty() && launch.identity)
        folder = launch.identity->home;
    int pipeFds[2] = {-1, -1};
    if (launch.input && ::pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) {
        if (launch.input) {
            ::close(pipeFds[0]);
            ::close(pipeFds[1]);
        }
        return;
    }
    if (pid_ == 0) {
        const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        ::dup2(launch.input ? pipeFds[0] : devNull, 0);
        const int out = launch.outFile.empty()
                            ? devNull
                            : ::open(launch.outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int err = launch.errFile.empty()
                            ? devNull
                            : ::open(launch.errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::setpgid(0, 0); // its own group, so that a terminal's Ctrl+C reaches only the test program
        // Only root may change users; a child of ours keeps ours anyway.
        if (launch.identity && (launch.identity->uid != ::getuid() || launch.identity->gid != ::getgid())) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(launch.identity->gid) != 0 ||
                ::setuid(launch.identity->uid) != 0) {
                WriteAll(2, std::string("cannot switch user: ") + std::strerror(errno) + "\n");
                ::_exit(127);
            }
        }
        // Set after the change of user, which clears it: die with the test program, so that a test
        // that crashes leaves no compositor or client behind (the destructor handles all else).
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
            WriteAll(2, "cannot enter " + folder + ": " + std::strerror(errno) + "\n");
            ::_exit(127);
        }
        ::execvpe(argv[0], argv.data(), envp.data());
        WriteAll(2, std::string("cannot run ") + argv[0] + ": " + std::strerror(errno) + "\n");
        ::_exit(127);
    }
    if (launch.input) {
        ::close(pipeFds[0]);
        input_ = pipeFds[1];
    }
}

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::running() {
    if (pid_ <= 0 || exitCode_)
        return false;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
        exitCode_ = StatusCode(status);
        return false;
    }
    if (done < 0 && errno == ECHILD) {
        exitCode_ = -1;
        return false;
    }
    return true;
}

bool ChildProcess::waitExit(int timeoutMs) {
    return PollUntil([&] { return !running(); }, timeoutMs);
}

int ChildProcess::stop() {
    closeInput();
    if (running()) {
        ::kill(pid_, SIGTERM);
        if (!waitExit(3000)) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            if (::waitpid(pid_, &status, 0) == pid_)
                exitCode_ = StatusCode(status);
            else
                exitCode_ = -1;
        }
    }
    return exitCode_.value_or(-1);
}

void ChildProcess::signal(int sig) {
    if (running())
        ::kill(pid_, sig);
}

std::string ChildProcess::out() const {
    return outFile_.empty() ? std::string() : ReadTextFile(outFile_);
}

std::string ChildProcess::err() const {
    return errFile_.empty() ? std::string() : ReadTextFile(errFile_);
}

bool ChildProcess::waitForLine(const std::string& line, int timeoutMs) {
    const auto written = [&] {
        std::istringstream text(out());
        std::string each;
        while (std::getline(text, each))
            if (each == line)
                return true;
        return false;
    };
    bool found = false;
    // A program that has ended may still have written the line just before.
    PollUntil([&] { return (found = written()) || !running(); }, timeoutMs);
    return found || written();
}

bool ChildProcess::send(const std::string& line) {
    if (input_ < 0)
        return false;
    const std::string text = line + "\n";
    std::size_t done = 0;
    // SIGPIPE would end the test program when the child has gone: MSG_NOSIGNAL is for sockets only.
    struct sigaction ignore {};
    struct sigaction old {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &old);
    while (done < text.size()) {
        const ssize_t n = ::write(input_, text.data() + done, text.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::sigaction(SIGPIPE, &old, nullptr);
    return done == text.size();
}

void ChildProcess::closeInput() {
    if (input_ >= 0) {
        ::close(input_);
        input_ = -1;
    }
}

} // namespace zorvane::test
