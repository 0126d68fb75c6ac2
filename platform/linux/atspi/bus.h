#pragma once

// Finding the accessibility bus without trusting what any X client can
// write and without starting anything.
//
// libatspi (and libdbus under it) read the bus address from the X root
// window before asking the session bus, and autolaunch a session bus with
// its daemons when there is none. The root-window property can be set by
// any X client, which could then show the tool a bus of its own making. So
// the address is asked of the session bus (org.a11y.Bus), the root window
// is read only when there is no session bus, and no bus is ever launched.

#include <dbus/dbus.h>

#include <memory>
#include <optional>
#include <string>

namespace platform::atspi {

// A private connection, closed and freed on scope exit.
struct ConnectionCloser {
    void operator()(DBusConnection* connection) const noexcept {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
using Connection = std::unique_ptr<DBusConnection, ConnectionCloser>;

// The session bus's address as libdbus finds it (DBUS_SESSION_BUS_ADDRESS,
// else the user's bus socket in XDG_RUNTIME_DIR), but never autolaunching
// one; nothing when there is no session bus.
std::optional<std::string> sessionBusAddress();

// Whether a bus address only reaches a running bus: its transports are
// sockets (unix, tcp, nonce-tcp); autolaunch and unixexec start programs.
bool onlyConnects(const std::string& address);

// A private connection to the message bus at this address, registered with
// it (Hello); nullptr when the address starts programs or does not answer.
Connection connectToBus(const std::string& address);

// A private connection to the session bus; nullptr when there is none.
Connection sessionBus();

// The accessibility bus's address: AT_SPI_BUS_ADDRESS when set (the
// session's own choice), else what the session bus's org.a11y.Bus answers;
// only when no session bus can be reached, the X root window's AT_SPI_BUS
// property.
std::optional<std::string> accessibilityBusAddress();

}  // namespace platform::atspi
