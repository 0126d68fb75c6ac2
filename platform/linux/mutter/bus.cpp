#include "platform/linux/mutter/bus.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string_view>

#include "platform/timing.h"

namespace platform::mutter {
namespace {

struct ConnectionCloser {
    void operator()(DBusConnection* connection) const noexcept {
        dbus_connection_flush(connection);
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};

// Addresses whose transports only reach a running bus.
bool onlyConnects(std::string_view address) {
    return address.find("autolaunch:") == std::string_view::npos &&
           address.find("unixexec:") == std::string_view::npos && !address.empty();
}

std::optional<std::string> sessionAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) {
        if (!onlyConnects(address)) return std::nullopt;
        return std::string(address);
    }
    // The user's bus in the runtime folder, where libdbus looks next.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || runtime[0] != '/') return std::nullopt;
    const std::string path = std::string(runtime) + "/bus";
    struct stat facts {};
    if (stat(path.c_str(), &facts) != 0 || !S_ISSOCK(facts.st_mode)) return std::nullopt;
    return "unix:path=" + path;
}

std::unique_ptr<DBusConnection, ConnectionCloser> open() {
    const std::optional<std::string> address = sessionAddress();
    if (!address) return nullptr;
    DBusError error;
    dbus_error_init(&error);
    std::unique_ptr<DBusConnection, ConnectionCloser> connection(
        dbus_connection_open_private(address->c_str(), &error));
    dbus_error_free(&error);
    if (!connection) return nullptr;
    // libdbus would end the process when the bus goes away.
    dbus_connection_set_exit_on_disconnect(connection.get(), FALSE);
    if (!dbus_bus_register(connection.get(), &error)) {
        dbus_error_free(&error);
        return nullptr;
    }
    return connection;
}

bool appendBasic(DBusMessage* message, int type, const void* value) {
    return message && dbus_message_append_args(message, type, value, DBUS_TYPE_INVALID);
}

bool appendVariant(DBusMessageIter* iter, int type, const char* signature, const void* value) {
    DBusMessageIter variant;
    if (!dbus_message_iter_open_container(iter, DBUS_TYPE_VARIANT, signature, &variant)) return false;
    if (!dbus_message_iter_append_basic(&variant, type, value)) {
        dbus_message_iter_abandon_container(iter, &variant);
        return false;
    }
    return dbus_message_iter_close_container(iter, &variant);
}

}  // namespace

DBusConnection* sessionBus() {
    static const std::unique_ptr<DBusConnection, ConnectionCloser> connection = open();
    return connection.get();
}

bool nameHasOwner(const char* name) {
    Message ask = methodCall(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "NameHasOwner");
    if (!ask || !appendString(ask.get(), name)) return false;
    const Reply reply = call(std::move(ask));
    if (!reply) return false;
    dbus_bool_t owned = FALSE;
    DBusMessageIter iter;
    if (!dbus_message_iter_init(reply.message.get(), &iter) || dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_BOOLEAN)
        return false;
    dbus_message_iter_get_basic(&iter, &owned);
    return owned;
}

Message methodCall(const char* destination, const std::string& path, const char* interface, const char* method) {
    if (!dbus_validate_path(path.c_str(), nullptr)) return nullptr;
    return Message(dbus_message_new_method_call(destination, path.c_str(), interface, method));
}

Reply call(Message message, int timeoutMs) {
    Reply reply;
    DBusConnection* connection = sessionBus();
    if (!connection || !message) {
        reply.error = "no session bus";
        return reply;
    }
    DBusError error;
    dbus_error_init(&error);
    reply.message.reset(dbus_connection_send_with_reply_and_block(connection, message.get(), timeoutMs, &error));
    if (dbus_error_is_set(&error)) {
        reply.error = error.message ? error.message : (error.name ? error.name : "an unnamed error");
        dbus_error_free(&error);
    }
    if (!reply.message && reply.error.empty()) reply.error = "no answer";
    return reply;
}

bool send(Message message) {
    DBusConnection* connection = sessionBus();
    if (!connection || !message) return false;
    dbus_message_set_no_reply(message.get(), TRUE);
    return dbus_connection_send(connection, message.get(), nullptr);
}

void flush() {
    if (DBusConnection* connection = sessionBus()) dbus_connection_flush(connection);
}

