#pragma once

// Calls into the AT-SPI2 accessibility bus.
//
// libatspi's element calls make one blocking round trip each and cannot
// build an element from an object reference that came in a batch. So
// element data travels as plain AT-SPI D-Bus calls on a private connection
// to the accessibility bus (see bus.h), many in flight at once (CallBatch):
// a tree walk then costs one round trip per sibling group instead of one
// per attribute per element.

#include <dbus/dbus.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform::atspi {

// Every call gives up after this long and counts as failed; an application
// that let one call time out is not asked again during this run.
constexpr int callTimeoutMs = 3000;
// A child list may be long (a box of 20,000 labels takes GTK seconds to
// list): those calls are given longer.
constexpr int childListTimeoutMs = 20000;
// No call is waited for once the run has spent this long on the
// accessibility bus: an application answering each call just within its
// time-out must not keep the run going for minutes.
constexpr std::uint64_t runBudgetMicroseconds = 27000000;

// Starts the run's budget afresh (for a caller that reads the tree again
// and again); applications that stopped answering stay given up.
void restartRunBudget();

// Whether calls to this application failed for want of an answer in time
// (a time-out, or the run's budget spent while it was being asked).
bool stoppedAnswering(const std::string& bus);

// One object on the accessibility bus: the connection that owns it and its path.
struct ObjectAddress {
    std::string bus;
    std::string path;
};

// The accessibility bus connection (opened on first use, closed at exit),
// or nullptr when there is none. The first use also silences GLib's logging.
DBusConnection* accessibilityBus();

// A message freed on scope exit.
struct MessageDeleter {
    void operator()(DBusMessage* message) const noexcept { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageDeleter>;

// A method call to an object; nullptr when the address cannot be called
// (empty, or its application timed out before).
Message methodCall(const ObjectAddress& target, const char* interface, const char* method);

// A Properties.Get call for one property of one interface.
Message propertyGet(const ObjectAddress& target, const char* interface, const char* property);

// Appends arguments; false when they could not be added (a text that is
// not UTF-8, no memory).
bool appendString(DBusMessage* message, const std::string& text);
bool appendInt32(DBusMessage* message, std::int32_t number);
bool appendUint32(DBusMessage* message, std::uint32_t number);

// Calls sent together and answered in any order; reply(i) is the answer
// to the i-th call, or nullptr when it failed, timed out or was refused.
class CallBatch {
public:
    CallBatch() = default;
    CallBatch(const CallBatch&) = delete;
    CallBatch& operator=(const CallBatch&) = delete;
    ~CallBatch();

    // Sends a call (nullptr is a call that fails) and returns its index.
    std::size_t add(Message call, int timeoutMs = callTimeoutMs);
    // Waits until every call has its answer or has timed out.
    void wait();
    DBusMessage* reply(std::size_t index) const;

private:
    void askPeerAddress(const std::string& bus);

    struct Pending {
        DBusPendingCall* call = nullptr;
        DBusConnection* connection = nullptr;  // the bus or the application's own
        std::string destination;
        std::uint64_t deadline = 0;  // monotonic microseconds: sent + its time-out
        std::uint64_t timeout = 0;   // microseconds
        Message reply;
    };
    // An application's own address and process, asked with its first call.
    struct PeerQuestion {
        std::string bus;
        std::size_t address, pid;
    };
    std::vector<Pending> pending_;
    std::vector<PeerQuestion> peerQuestions_;
};

// One call on its own: its reply or nullptr.
Message callAndWait(Message call);

// Readers of a reply's first argument; nothing when it has another type.
std::optional<std::string> readString(DBusMessage* reply);
std::optional<std::uint32_t> readUint32(DBusMessage* reply);
std::optional<bool> readBoolean(DBusMessage* reply);
// A Properties.Get reply holding a text or a number.
std::optional<std::string> readVariantString(DBusMessage* reply);
std::optional<double> readVariantNumber(DBusMessage* reply);
// One object reference, (so); the null object is none.
std::optional<ObjectAddress> readObject(DBusMessage* reply);
// A Properties.Get reply holding one object reference (Parent).
std::optional<ObjectAddress> readVariantObject(DBusMessage* reply);
// A list of object references, a(so).
std::optional<std::vector<ObjectAddress>> readObjectList(DBusMessage* reply);
// A list of texts, as.
std::optional<std::vector<std::string>> readStringList(DBusMessage* reply);
// The state set as one 64-bit mask (bit n = state n).
std::optional<std::uint64_t> readStateMask(DBusMessage* reply);
// A rectangle (x, y, width, height) as four 32-bit integers.
struct Extents {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
};
std::optional<Extents> readExtents(DBusMessage* reply);
// The first names of Action.GetActions, a(sss): toolkits put each action's
// localized name there (empty in Chromium, translated in a German GTK), so
// only their count is to be trusted; the stable names come from GetName.
std::optional<std::vector<std::string>> readActionNames(DBusMessage* reply);
// The first target of the relation of this type in a relation set, a(ua(so)).
std::optional<ObjectAddress> readRelationTarget(DBusMessage* reply, std::uint32_t relationType);

}  // namespace platform::atspi
