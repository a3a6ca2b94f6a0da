// ZorvaneWaylandRun: the real zorvane program on a test's private Wayland desktop, its milestones
// read from the trace it writes (ZORVANE_TRACE=1), with a settings file of its own. As ourselves it
// gets the clients' environment; as sway's user it gets sway's, so that the commands sway's bindings
// run (`zorvane --wintab`) reach its command socket.
#pragma once

#include "harness/WaylandDesktop.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zorvane::test {

// The path of the zorvane program under test.
std::string ZorvaneBinary();

class ZorvaneWaylandRun {
public:
    struct Options {
        // Elements of the settings file's "Zorvane" section.
        std::vector<std::pair<std::string, std::string>> settings = {};
        // Run as sway's user, with sway's environment (needs a SwayDesktop).
        bool asSwayUser = false;
        // False: without SWAYSOCK and I3SOCK, so windows come from the wlr foreign-toplevel list.
        bool swayIpc = true;
    };

    ZorvaneWaylandRun(WaylandDesktop& desktop, const Options& options);
    explicit ZorvaneWaylandRun(WaylandDesktop& desktop) : ZorvaneWaylandRun(desktop, Options{}) {}
    // Ends the program (TERM, which it takes for Exit) while the desktop still runs.
    ~ZorvaneWaylandRun();
    ZorvaneWaylandRun(const ZorvaneWaylandRun&) = delete;
    ZorvaneWaylandRun& operator=(const ZorvaneWaylandRun&) = delete;

    // Starts the resident program; startResident also waits until it has settled in ("resident").
    void start();
    bool startResident();
    // Runs another zorvane process (a tool, or a command to the running one) with the same
    // environment and settings file, to its end.
    CommandResult runAgain(const std::vector<std::string>& args, int timeoutMs = 30000);

    // The trace lines so far whose text (after the time stamp) starts with prefix.
    std::vector<std::string> lines(const std::string& prefix) const;
    // Their time stamps (milliseconds), in the same order.
    std::vector<long> times(const std::string& prefix) const;
    int count(const std::string& prefix) const { return static_cast<int>(lines(prefix).size()); }
    // Waits until at least count such lines are there (false at once when the program has ended).
    bool waitFor(const std::string& prefix, int count = 1, int timeoutMs = 30000);
    // All it wrote to standard error, and those lines that are not trace lines.
    std::string trace() const;
    std::vector<std::string> ownLines() const;

    // Asks the running program to end (--quit) and waits for it; its exit code, -1 when it stayed.
    int quit(int timeoutMs = 15000);
    bool running() const { return process_ != nullptr && process_->running(); }
    // Its exit status once it has ended.
    std::optional<int> exitCode() const { return process_ ? process_->exitCode() : std::nullopt; }

    const std::string& settingsFile() const { return settingsFile_; }

private:
    std::vector<std::pair<long, std::string>> milestones(const std::string& prefix) const;
    std::vector<std::string> command(const std::vector<std::string>& args) const;

    WaylandDesktop& desktop_;
    SwayDesktop* sway_ = nullptr;
    Options options_;
    std::string settingsFile_;
    ChildProcess* process_ = nullptr;
};

} // namespace zorvane::test