Reply getProperty(const char* destination, const std::string& path, const char* interface, const char* property) {
    Message message = methodCall(destination, path, DBUS_INTERFACE_PROPERTIES, "Get");
    if (!message || !appendString(message.get(), interface) || !appendString(message.get(), property)) return Reply{};
    return call(std::move(message));
}

bool appendString(DBusMessage* message, const std::string& text) {
    if (!dbus_validate_utf8(text.c_str(), nullptr)) return false;
    const char* value = text.c_str();
    return appendBasic(message, DBUS_TYPE_STRING, &value);
}

bool appendUint32(DBusMessage* message, std::uint32_t number) {
    const dbus_uint32_t value = number;
    return appendBasic(message, DBUS_TYPE_UINT32, &value);
}

bool appendInt32(DBusMessage* message, std::int32_t number) {
    const dbus_int32_t value = number;
    return appendBasic(message, DBUS_TYPE_INT32, &value);
}

bool appendBoolean(DBusMessage* message, bool value) {
    const dbus_bool_t flag = value ? TRUE : FALSE;
    return appendBasic(message, DBUS_TYPE_BOOLEAN, &flag);
}

bool appendDouble(DBusMessage* message, double value) { return appendBasic(message, DBUS_TYPE_DOUBLE, &value); }

bool appendOptions(DBusMessage* message, const std::vector<Option>& options) {
    if (!message) return false;
    DBusMessageIter iter;
    DBusMessageIter dictionary;
    dbus_message_iter_init_append(message, &iter);
    if (!dbus_message_iter_open_container(&iter, DBUS_TYPE_ARRAY, "{sv}", &dictionary)) return false;
    for (const Option& option : options) {
        DBusMessageIter entry;
        const char* key = option.key.c_str();
        const char* text = option.text.c_str();
        const dbus_uint32_t number = option.number.value_or(0);
        const bool ok = dbus_message_iter_open_container(&dictionary, DBUS_TYPE_DICT_ENTRY, nullptr, &entry) &&
                        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &key) &&
                        (option.number ? appendVariant(&entry, DBUS_TYPE_UINT32, "u", &number)
                                       : appendVariant(&entry, DBUS_TYPE_STRING, "s", &text)) &&
                        dbus_message_iter_close_container(&dictionary, &entry);
        if (!ok) {
            dbus_message_iter_abandon_container(&iter, &dictionary);
            return false;
        }
    }
    return dbus_message_iter_close_container(&iter, &dictionary);
}

std::optional<std::string> readPath(DBusMessage* reply) {
    DBusMessageIter iter;
    if (!reply || !dbus_message_iter_init(reply, &iter)) return std::nullopt;
    const int type = dbus_message_iter_get_arg_type(&iter);
    if (type != DBUS_TYPE_OBJECT_PATH && type != DBUS_TYPE_STRING) return std::nullopt;
    const char* value = nullptr;
    dbus_message_iter_get_basic(&iter, &value);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

std::optional<std::string> readVariantString(DBusMessage* reply) {
    DBusMessageIter iter;
    DBusMessageIter variant;
    if (!reply || !dbus_message_iter_init(reply, &iter) || dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_VARIANT)
        return std::nullopt;
    dbus_message_iter_recurse(&iter, &variant);
    if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_STRING) return std::nullopt;
    const char* value = nullptr;
    dbus_message_iter_get_basic(&variant, &value);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void watchSignal(const char* interface, const char* member) {
    DBusConnection* connection = sessionBus();
    if (!connection) return;
    const std::string rule = std::string("type='signal',interface='") + interface + "',member='" + member + "'";
    // Without a reply wait: the rule is in place before any later call is
    // handled, since the bus reads this connection's messages in order.
    dbus_bus_add_match(connection, rule.c_str(), nullptr);
}

Message nextSignal(const char* interface, const char* member, int timeoutMs) {
    DBusConnection* connection = sessionBus();
    if (!connection) return nullptr;
    const std::uint64_t deadline = monotonicMicroseconds() + static_cast<std::uint64_t>(timeoutMs) * 1000;
    while (true) {
        while (DBusMessage* next = dbus_connection_pop_message(connection)) {
            Message message(next);
            if (dbus_message_is_signal(message.get(), interface, member)) return message;
        }
        const std::uint64_t now = monotonicMicroseconds();
        if (now >= deadline) return nullptr;
        const int left = static_cast<int>((deadline - now + 999) / 1000);
        if (!dbus_connection_read_write(connection, left)) return nullptr;
    }
}

}  // namespace platform::mutter
