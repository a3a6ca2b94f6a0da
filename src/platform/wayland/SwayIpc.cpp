// SwayIpc: frames i3-ipc messages over sway's Unix socket, with bounded waits and buffered events.
#include "platform/wayland/SwayIpc.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace zorvane::wayland {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view magic = "i3-ipc";
constexpr std::size_t headerSize = magic.size() + 8;
constexpr std::uint32_t eventBit = 0x80000000u;
// Far above any real tree; a larger length means the stream is not sway's protocol.
constexpr std::uint32_t maxPayload = 64u << 20;

struct Message {
    std::uint32_t type = 0;
    std::string payload;
};

// The protocol's integers are in the host's byte order (little-endian on every machine sway runs on).
std::uint32_t readU32(const char* bytes) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

void appendU32(std::string& out, std::uint32_t value) {
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof bytes);
}

std::string frame(std::uint32_t type, std::string_view payload) {
    std::string out(magic);
    appendU32(out, static_cast<std::uint32_t>(payload.size()));
    appendU32(out, type);
    out.append(payload);
    return out;
}

enum class Parse { complete, incomplete, malformed };

// Reads the message starting at pos; advances pos past it when complete.
Parse parseMessage(const std::string& buffer, std::size_t& pos, Message& message) {
    if (buffer.size() - pos < headerSize)
        return Parse::incomplete;
    if (std::string_view(buffer).substr(pos, magic.size()) != magic)
        return Parse::malformed;
    const std::uint32_t length = readU32(buffer.data() + pos + magic.size());
    if (length > maxPayload)
        return Parse::malformed;
    if (buffer.size() - pos - headerSize < length)
        return Parse::incomplete;
    message.type = readU32(buffer.data() + pos + magic.size() + 4);
    message.payload.assign(buffer, pos + headerSize, length);
    pos += headerSize + length;
    return Parse::complete;
}

enum class Read { some, none, closed };

// Appends whatever the non-blocking socket holds now.
Read readAvailable(int fd, std::string& buffer) {
    Read result = Read::none;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0) {
            buffer.append(chunk, static_cast<std::size_t>(n));
            result = Read::some;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return result;
        return Read::closed; // end of file or a real error: the connection is over either way
    }
}

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd pfd{fd, events, 0};
        const int ready = ::poll(&pfd, 1, remainingMs(deadline));
        if (ready > 0)
            return true; // errors and hang-ups show up in the read or write that follows
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool writeAll(int fd, std::string_view data, Clock::time_point deadline) {
    while (!data.empty()) {
        // MSG_NOSIGNAL: a compositor that went away must not end us with SIGPIPE.
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other)
        reset(other.release());
    return *this;
}

int UniqueFd::release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::reset(int fd) noexcept {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

std::string SwayIpc::DefaultSocketPath() {
    // Sway sets both; I3SOCK alone is what some session managers pass on.
    for (const char* name : {"SWAYSOCK", "I3SOCK"}) {
        const char* path = std::getenv(name);
        if (path != nullptr && *path != '\0')
            return path;
    }
    return {};
}

std::unique_ptr<SwayIpc> SwayIpc::Connect(const std::string& socketPath, std::string& error) {
    if (socketPath.empty()) {
        error = "no sway socket (SWAYSOCK is not set)";
        return nullptr;
    }
    auto ipc = std::make_unique<SwayIpc>(Private{}, socketPath);
    // A version request proves that what listens there speaks sway's protocol.
    if (!ipc->request(SwayRequest::getVersion, {})) {
        error = ipc->lastError();
        return nullptr;
    }
    return ipc;
}

SwayIpc::SwayIpc(Private, std::string socketPath) : socketPath_(std::move(socketPath)) {}

SwayIpc::~SwayIpc() = default;

UniqueFd SwayIpc::connectSocket() {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath_.size() >= sizeof address.sun_path) {
        lastError_ = "socket path too long: " + socketPath_;
        return {};
    }
    std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        lastError_ = std::string("socket: ") + std::strerror(errno);
        return {};
    }
    // Connecting to a local socket does not wait on the peer; only the exchanges need the deadline.
    int result = 0;
    do {
        result = ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        lastError_ = "cannot connect to " + socketPath_ + ": " + std::strerror(errno);
        return {};
    }
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        lastError_ = std::string("fcntl: ") + std::strerror(errno);
        return {};
    }
    return fd;
}

