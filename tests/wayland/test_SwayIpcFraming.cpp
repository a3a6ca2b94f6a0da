// SwayIpc's framing: events split anywhere, many in one read, late replies and ends of stream.
//
// Where sway's writes break is not ours to choose, so a local socket stands in for its end here,
// speaking the same bytes (captured events); the headless-sway test covers the real conversation.
#include "platform/wayland/SwayIpc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace zorvane::wayland;

namespace {

std::string header(std::uint32_t length, std::uint32_t type) {
    std::string out = "i3-ipc";
    const std::uint32_t fields[2] = {length, type};
    out.append(reinterpret_cast<const char*>(fields), sizeof fields);
    return out;
}

std::string message(std::uint32_t type, std::string_view payload) {
    return header(static_cast<std::uint32_t>(payload.size()), type) + std::string(payload);
}

std::string event(std::uint32_t type, std::string_view payload) {
    return message(type | 0x80000000u, payload);
}

bool readExactly(int fd, std::size_t size, std::string& out) {
    out.clear();
    char chunk[4096];
    while (out.size() < size) {
        const ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, size - out.size()));
        if (n <= 0)
            return false;
        out.append(chunk, static_cast<std::size_t>(n));
    }
    return true;
}

// Reads one request; its type, or -1 at the end of the stream.
long readRequest(int fd) {
    std::string header;
    std::string payload;
    if (!readExactly(fd, 14, header))
        return -1;
    std::uint32_t fields[2];
    std::memcpy(fields, header.data() + 6, sizeof fields);
    if (!readExactly(fd, fields[0], payload))
        return -1;
    return fields[1];
}

void writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        ASSERT_GT(n, 0);
        data.remove_prefix(static_cast<std::size_t>(n));
    }
}

// A listening socket; connections are accepted one at a time, on the test's own thread or, for
// the exchanges SwayIpc waits on, on a helper thread.
class LocalPeer {
public:
    LocalPeer() {
        char pattern[] = "/tmp/zv-ipc.XXXXXX";
        dir_ = ::mkdtemp(pattern);
        path_ = dir_ + "/ipc.sock";
        listener_.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path_.c_str());
        if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_.get(), 4) != 0)
            listener_.reset();
    }
    ~LocalPeer() {
        listener_.reset();
        ::unlink(path_.c_str());
        ::rmdir(dir_.c_str());
    }
    const std::string& path() const { return path_; }
    bool listening() const { return listener_.valid(); }
    UniqueFd accept() { return UniqueFd(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC)); }

private:
    std::string dir_;
    std::string path_;
    UniqueFd listener_;
};

// Connects a client and subscribes it; the peer's end of the event connection is returned.
struct Subscribed {
    std::unique_ptr<SwayIpc> ipc;
    UniqueFd commands;
    UniqueFd events;
};

Subscribed subscribe(LocalPeer& peer, std::string_view extraAfterReply = {}) {
    Subscribed s;
    std::thread server([&] {
        s.commands = peer.accept();
        if (readRequest(s.commands.get()) == SwayRequest::getVersion)
            writeAll(s.commands.get(), message(SwayRequest::getVersion, R"({"major":1})"));
        s.events = peer.accept();
        if (readRequest(s.events.get()) == SwayRequest::subscribe)
            writeAll(s.events.get(),
                     message(SwayRequest::subscribe, R"({"success":true})") + std::string(extraAfterReply));
    });
    std::string error;
    s.ipc = SwayIpc::Connect(peer.path(), error);
    const bool subscribed = s.ipc && s.ipc->subscribe({"window", "workspace"});
    server.join();
    EXPECT_TRUE(subscribed) << error;
    return s;
}

std::vector<std::string> capturedEvents() {
    std::ifstream in(std::string(ZV_SWAY_DATA_DIR) + "/events.jsonl");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> payloads(const std::vector<SwayEvent>& events) {
    std::vector<std::string> out;
    for (const auto& e : events)
        out.push_back(e.payload);
    return out;
}

TEST(SwayIpcFraming, EventsSplitAnywhereArriveWholeAndInOrder) {
    LocalPeer peer;
    ASSERT_TRUE(peer.listening());
    auto s = subscribe(peer);
    ASSERT_TRUE(s.ipc);
    const auto lines = capturedEvents();
    ASSERT_GE(lines.size(), 3u);
    // Two events, then a third cut at every byte: nothing shows before its last byte.
    const std::string first =
        event(SwayEventType::window, lines[0]) + event(SwayEventType::workspace, lines[1]);
    const std::string third = event(SwayEventType::window, lines[3]);
    for (std::size_t cut = 1; cut < third.size(); cut += (cut < 20 ? 1 : 97)) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        writeAll(s.events.get(), first + third.substr(0, cut));
        const auto before = s.ipc->readEvents();
        ASSERT_EQ(payloads(before), (std::vector<std::string>{lines[0], lines[1]}));
        EXPECT_EQ(before[0].type, SwayEventType::window);
        EXPECT_EQ(before[1].type, SwayEventType::workspace);
        EXPECT_TRUE(s.ipc->readEvents().empty());
        writeAll(s.events.get(), third.substr(cut));
        EXPECT_EQ(payloads(s.ipc->readEvents()), std::vector<std::string>{lines[3]});
    }
    EXPECT_FALSE(s.ipc->eventsClosed());
}

