// HeadlessSway: a private headless sway for one test, with real Wayland clients, all our own children.
// Sway refuses to run as root, so under root it runs as nobody in a runtime folder of nobody's;
// root still reaches its sockets. Everything started here is ended and reaped when the object goes.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace zorvane::test {

// The program's full path from PATH, empty when it is not installed.
std::string FindProgram(const std::string& name);

class HeadlessSway {
public:
    // Starts sway with this configuration text and waits (bounded) until its IPC socket answers.
    explicit HeadlessSway(const std::string& config);
    ~HeadlessSway();
    HeadlessSway(const HeadlessSway&) = delete;
    HeadlessSway& operator=(const HeadlessSway&) = delete;

    bool ok() const { return reason_.empty(); }
    const std::string& reason() const { return reason_; }
    const std::string& socketPath() const { return socket_; }

    // Starts a Wayland client on this sway; its pid, or -1.
    pid_t startClient(const std::vector<std::string>& command);
    // Ends sway now, as a crash or logout would for its clients.
    void stopCompositor();

private:
    std::string dir_;
    std::string socket_;
    std::string reason_;
    pid_t sway_ = -1;
    std::vector<pid_t> clients_;
};

} // namespace zorvane::test
