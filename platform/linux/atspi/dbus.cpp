#include "platform/linux/atspi/dbus.h"

#include <atspi/atspi-constants.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "platform/linux/atspi/bus.h"
#include "platform/linux/atspi/log_silencer.h"
#include "platform/linux/atspi/peer_connection.h"
#include "platform/timing.h"

namespace platform::atspi {
namespace {

// Applications that let a call time out (hung or gone): further calls to
// them fail at once instead of costing another time-out each.
std::set<std::string>& unresponsiveBuses() {
    static std::set<std::string> buses;
    return buses;
}

// The run's time on the bus counts from its first call (or a restart).
std::optional<std::uint64_t>& budgetClock() {
    static std::optional<std::uint64_t> start;
    return start;
}

std::uint64_t budgetStart() {
    std::optional<std::uint64_t>& start = budgetClock();
    if (!start) start = monotonicMicroseconds();
    return *start;
}

// The time spent so far; the start is taken before the clock is read.
std::uint64_t budgetUsed() {
    const std::uint64_t start = budgetStart();
    return monotonicMicroseconds() - start;
}

bool budgetSpent() { return budgetUsed() > runBudgetMicroseconds; }

int remainingBudgetMs() {
    const std::uint64_t spent = budgetUsed();
    return spent >= runBudgetMicroseconds ? 0 : static_cast<int>((runBudgetMicroseconds - spent) / 1000);
}

bool isTimeOut(DBusMessage* reply) {
    const char* name = dbus_message_get_error_name(reply);
    return name && (std::strcmp(name, DBUS_ERROR_NO_REPLY) == 0 || std::strcmp(name, DBUS_ERROR_TIMEOUT) == 0 ||
                    std::strcmp(name, DBUS_ERROR_TIMED_OUT) == 0);
}

// The first argument of a reply, when it has the given type.
std::optional<DBusMessageIter> firstArgument(DBusMessage* reply, int type) {
    DBusMessageIter iter;
    if (!reply || !dbus_message_iter_init(reply, &iter) || dbus_message_iter_get_arg_type(&iter) != type) {
        return std::nullopt;
    }
    return iter;
}

// The value inside the variant of a Properties.Get reply.
std::optional<DBusMessageIter> variantContent(DBusMessage* reply) {
    auto variant = firstArgument(reply, DBUS_TYPE_VARIANT);
    if (!variant) return std::nullopt;
    DBusMessageIter content;
    dbus_message_iter_recurse(&*variant, &content);
    return content;
}

std::string basicString(DBusMessageIter* iter) {
    const char* text = nullptr;
    dbus_message_iter_get_basic(iter, &text);
    return text ? text : "";
}

// One (so) object reference.
std::optional<ObjectAddress> readObjectReference(DBusMessageIter* structIter) {
    if (dbus_message_iter_get_arg_type(structIter) != DBUS_TYPE_STRUCT) return std::nullopt;
    DBusMessageIter field;
    dbus_message_iter_recurse(structIter, &field);
    if (dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_STRING) return std::nullopt;
    ObjectAddress address;
    address.bus = basicString(&field);
    if (!dbus_message_iter_next(&field) || dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_OBJECT_PATH) {
        return std::nullopt;
    }
    address.path = basicString(&field);
    return address;
}

}  // namespace

DBusConnection* accessibilityBus() {
    static bool opened = false;
    static Connection bus;
    if (!opened) {
        opened = true;
        silenceGlibLogging();
        if (auto address = accessibilityBusAddress()) bus = connectToBus(*address);
    }
    if (bus && !dbus_connection_get_is_connected(bus.get())) return nullptr;
    return bus.get();
}

Message methodCall(const ObjectAddress& target, const char* interface, const char* method) {
    // libdbus reports invalid names on stderr, so they are checked first.
    if (target.bus.empty() || target.path.empty() || target.path == ATSPI_DBUS_PATH_NULL) return nullptr;
    if (!dbus_validate_bus_name(target.bus.c_str(), nullptr) || !dbus_validate_path(target.path.c_str(), nullptr)) {
        return nullptr;
    }
    if (unresponsiveBuses().count(target.bus)) return nullptr;
    return Message(dbus_message_new_method_call(target.bus.c_str(), target.path.c_str(), interface, method));
}

Message propertyGet(const ObjectAddress& target, const char* interface, const char* property) {
    Message call = methodCall(target, DBUS_INTERFACE_PROPERTIES, "Get");
    if (!call) return nullptr;
    const char* names[] = {interface, property};
    if (!dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &names[0], DBUS_TYPE_STRING, &names[1],
                                  DBUS_TYPE_INVALID)) {
        return nullptr;
    }
    return call;
}

