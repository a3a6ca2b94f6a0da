// ChildProcess: one program a test started, owned until it is killed and reaped (this container's
// init reaps no orphans), with its output captured to files that stay readable afterwards.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zorvane::test {

// Whose identity a child takes before it runs its program (set in the child, before exec, so the
// child's pid is the program's and it still dies with the test program).
struct Identity {
    uid_t uid = 0;
    gid_t gid = 0;
    std::string home;
};

class ChildProcess {
public:
    struct Launch {
        std::vector<std::string> argv;
        // The complete environment ("NAME=value"): nothing is inherited.
        std::vector<std::string> environment;
        // Standard output and error go to these files (created, truncated); /dev/null when empty.
        std::string outFile;
        std::string errFile;
        // A pipe to standard input for send(); /dev/null otherwise.
        bool input = false;
        // Runs as this user (and in its home folder) instead of ours.
        std::optional<Identity> identity;
        // The working folder ("" keeps ours; a user's home when identity is set and this is empty).
        std::string workingFolder;
    };

    // Forks and execs at once; pid() is -1 when fork failed. A program that cannot be executed ends
    // with status 127 and says why on its error file.
    explicit ChildProcess(const Launch& launch);
    // Ends the program (TERM, then KILL) and reaps it, unless it has been reaped already.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    const std::vector<std::string>& argv() const { return argv_; }
    // True while the program runs (reaps it when it has ended).
    bool running();
    // Waits (polling) until the program has ended; true when it has. exitCode() then holds its exit
    // status, or 128 + the signal that ended it.
    bool waitExit(int timeoutMs);
    std::optional<int> exitCode() const { return exitCode_; }
    // TERM, a bounded wait, then KILL; always reaped. Returns the exit code.
    int stop();
    void signal(int sig);

    // All it has written so far.
    std::string out() const;
    std::string err() const;
    // Waits until a whole line of its standard output equals line; false when the time is up or the
    // program has ended without writing it.
    bool waitForLine(const std::string& line, int timeoutMs = 15000);
    // Writes a line (a newline is added) to its standard input; false when it cannot.
    bool send(const std::string& line);
    void closeInput();
    const std::string& outFile() const { return outFile_; }
    const std::string& errFile() const { return errFile_; }

private:
    std::vector<std::string> argv_;
    std::string outFile_;
    std::string errFile_;
    pid_t pid_ = -1;
    int input_ = -1;
    std::optional<int> exitCode_;
};

// Polls condition until it holds or timeoutMs have passed; true when it held.
bool PollUntil(const std::function<bool()>& condition, int timeoutMs);

// The whole text of a file ("" when it cannot be read).
std::string ReadTextFile(const std::string& path);

} // namespace zorvane::test
