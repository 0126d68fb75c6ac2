#pragma once

// Applications' own connections.
//
// An application whose AT-SPI2 side is the ATK bridge (GTK 3, Chromium,
// Firefox, LibreOffice) also listens on a socket of its own and names it
// in org.a11y.atspi.Application.GetApplicationBusAddress. Calls over that
// socket skip the bus daemon, which otherwise reads, routes and writes
// every call and every answer once more: a tree walk of a few thousand
// calls then spends a third less time waiting. The address is asked
// alongside an application's first call; later calls use the socket once
// it is known to be the application's own (same process, same user).

#include <dbus/dbus.h>

#include <optional>
#include <string>

namespace platform::atspi {

// The connection calls to this application go over: its own socket when
// open, else the accessibility bus (nullptr when there is none).
DBusConnection* connectionTo(const std::string& bus);

// Whether the application's own address is still to be asked (once per
// run, for applications' unique names only); marks it asked.
bool takePeerQuestion(const std::string& bus);

// Opens the application's own connection from the answers to
// GetApplicationBusAddress and GetConnectionUnixProcessID (either may be
// nullptr); anything doubtful leaves the calls on the bus.
void openPeerConnection(const std::string& bus, DBusMessage* addressReply, DBusMessage* pidReply);

// Whether an address names only local sockets by path or abstract name,
// the forms an application's own server listens on.
bool isLocalSocketAddress(const std::string& address);

}  // namespace platform::atspi