bool appendString(DBusMessage* message, const std::string& text) {
    // libdbus refuses (and complains about) text that is not UTF-8 or holds NUL.
    if (!message || text.find('\0') != std::string::npos || !dbus_validate_utf8(text.c_str(), nullptr)) return false;
    const char* data = text.c_str();
    return dbus_message_append_args(message, DBUS_TYPE_STRING, &data, DBUS_TYPE_INVALID);
}

bool appendInt32(DBusMessage* message, std::int32_t number) {
    dbus_int32_t value = number;
    return message && dbus_message_append_args(message, DBUS_TYPE_INT32, &value, DBUS_TYPE_INVALID);
}

bool appendUint32(DBusMessage* message, std::uint32_t number) {
    dbus_uint32_t value = number;
    return message && dbus_message_append_args(message, DBUS_TYPE_UINT32, &value, DBUS_TYPE_INVALID);
}

CallBatch::~CallBatch() {
    for (Pending& entry : pending_) {
        if (entry.call) {
            dbus_pending_call_cancel(entry.call);
            dbus_pending_call_unref(entry.call);
        }
    }
}

bool stoppedAnswering(const std::string& bus) { return unresponsiveBuses().count(bus) > 0; }

void restartRunBudget() { budgetClock() = monotonicMicroseconds(); }

std::size_t CallBatch::add(Message call, int timeoutMs) {
    Pending entry;
    if (call && dbus_message_get_destination(call.get())) entry.destination = dbus_message_get_destination(call.get());
    if (call && takePeerQuestion(entry.destination)) askPeerAddress(entry.destination);
    DBusConnection* connection = call ? connectionTo(entry.destination) : nullptr;
    if (connection) {
        // No call may be waited for past the run's budget.
        const int limit = std::max(1, std::min(timeoutMs, remainingBudgetMs()));
        entry.timeout = static_cast<std::uint64_t>(limit) * 1000;
        entry.deadline = monotonicMicroseconds() + entry.timeout;
        entry.connection = connection;
        if (!dbus_connection_send_with_reply(connection, call.get(), &entry.call, limit)) entry.call = nullptr;
    }
    pending_.push_back(std::move(entry));
    return pending_.size() - 1;
}

void CallBatch::askPeerAddress(const std::string& bus) {
    const ObjectAddress root{bus, ATSPI_DBUS_PATH_ROOT};
    const std::size_t address = add(methodCall(root, ATSPI_DBUS_INTERFACE_APPLICATION, "GetApplicationBusAddress"));
    Message pidCall = methodCall(ObjectAddress{DBUS_SERVICE_DBUS, DBUS_PATH_DBUS}, DBUS_INTERFACE_DBUS,
                                 "GetConnectionUnixProcessID");
    if (!appendString(pidCall.get(), bus)) pidCall.reset();
    peerQuestions_.push_back({bus, address, add(std::move(pidCall))});
}

namespace {

// Reads and dispatches the connection's messages until the call has its
// answer or its own deadline (counted from when it was sent) has passed:
// libdbus's blocking wait would count the time-out from when one starts
// waiting, so calls to several stopped applications would cost a time-out
// each instead of one together. Past the deadline, what already arrived is
// still read: an answer that came over another connection while the batch
// waited for a stopped application counts.
// At most this many reads of what is waiting, once the deadline has passed.
constexpr int lateReads = 64;

bool awaitUntil(DBusConnection* bus, DBusPendingCall* call, std::uint64_t deadline) {
    while (!dbus_pending_call_get_completed(call)) {
        const std::uint64_t now = monotonicMicroseconds();
        if (now >= deadline) {
            for (int read = 0; read < lateReads && !dbus_pending_call_get_completed(call); ++read) {
                if (!dbus_connection_read_write_dispatch(bus, 0)) break;
            }
            return dbus_pending_call_get_completed(call);
        }
        const int left = static_cast<int>(std::min<std::uint64_t>((deadline - now + 999) / 1000, 60000));
        if (!dbus_connection_read_write_dispatch(bus, left)) return false;
    }
    return true;
}

}  // namespace