std::optional<std::string> SwayIpc::exchange(const UniqueFd& fd, std::string& buffer, std::uint32_t type,
                                             std::string_view payload) {
    const auto deadline = Clock::now() + timeout_;
    if (!writeAll(fd.get(), frame(type, payload), deadline)) {
        lastError_ = "sway did not take the request";
        return std::nullopt;
    }
    bool closed = false;
    for (;;) {
        std::size_t pos = 0;
        Message message;
        Parse parsed = Parse::incomplete;
        while ((parsed = parseMessage(buffer, pos, message)) == Parse::complete) {
            if ((message.type & eventBit) != 0) {
                if (&fd == &events_)
                    pendingEvents_.push_back({message.type & ~eventBit, std::move(message.payload)});
                continue;
            }
            if (message.type == type) {
                buffer.erase(0, pos);
                return std::move(message.payload);
            }
            // A reply to some other request is not ours to take.
        }
        buffer.erase(0, pos);
        if (parsed == Parse::malformed) {
            lastError_ = "sway sent something that is not an IPC message";
            return std::nullopt;
        }
        if (closed) {
            lastError_ = "sway closed the connection";
            return std::nullopt;
        }
        if (!waitFor(fd.get(), POLLIN, deadline)) {
            lastError_ = "sway did not answer in time";
            return std::nullopt;
        }
        // What arrived before an end of file still counts: one more pass over the buffer.
        closed = readAvailable(fd.get(), buffer) == Read::closed;
    }
}

std::optional<std::string> SwayIpc::request(std::uint32_t type, std::string_view payload) {
    if (!commands_.valid()) {
        commands_ = connectSocket();
        commandBuffer_.clear();
        if (!commands_.valid())
            return std::nullopt;
    }
    auto reply = exchange(commands_, commandBuffer_, type, payload);
    if (!reply)
        commands_.reset(); // the stream may be out of step now: start afresh next time
    return reply;
}

std::optional<SwayTree> SwayIpc::getTree() {
    const auto reply = request(SwayRequest::getTree, {});
    if (!reply)
        return std::nullopt;
    auto tree = ParseSwayTree(*reply);
    if (!tree)
        lastError_ = "sway's tree could not be read";
    return tree;
}

std::optional<std::vector<SwayOutput>> SwayIpc::getOutputs() {
    const auto reply = request(SwayRequest::getOutputs, {});
    if (!reply)
        return std::nullopt;
    auto outputs = ParseSwayOutputs(*reply);
    if (!outputs)
        lastError_ = "sway's outputs could not be read";
    return outputs;
}

std::optional<std::string> SwayIpc::getConfig() {
    const auto reply = request(SwayRequest::getConfig, {});
    if (!reply)
        return std::nullopt;
    const auto json = nlohmann::json::parse(*reply, nullptr, false);
    if (!json.is_object() || !json.contains("config") || !json["config"].is_string()) {
        lastError_ = "sway's configuration reply could not be read";
        return std::nullopt;
    }
    return json["config"].get<std::string>();
}

bool SwayIpc::runCommand(std::string_view command, std::string* error) {
    const auto reply = request(SwayRequest::runCommand, command);
    if (!reply) {
        if (error != nullptr)
            *error = lastError_;
        return false;
    }
    const auto json = nlohmann::json::parse(*reply, nullptr, false);
    if (!json.is_array() || json.empty()) {
        if (error != nullptr)
            *error = "sway's command reply could not be read";
        return false;
    }
    // Sway stops at the first command that fails, so its error is the last result's.
    std::string reasons;
    bool ok = true;
    for (const auto& result : json) {
        if (result.is_object() && result.value("success", false))
            continue;
        ok = false;
        const std::string reason =
            result.is_object() && result.contains("error") && result["error"].is_string()
                ? result["error"].get<std::string>()
                : std::string("command failed");
        reasons += (reasons.empty() ? "" : "; ") + reason;
    }
    if (!ok && error != nullptr)
        *error = reasons;
    return ok;
}

bool SwayIpc::subscribe(const std::vector<std::string>& events) {
    if (!events_.valid() || eventsClosed_) {
        events_.reset();
        events_ = connectSocket();
        eventBuffer_.clear();
        eventsClosed_ = false;
        if (!events_.valid())
            return false;
    }
    const auto reply = exchange(events_, eventBuffer_, SwayRequest::subscribe, nlohmann::json(events).dump());
    if (!reply) {
        eventsClosed_ = true;
        return false;
    }
    const auto json = nlohmann::json::parse(*reply, nullptr, false);
    if (!json.is_object() || !json.value("success", false)) {
        lastError_ = "sway refused the subscription: " + *reply;
        return false;
    }
    return true;
}

std::vector<SwayEvent> SwayIpc::readEvents() {
    std::vector<SwayEvent> events = std::move(pendingEvents_);
    pendingEvents_.clear();
    if (!events_.valid() || eventsClosed_)
        return events;
    const bool closed = readAvailable(events_.get(), eventBuffer_) == Read::closed;
    std::size_t pos = 0;
    Message message;
    Parse parsed = Parse::incomplete;
    while ((parsed = parseMessage(eventBuffer_, pos, message)) == Parse::complete) {
        if ((message.type & eventBit) != 0)
            events.push_back({message.type & ~eventBit, std::move(message.payload)});
    }
    eventBuffer_.erase(0, pos);
    if (closed || parsed == Parse::malformed) {
        eventsClosed_ = true;
        lastError_ = closed ? "sway closed the event connection" : "sway's events could not be read";
    }
    return events;
}

} // namespace zorvane::wayland
