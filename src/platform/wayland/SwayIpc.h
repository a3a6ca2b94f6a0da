// SwayIpc: a client of sway's i3-compatible IPC socket, requests on one connection and events on another.
#pragma once

#include "platform/wayland/SwayTree.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorvane::wayland {

// Owns one file descriptor and closes it exactly once.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const noexcept { return fd_; }
    bool valid() const noexcept { return fd_ >= 0; }
    int release() noexcept;
    void reset(int fd = -1) noexcept;

private:
    int fd_ = -1;
};

// Message types of requests (and of their replies).
namespace SwayRequest {
inline constexpr std::uint32_t runCommand = 0;
inline constexpr std::uint32_t getWorkspaces = 1;
inline constexpr std::uint32_t subscribe = 2;
inline constexpr std::uint32_t getOutputs = 3;
inline constexpr std::uint32_t getTree = 4;
inline constexpr std::uint32_t getVersion = 7;
inline constexpr std::uint32_t getConfig = 9;
inline constexpr std::uint32_t sendTick = 10;
} // namespace SwayRequest

// Event types, as they arrive with the high bit already cleared.
namespace SwayEventType {
inline constexpr std::uint32_t workspace = 0;
inline constexpr std::uint32_t output = 1;
inline constexpr std::uint32_t mode = 2;
inline constexpr std::uint32_t window = 3;
inline constexpr std::uint32_t binding = 5;
inline constexpr std::uint32_t shutdown = 6;
inline constexpr std::uint32_t tick = 7;
} // namespace SwayEventType

// One event as sway sent it; ParseSwayWindowEvent and ParseSwayWorkspaceEvent read the payload.
struct SwayEvent {
    std::uint32_t type = 0; // a SwayEventType value
    std::string payload;
};

class SwayIpc {
    struct Private {}; // only Connect makes one

public:
    SwayIpc(Private, std::string socketPath);
    // $SWAYSOCK (else $I3SOCK), or an empty string when sway is not the session's compositor.
    static std::string DefaultSocketPath();
    // nullptr with the reason in error when the socket does not answer.
    static std::unique_ptr<SwayIpc> Connect(const std::string& socketPath, std::string& error);

    ~SwayIpc();
    SwayIpc(const SwayIpc&) = delete;
    SwayIpc& operator=(const SwayIpc&) = delete;

    // Sends one request and waits, at most timeout(), for its reply's payload. After a failure the
    // next request connects anew, so a reply that came too late is never taken for another's.
    std::optional<std::string> request(std::uint32_t type, std::string_view payload);

    std::optional<SwayTree> getTree();
    std::optional<std::vector<SwayOutput>> getOutputs();
    // The text of the configuration file sway loaded last (included files are not part of it).
    std::optional<std::string> getConfig();
    // Whether every command of the (possibly ';'-separated) list succeeded; otherwise error, when
    // given, receives sway's reason.
    bool runCommand(std::string_view command, std::string* error);

    // Subscribes the event connection (opened on first use, and anew after eventsClosed(), which
    // changes eventFd()) to event names such as "window" and "workspace"; waits for sway's answer.
    bool subscribe(const std::vector<std::string>& events);
    // The event connection's descriptor to watch for input, -1 before subscribe(). Once
    // eventsClosed(), stop watching it: it stays open, readable at end of file, until destruction or
    // the next subscribe().
    int eventFd() const { return events_.get(); }
    // Every complete event received so far, without blocking; a partial message waits for the rest.
    std::vector<SwayEvent> readEvents();
    // Whether sway closed the event connection (or sent something that is not its protocol).
    bool eventsClosed() const { return eventsClosed_; }

    std::chrono::milliseconds timeout() const { return timeout_; }
    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
    const std::string& lastError() const { return lastError_; }

private:
    UniqueFd connectSocket();
    std::optional<std::string> exchange(const UniqueFd& fd, std::string& buffer, std::uint32_t type,
                                        std::string_view payload);

    std::string socketPath_;
    UniqueFd commands_;
    std::string commandBuffer_;
    UniqueFd events_;
    std::string eventBuffer_;
    std::vector<SwayEvent> pendingEvents_; // events that came while waiting for a subscribe reply
    bool eventsClosed_ = false;
    std::chrono::milliseconds timeout_{2000};
    std::string lastError_;
};

} // namespace zorvane::wayland