void CallBatch::wait() {
    // An application that keeps answering a long batch is given each call's
    // time-out again from its last answer; one that does not answer at all
    // is given up when its calls' time-outs run out, all at once.
    std::map<std::string, std::uint64_t> lastAnswer;
    for (Pending& entry : pending_) {
        if (!entry.call) continue;
        // The other calls to an application that just timed out are given
        // up at once instead of costing a time-out each.
        if (!unresponsiveBuses().count(entry.destination) && budgetSpent()) {
            unresponsiveBuses().insert(entry.destination);
        }
        std::uint64_t deadline = entry.deadline;
        if (auto last = lastAnswer.find(entry.destination); last != lastAnswer.end()) {
            deadline = std::max(deadline, std::min(last->second + entry.timeout, budgetStart() + runBudgetMicroseconds));
        }
        const bool answered =
            !unresponsiveBuses().count(entry.destination) && awaitUntil(entry.connection, entry.call, deadline);
        if (answered) lastAnswer[entry.destination] = monotonicMicroseconds();
        if (!answered) {
            if (!dbus_pending_call_get_completed(entry.call) && !entry.destination.empty()) {
                unresponsiveBuses().insert(entry.destination);
            }
            dbus_pending_call_cancel(entry.call);
            dbus_pending_call_unref(entry.call);
            entry.call = nullptr;
            continue;
        }
        Message reply(dbus_pending_call_steal_reply(entry.call));
        dbus_pending_call_unref(entry.call);
        entry.call = nullptr;
        if (!reply) continue;
        if (dbus_message_get_type(reply.get()) == DBUS_MESSAGE_TYPE_METHOD_RETURN) {
            entry.reply = std::move(reply);
        } else if (isTimeOut(reply.get()) && !entry.destination.empty()) {
            unresponsiveBuses().insert(entry.destination);
        }
    }
    for (const PeerQuestion& question : peerQuestions_) {
        openPeerConnection(question.bus, reply(question.address), reply(question.pid));
    }
    peerQuestions_.clear();
}

DBusMessage* CallBatch::reply(std::size_t index) const {
    return index < pending_.size() ? pending_[index].reply.get() : nullptr;
}

Message callAndWait(Message call) {
    CallBatch batch;
    batch.add(std::move(call));
    batch.wait();
    DBusMessage* reply = batch.reply(0);
    return Message(reply ? dbus_message_ref(reply) : nullptr);
}

std::optional<std::string> readString(DBusMessage* reply) {
    auto iter = firstArgument(reply, DBUS_TYPE_STRING);
    if (!iter) return std::nullopt;
    return basicString(&*iter);
}

std::optional<std::uint32_t> readUint32(DBusMessage* reply) {
    auto iter = firstArgument(reply, DBUS_TYPE_UINT32);
    if (!iter) return std::nullopt;
    dbus_uint32_t value = 0;
    dbus_message_iter_get_basic(&*iter, &value);
    return value;
}

std::optional<bool> readBoolean(DBusMessage* reply) {
    auto iter = firstArgument(reply, DBUS_TYPE_BOOLEAN);
    if (!iter) return std::nullopt;
    dbus_bool_t value = FALSE;
    dbus_message_iter_get_basic(&*iter, &value);
    return value != FALSE;
}

std::optional<std::string> readVariantString(DBusMessage* reply) {
    auto content = variantContent(reply);
    if (!content || dbus_message_iter_get_arg_type(&*content) != DBUS_TYPE_STRING) return std::nullopt;
    return basicString(&*content);
}

std::optional<double> readVariantNumber(DBusMessage* reply) {
    auto content = variantContent(reply);
    if (!content) return std::nullopt;
    DBusBasicValue value;
    switch (dbus_message_iter_get_arg_type(&*content)) {
    case DBUS_TYPE_DOUBLE:
        dbus_message_iter_get_basic(&*content, &value);
        return value.dbl;
    case DBUS_TYPE_INT32:
        dbus_message_iter_get_basic(&*content, &value);
        return value.i32;
    case DBUS_TYPE_UINT32:
        dbus_message_iter_get_basic(&*content, &value);
        return value.u32;
    case DBUS_TYPE_INT64:
        dbus_message_iter_get_basic(&*content, &value);
        return static_cast<double>(value.i64);
    default:
        return std::nullopt;
    }
}

std::optional<ObjectAddress> readObject(DBusMessage* reply) {
    auto iter = firstArgument(reply, DBUS_TYPE_STRUCT);
    if (!iter) return std::nullopt;
    auto object = readObjectReference(&*iter);
    if (!object || object->path == ATSPI_DBUS_PATH_NULL) return std::nullopt;
    return object;
}

