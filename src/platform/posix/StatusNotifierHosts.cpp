// StatusNotifierHosts: asks the session bus for the StatusNotifierItem watcher and its host flag.
#include "platform/posix/StatusNotifierHosts.h"

#include <dbus/dbus.h>

#include <sys/stat.h>

#include <cstdlib>
#include <memory>

namespace zorvane {

namespace {

constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
constexpr int kReplyTimeoutMs = 2000;

struct BusError {
    BusError() { dbus_error_init(&error); }
    ~BusError() { dbus_error_free(&error); }
    BusError(const BusError&) = delete;
    BusError& operator=(const BusError&) = delete;
    DBusError error;
};

struct CloseConnection {
    void operator()(DBusConnection* connection) const {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
struct UnrefMessage {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Connection = std::unique_ptr<DBusConnection, CloseConnection>;
using Message = std::unique_ptr<DBusMessage, UnrefMessage>;

// The session bus's address without libdbus's fallback, which would launch a bus of its own.
std::string sessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return address;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        const std::string socket = std::string(runtime) + "/bus";
        struct stat info {};
        if (::stat(socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode))
            return "unix:path=" + socket;
    }
    return {};
}

// The watcher's IsStatusNotifierHostRegistered property: 1 or 0, or -1 when it does not answer.
int hostRegistered(DBusConnection* connection) {
    Message call(dbus_message_new_method_call(kWatcher, "/StatusNotifierWatcher",
                                              "org.freedesktop.DBus.Properties", "Get"));
    if (!call)
        return -1;
    const char* interface = kWatcher;
    const char* property = "IsStatusNotifierHostRegistered";
    if (!dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                                  DBUS_TYPE_INVALID))
        return -1;
    BusError error;
    Message reply(
        dbus_connection_send_with_reply_and_block(connection, call.get(), kReplyTimeoutMs, &error.error));
    if (!reply)
        return -1;
    DBusMessageIter args;
    DBusMessageIter variant;
    if (!dbus_message_iter_init(reply.get(), &args) ||
        dbus_message_iter_get_arg_type(&args) != DBUS_TYPE_VARIANT)
        return -1;
    dbus_message_iter_recurse(&args, &variant);
    if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_BOOLEAN)
        return -1;
    dbus_bool_t value = FALSE;
    dbus_message_iter_get_basic(&variant, &value);
    return value ? 1 : 0;
}

} // namespace

std::string StatusNotifierHostState() {
    const std::string address = sessionBusAddress();
    if (address.empty())
        return "no (no session bus)";
    BusError error;
    Connection connection(dbus_connection_open_private(address.c_str(), &error.error));
    if (!connection)
        return "no (no session bus at " + address + ")";
    if (!dbus_bus_register(connection.get(), &error.error))
        return "no (the session bus refused us)";
    if (!dbus_bus_name_has_owner(connection.get(), kWatcher, &error.error))
        return "no";
    switch (hostRegistered(connection.get())) {
    case 1:
        return "yes";
    case 0:
        return "no (a watcher without a host)";
    default:
        return "no (the watcher does not answer)";
    }
}

} // namespace zorvane
