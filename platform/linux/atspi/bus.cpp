#include "platform/linux/atspi/bus.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/linux/atspi/dbus.h"
#include "platform/linux/display_server.h"
#include "platform/timing.h"

namespace platform::atspi {
namespace {

std::optional<std::string> environmentText(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

// The session bus's org.a11y.Bus.GetAddress (which starts the accessibility
// bus when the session has it on demand).
std::optional<std::string> askSessionBus(DBusConnection* session) {
    Message call(dbus_message_new_method_call("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"));
    if (!call) return std::nullopt;
    Message reply(dbus_connection_send_with_reply_and_block(session, call.get(), callTimeoutMs, nullptr));
    auto address = readString(reply.get());
    if (!address || address->empty()) return std::nullopt;
    return address;
}

}  // namespace

std::optional<std::string> sessionBusAddress() {
    if (auto address = environmentText("DBUS_SESSION_BUS_ADDRESS")) return address;
    // libdbus's next place: the user's bus socket in XDG_RUNTIME_DIR.
    auto runtime = environmentText("XDG_RUNTIME_DIR");
    if (!runtime || runtime->front() != '/') return std::nullopt;
    const std::string socket = *runtime + "/bus";
    struct stat facts {};
    if (stat(socket.c_str(), &facts) != 0 || !S_ISSOCK(facts.st_mode) || facts.st_uid != getuid()) return std::nullopt;
    char* escaped = dbus_address_escape_value(socket.c_str());
    if (!escaped) return std::nullopt;
    std::string address = std::string("unix:path=") + escaped;
    dbus_free(escaped);
    return address;
}

bool onlyConnects(const std::string& address) {
    DBusAddressEntry** entries = nullptr;
    int count = 0;
    if (address.find('\0') != std::string::npos || !dbus_parse_address(address.c_str(), &entries, &count, nullptr)) {
        return false;
    }
    bool sockets = count > 0;
    for (int i = 0; i < count; ++i) {
        const char* method = dbus_address_entry_get_method(entries[i]);
        if (std::strcmp(method, "unix") != 0 && std::strcmp(method, "tcp") != 0 && std::strcmp(method, "nonce-tcp") != 0) {
            sockets = false;
        }
    }
    dbus_address_entries_free(entries);
    return sockets;
}

Connection connectToBus(const std::string& address) {
    if (!onlyConnects(address)) return nullptr;
    Connection connection(dbus_connection_open_private(address.c_str(), nullptr));
    if (!connection) return nullptr;
    // A lost bus is seen as failed calls, never as the end of the process.
    dbus_connection_set_exit_on_disconnect(connection.get(), FALSE);
    // The address may lead to a socket that never answers: libdbus would
    // wait for the authentication without end and for Hello 25 s, so both
    // are done here within our time-out (Hello as dbus_bus_register sends it).
    const std::uint64_t deadline = monotonicMicroseconds() + std::uint64_t{callTimeoutMs} * 1000;
    while (!dbus_connection_get_is_authenticated(connection.get())) {
        const std::uint64_t now = monotonicMicroseconds();
        if (now >= deadline || !dbus_connection_get_is_connected(connection.get())) return nullptr;
        dbus_connection_read_write(connection.get(), static_cast<int>((deadline - now + 999) / 1000));
    }
    Message hello(dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "Hello"));
    if (!hello) return nullptr;
    Message reply(dbus_connection_send_with_reply_and_block(connection.get(), hello.get(), callTimeoutMs, nullptr));
    if (!readString(reply.get())) return nullptr;
    return connection;
}

Connection sessionBus() {
    auto address = sessionBusAddress();
    return address ? connectToBus(*address) : nullptr;
}

std::optional<std::string> accessibilityBusAddress() {
    if (auto address = environmentText("AT_SPI_BUS_ADDRESS")) return address;
    if (Connection session = sessionBus()) return askSessionBus(session.get());
    return display_server::publishedBusAddress();
}

}  // namespace platform::atspi
