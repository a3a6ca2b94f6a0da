// zv-sni-watcher: a StatusNotifierItem watcher for the tests, on the session bus that
// DBUS_SESSION_BUS_ADDRESS names. It owns org.kde.StatusNotifierWatcher and answers the
// IsStatusNotifierHostRegistered property: true, or false with --no-host; each item that registers
// is printed as "registered <service>". Runs until killed.
#include <dbus/dbus.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";

void answer(DBusConnection* bus, DBusMessage* call, bool host) {
    const char* interface = nullptr;
    const char* property = nullptr;
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = nullptr;
    if (dbus_message_get_args(call, &error, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                              DBUS_TYPE_INVALID) &&
        std::strcmp(interface, kWatcher) == 0 &&
        std::strcmp(property, "IsStatusNotifierHostRegistered") == 0) {
        reply = dbus_message_new_method_return(call);
        DBusMessageIter args;
        DBusMessageIter variant;
        dbus_bool_t value = host ? TRUE : FALSE;
        dbus_message_iter_init_append(reply, &args);
        dbus_message_iter_open_container(&args, DBUS_TYPE_VARIANT, DBUS_TYPE_BOOLEAN_AS_STRING, &variant);
        dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &value);
        dbus_message_iter_close_container(&args, &variant);
    } else {
        reply = dbus_message_new_error(call, DBUS_ERROR_UNKNOWN_PROPERTY, "no such property");
    }
    dbus_error_free(&error);
    dbus_connection_send(bus, reply, nullptr);
    dbus_message_unref(reply);
}

} // namespace

int main(int argc, char** argv) {
    const bool host = !(argc > 1 && std::strcmp(argv[1], "--no-host") == 0);
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_bus_get(DBUS_BUS_SESSION, &error);
    if (!bus || dbus_bus_request_name(bus, kWatcher, DBUS_NAME_FLAG_DO_NOT_QUEUE, &error) !=
                    DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
        std::fprintf(stderr, "zv-sni-watcher: %s\n", error.message ? error.message : "no session bus");
        return 1;
    }
    while (dbus_connection_read_write(bus, -1)) {
        while (DBusMessage* message = dbus_connection_pop_message(bus)) {
            if (dbus_message_is_method_call(message, "org.freedesktop.DBus.Properties", "Get")) {
                answer(bus, message, host);
            } else if (dbus_message_is_method_call(message, "org.freedesktop.DBus.Introspectable",
                                                   "Introspect")) {
                // Toolkits (Qt) read the interface before they use it.
                static const char* const xml =
                    "<node><interface name=\"org.kde.StatusNotifierWatcher\">"
                    "<method name=\"RegisterStatusNotifierItem\"><arg name=\"service\" type=\"s\" "
                    "direction=\"in\"/></method>"
                    "<property name=\"IsStatusNotifierHostRegistered\" type=\"b\" access=\"read\"/>"
                    "<property name=\"ProtocolVersion\" type=\"i\" access=\"read\"/>"
                    "</interface></node>";
                DBusMessage* reply = dbus_message_new_method_return(message);
                dbus_message_append_args(reply, DBUS_TYPE_STRING, &xml, DBUS_TYPE_INVALID);
                dbus_connection_send(bus, reply, nullptr);
                dbus_message_unref(reply);
            } else if (dbus_message_is_method_call(message, kWatcher, "RegisterStatusNotifierItem")) {
                const char* service = nullptr;
                if (dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &service, DBUS_TYPE_INVALID))
                    std::printf("registered %s\n", service);
                std::fflush(stdout);
                DBusMessage* reply = dbus_message_new_method_return(message);
                dbus_connection_send(bus, reply, nullptr);
                dbus_message_unref(reply);
            }
            dbus_message_unref(message);
        }
    }
    return 0;
}