std::optional<ObjectAddress> readVariantObject(DBusMessage* reply) {
    auto content = variantContent(reply);
    if (!content) return std::nullopt;
    auto object = readObjectReference(&*content);
    if (!object || object->path == ATSPI_DBUS_PATH_NULL) return std::nullopt;
    return object;
}

std::optional<std::vector<ObjectAddress>> readObjectList(DBusMessage* reply) {
    auto iter = firstArgument(reply, DBUS_TYPE_ARRAY);
    if (!iter) return std::nullopt;
    std::vector<ObjectAddress> objects;
    DBusMessageIter entry;
    dbus_message_iter_recurse(&*iter, &entry);
    while (dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_INVALID) {
        auto object = readObjectReference(&entry);
        if (!object) return std::nullopt;
        objects.push_back(std::move(*object));
        dbus_message_iter_next(&entry);
    }
    return objects;
}

std::optional<std::vector<std::string>> readStringList(DBusMessage* reply) {
    auto iter = firstArgument(reply, DBUS_TYPE_ARRAY);
    if (!iter || dbus_message_iter_get_element_type(&*iter) != DBUS_TYPE_STRING) return std::nullopt;
    std::vector<std::string> texts;
    DBusMessageIter entry;
    dbus_message_iter_recurse(&*iter, &entry);
    for (; dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_STRING; dbus_message_iter_next(&entry)) {
        texts.push_back(basicString(&entry));
    }
    return texts;
}

std::optional<std::uint64_t> readStateMask(DBusMessage* reply) {
    auto iter = firstArgument(reply, DBUS_TYPE_ARRAY);
    if (!iter || dbus_message_iter_get_element_type(&*iter) != DBUS_TYPE_UINT32) return std::nullopt;
    DBusMessageIter word;
    dbus_message_iter_recurse(&*iter, &word);
    std::uint64_t mask = 0;
    for (int shift = 0; shift < 64 && dbus_message_iter_get_arg_type(&word) == DBUS_TYPE_UINT32; shift += 32) {
        dbus_uint32_t bits = 0;
        dbus_message_iter_get_basic(&word, &bits);
        mask |= static_cast<std::uint64_t>(bits) << shift;
        dbus_message_iter_next(&word);
    }
    return mask;
}

std::optional<Extents> readExtents(DBusMessage* reply) {
    auto iter = firstArgument(reply, DBUS_TYPE_STRUCT);
    if (!iter) return std::nullopt;
    DBusMessageIter field;
    dbus_message_iter_recurse(&*iter, &field);
    std::int32_t values[4] = {};
    for (std::int32_t& value : values) {
        if (dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_INT32) return std::nullopt;
        dbus_int32_t number = 0;
        dbus_message_iter_get_basic(&field, &number);
        value = number;
        dbus_message_iter_next(&field);
    }
    return Extents{values[0], values[1], values[2], values[3]};
}

std::optional<std::vector<std::string>> readActionNames(DBusMessage* reply) {
    auto iter = firstArgument(reply, DBUS_TYPE_ARRAY);
    if (!iter) return std::nullopt;
    std::vector<std::string> names;
    DBusMessageIter entry;
    dbus_message_iter_recurse(&*iter, &entry);
    while (dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_STRUCT) {
        DBusMessageIter field;
        dbus_message_iter_recurse(&entry, &field);
        if (dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_STRING) return std::nullopt;
        names.push_back(basicString(&field));
        dbus_message_iter_next(&entry);
    }
    return names;
}

std::optional<ObjectAddress> readRelationTarget(DBusMessage* reply, std::uint32_t relationType) {
    auto iter = firstArgument(reply, DBUS_TYPE_ARRAY);
    if (!iter) return std::nullopt;
    DBusMessageIter relation;
    dbus_message_iter_recurse(&*iter, &relation);
    for (; dbus_message_iter_get_arg_type(&relation) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&relation)) {
        DBusMessageIter field;
        dbus_message_iter_recurse(&relation, &field);
        if (dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_UINT32) continue;
        dbus_uint32_t type = 0;
        dbus_message_iter_get_basic(&field, &type);
        if (type != relationType || !dbus_message_iter_next(&field) ||
            dbus_message_iter_get_arg_type(&field) != DBUS_TYPE_ARRAY) {
            continue;
        }
        DBusMessageIter target;
        dbus_message_iter_recurse(&field, &target);
        if (auto address = readObjectReference(&target)) return address;
    }
    return std::nullopt;
}

}  // namespace platform::atspi
