#pragma once

// The session bus as GNOME's compositor services are reached on it: one
// private connection per run (a remote-desktop or screen-cast session
// belongs to the connection that made it, so every call of a session goes
// over the same one), plain libdbus calls with a deadline, and readers of
// the few argument shapes those services answer with.

#include <dbus/dbus.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::mutter {

// A call gives up after this long; mutter answers within milliseconds.
constexpr int callTimeoutMs = 5000;

struct MessageUnref {
    void operator()(DBusMessage* message) const noexcept { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

// The run's connection to the session bus (opened on first use, closed at
// exit), or nullptr when there is no session bus. No bus is ever launched:
// an address that would start a program (autolaunch:, unixexec:) counts as
// none.
DBusConnection* sessionBus();

// Whether a name has an owner on the session bus.
bool nameHasOwner(const char* name);

// A method call to be filled with arguments and sent.
Message methodCall(const char* destination, const std::string& path, const char* interface, const char* method);

// The answer to a call, or the error that came instead (its D-Bus message,
// such as "Couldn't connect pipewire context").
struct Reply {
    Message message;
    std::string error;
    explicit operator bool() const { return message != nullptr; }
};
Reply call(Message call, int timeoutMs = callTimeoutMs);

// Sends a call whose answer nobody waits for (input notifications, which
// follow each other in order on the one connection).
bool send(Message call);

// Writes out what was sent so far.
void flush();

// A Properties.Get of one property; the reply's variant is read by the
// readers below.
Reply getProperty(const char* destination, const std::string& path, const char* interface, const char* property);

// Arguments.
bool appendString(DBusMessage* message, const std::string& text);
bool appendUint32(DBusMessage* message, std::uint32_t number);
bool appendInt32(DBusMessage* message, std::int32_t number);
bool appendBoolean(DBusMessage* message, bool value);
bool appendDouble(DBusMessage* message, double value);
// An a{sv} of string keys each with a uint32 or a string value.
struct Option {
    std::string key;
    std::optional<std::uint32_t> number;
    std::string text;
};
bool appendOptions(DBusMessage* message, const std::vector<Option>& options);

// The first argument of a reply: an object path, a text.
std::optional<std::string> readPath(DBusMessage* reply);
// A Properties.Get reply holding a text.
std::optional<std::string> readVariantString(DBusMessage* reply);

// Adds a match rule for a signal, ahead of the call that makes it come.
void watchSignal(const char* interface, const char* member);

// Waits up to timeoutMs for the next signal of this interface and member
// (from any object), reading and dropping whatever else arrives; nothing
// when none came in time.
Message nextSignal(const char* interface, const char* member, int timeoutMs);

}  // namespace platform::mutter
