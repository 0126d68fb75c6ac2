#include "platform/linux/atspi/peer_connection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <map>

#include "platform/linux/atspi/bus.h"
#include "platform/linux/atspi/dbus.h"
#include "platform/timing.h"

namespace platform::atspi {
namespace {

struct Peer {
    Connection connection;  // empty: the application's calls stay on the bus
};

std::map<std::string, Peer>& peers() {
    static std::map<std::string, Peer> known;
    return known;
}

// Whether the socket's other end is this process of this user: an address
// is only what the application says, and could name someone else's socket.
bool peerIs(DBusConnection* connection, std::uint32_t pid) {
    int socket = -1;
    if (!dbus_connection_get_socket(connection, &socket) || socket < 0) return false;
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    if (getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || length != sizeof credentials) {
        return false;
    }
    return credentials.pid > 0 && static_cast<std::uint32_t>(credentials.pid) == pid && credentials.uid == getuid();
}

// A socket that takes the connection but never answers (a server the
// application no longer serves) would cost every later call its time-out,
// where the bus would have answered: the socket is used only once it has
// completed the handshake, within a short wait.
constexpr std::uint64_t handshakeMicroseconds = 500000;

bool completesHandshake(DBusConnection* connection) {
    const std::uint64_t deadline = monotonicMicroseconds() + handshakeMicroseconds;
    while (!dbus_connection_get_is_authenticated(connection)) {
        const std::uint64_t now = monotonicMicroseconds();
        if (now >= deadline || !dbus_connection_get_is_connected(connection)) return false;
        dbus_connection_read_write(connection, static_cast<int>((deadline - now + 999) / 1000));
    }
    return true;
}

}  // namespace

bool isLocalSocketAddress(const std::string& address) {
    DBusAddressEntry** entries = nullptr;
    int count = 0;
    if (address.empty() || address.find('\0') != std::string::npos ||
        !dbus_parse_address(address.c_str(), &entries, &count, nullptr)) {
        return false;
    }
    bool local = count > 0;
    for (int i = 0; i < count; ++i) {
        const bool named = dbus_address_entry_get_value(entries[i], "path") ||
                           dbus_address_entry_get_value(entries[i], "abstract");
        if (std::strcmp(dbus_address_entry_get_method(entries[i]), "unix") != 0 || !named) local = false;
    }
    dbus_address_entries_free(entries);
    return local;
}

DBusConnection* connectionTo(const std::string& bus) {
    auto known = peers().find(bus);
    if (known != peers().end() && known->second.connection) {
        if (dbus_connection_get_is_connected(known->second.connection.get())) return known->second.connection.get();
    }
    return accessibilityBus();
}

bool takePeerQuestion(const std::string& bus) {
    // Unique names only: the registry and the bus daemon answer on the bus.
    if (bus.empty() || bus.front() != ':') return false;
    return peers().try_emplace(bus).second;
}

void openPeerConnection(const std::string& bus, DBusMessage* addressReply, DBusMessage* pidReply) {
    const auto address = readString(addressReply);
    const auto pid = readUint32(pidReply);
    if (!address || !pid || !isLocalSocketAddress(*address)) return;
    Connection connection(dbus_connection_open_private(address->c_str(), nullptr));
    if (!connection) return;
    // A peer that goes away is seen as failed calls, never as the end of the process.
    dbus_connection_set_exit_on_disconnect(connection.get(), FALSE);
    if (!peerIs(connection.get(), *pid) || !completesHandshake(connection.get())) return;
    peers()[bus].connection = std::move(connection);
}

}  // namespace platform::atspi