TEST(SwayIpcFraming, ManyEventsInOneReadAndEventsRightAfterTheReply) {
    LocalPeer peer;
    ASSERT_TRUE(peer.listening());
    const auto lines = capturedEvents();
    // Sway may send events in the same write as the subscription's reply.
    auto s = subscribe(peer, event(SwayEventType::window, lines[0]));
    ASSERT_TRUE(s.ipc);
    std::string burst;
    std::vector<std::string> expected{lines[0]};
    for (int round = 0; round < 50; ++round) {
        for (const auto& line : lines) {
            burst += event(SwayEventType::window, line);
            expected.push_back(line);
        }
        burst += message(SwayRequest::subscribe, R"({"success":true})"); // a reply is not an event
    }
    // More than the socket holds: written from a thread while this one reads, then closed.
    std::thread writer([&] {
        writeAll(s.events.get(), burst);
        s.events.reset();
    });
    std::vector<std::string> got;
    while (!s.ipc->eventsClosed()) {
        pollfd pfd{s.ipc->eventFd(), POLLIN, 0};
        ::poll(&pfd, 1, -1);
        for (const auto& e : s.ipc->readEvents())
            got.push_back(e.payload);
    }
    writer.join();
    EXPECT_EQ(got, expected);
}

TEST(SwayIpcFraming, AnEndedOrForeignStreamIsReportedOnce) {
    const auto lines = capturedEvents();
    struct Case {
        const char* what;
        std::string tail; // written after one whole event, then the peer closes
    };
    const Case cases[] = {
        {"closed after a whole event", ""},
        {"closed in the middle of one", event(SwayEventType::window, lines[0]).substr(0, 20)},
        {"not sway's protocol", "HTTP/1.1 400 Bad Request\r\n\r\n"},
        {"a length far beyond any tree", header(0x7fffffffu, SwayEventType::window | 0x80000000u)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LocalPeer peer;
        ASSERT_TRUE(peer.listening());
        auto s = subscribe(peer);
        ASSERT_TRUE(s.ipc);
        writeAll(s.events.get(), event(SwayEventType::window, lines[0]) + c.tail);
        s.events.reset();
        std::vector<SwayEvent> got;
        // Each read returns; the end is seen within the reads that take what was written.
        for (int read = 0; read < 3 && !s.ipc->eventsClosed(); ++read) {
            auto events = s.ipc->readEvents();
            got.insert(got.end(), events.begin(), events.end());
        }
        EXPECT_TRUE(s.ipc->eventsClosed());
        EXPECT_EQ(payloads(got), std::vector<std::string>{lines[0]});
        EXPECT_TRUE(s.ipc->readEvents().empty());
    }
}

TEST(SwayIpcFraming, ALateReplyIsNeverTakenForTheNextOne) {
    LocalPeer peer;
    ASSERT_TRUE(peer.listening());
    std::unique_ptr<SwayIpc> ipc;
    UniqueFd first;
    {
        std::thread server([&] {
            first = peer.accept();
            if (readRequest(first.get()) == SwayRequest::getVersion)
                writeAll(first.get(), message(SwayRequest::getVersion, "{}"));
        });
        std::string error;
        ipc = SwayIpc::Connect(peer.path(), error);
        server.join();
        ASSERT_TRUE(ipc) << error;
    }
    // The peer takes the request and does not answer in time.
    ipc->setTimeout(std::chrono::milliseconds(50));
    std::thread silent([&] { readRequest(first.get()); });
    EXPECT_FALSE(ipc->request(SwayRequest::getTree, {}));
    EXPECT_FALSE(ipc->lastError().empty());
    silent.join();
    // The client has hung up this connection; were it still reading it, this would be its answer.
    const std::string late = message(SwayRequest::getTree, R"({"late":true})");
    (void)::send(first.get(), late.data(), late.size(), MSG_NOSIGNAL);

    // The next request goes over a new connection and gets its own answer.
    ipc->setTimeout(std::chrono::seconds(10));
    std::thread server([&] {
        UniqueFd second = peer.accept();
        if (readRequest(second.get()) == SwayRequest::getTree)
            writeAll(second.get(), message(SwayRequest::getTree, R"({"late":false})"));
    });
    const auto reply = ipc->request(SwayRequest::getTree, {});
    server.join();
    EXPECT_EQ(reply, std::optional<std::string>(R"({"late":false})"));
}

TEST(SwayIpcFraming, NoSocketIsAnErrorNotAWait) {
    std::string error;
    EXPECT_EQ(SwayIpc::Connect("/nonexistent/sway-ipc.sock", error), nullptr);
    EXPECT_NE(error.find("/nonexistent/sway-ipc.sock"), std::string::npos) << error;
    EXPECT_EQ(SwayIpc::Connect("", error), nullptr);
    EXPECT_FALSE(error.empty());
}

} // namespace
