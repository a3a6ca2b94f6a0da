// RemoteCommandClient: one line to the instance's local socket, one line back.
#include "app/RemoteCommandClient.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zorvane {

namespace {

struct Socket {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ~Socket() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

bool SendCommandLine(const std::string& path, const std::string& command, int timeoutMs, std::string& error) {
    Socket socket;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socket.fd < 0 || path.size() >= sizeof address.sun_path) {
        error = "cannot reach Zorvane's socket " + path;
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (::connect(socket.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = "Zorvane is not running on this display (" + std::string(std::strerror(errno)) + ")";
        return false;
    }
    const std::string line = command + "\n";
    if (::send(socket.fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
        error = "Could not send the command: " + std::string(std::strerror(errno));
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string reply;
    while (reply.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{socket.fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            error = "Zorvane did not answer";
            return false;
        }
        char buffer[64];
        const ssize_t got = ::recv(socket.fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            error = "Zorvane did not answer";
            return false;
        }
        reply.append(buffer, static_cast<std::size_t>(got));
    }
    reply.resize(reply.find('\n'));
    if (!reply.empty() && reply.back() == '\r')
        reply.pop_back();
    if (reply != "ok") {
        error = "Zorvane refused the command: " + reply;
        return false;
    }
    return true;
}

} // namespace zorvane
