#include "platform/linux/atspi_records.h"

#include <atspi/atspi-constants.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <tuple>

namespace platform::atspi {
namespace {

// First round: what every accessible object answers, and which further
// interfaces it has. Objects must only be asked through interfaces they
// have: a toolkit answers other calls with a logged assertion failure.
enum CommonCall : std::size_t { role, properties, states, children, relations, interfaces, commonCount };

// Second round: the interface-specific parts, the label's name and the
// localized role name (asked once per application and role: it depends on
// nothing else).
enum DetailCall : std::size_t { text, number, extents, actions, label, localizedRole, detailCount };

using RoleKey = std::pair<std::string, std::uint32_t>;

std::map<RoleKey, std::string>& localizedRoleNames() {
    static std::map<RoleKey, std::string> names;
    return names;
}

template <std::size_t count>
using Calls = std::array<std::optional<std::size_t>, count>;

Calls<commonCount> sendCommonCalls(CallBatch& batch, const ObjectAddress& address) {
    Calls<commonCount> calls;
    calls[role] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetRole"));
    // Name and description in one call.
    Message getAll = methodCall(address, DBUS_INTERFACE_PROPERTIES, "GetAll");
    if (appendString(getAll.get(), ATSPI_DBUS_INTERFACE_ACCESSIBLE)) calls[properties] = batch.add(std::move(getAll));
    calls[states] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetState"));
    calls[children] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetChildren"));
    calls[relations] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetRelationSet"));
    calls[interfaces] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetInterfaces"));
    return calls;
}

Calls<detailCount> sendDetailCalls(CallBatch& batch, const ObjectAddress& address, const ElementRecord& record,
                                   const std::optional<ObjectAddress>& labelledBy, bool needsRoleName) {
    Calls<detailCount> calls;
    if (implements(record, ATSPI_DBUS_INTERFACE_TEXT)) {
        Message call = methodCall(address, ATSPI_DBUS_INTERFACE_TEXT, "GetText");
        if (appendInt32(call.get(), 0) && appendInt32(call.get(), -1)) calls[text] = batch.add(std::move(call));
    }
    if (implements(record, ATSPI_DBUS_INTERFACE_VALUE)) {
        calls[number] = batch.add(propertyGet(address, ATSPI_DBUS_INTERFACE_VALUE, "CurrentValue"));
    }
    if (implements(record, ATSPI_DBUS_INTERFACE_COMPONENT)) {
        Message call = methodCall(address, ATSPI_DBUS_INTERFACE_COMPONENT, "GetExtents");
        if (appendUint32(call.get(), ATSPI_COORD_TYPE_SCREEN)) calls[extents] = batch.add(std::move(call));
    }
    if (implements(record, ATSPI_DBUS_INTERFACE_ACTION)) {
        calls[actions] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACTION, "GetActions"));
    }
    if (labelledBy) calls[label] = batch.add(propertyGet(*labelledBy, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "Name"));
    if (needsRoleName) {
        calls[localizedRole] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetLocalizedRoleName"));
    }
    return calls;
}

DBusMessage* replyTo(const CallBatch& batch, const std::optional<std::size_t>& call) {
    return call ? batch.reply(*call) : nullptr;
}

}  // namespace

void loadRecords(const std::vector<ElementRef*>& elements) {
    CallBatch common;
    std::vector<Calls<commonCount>> commonCalls;
    commonCalls.reserve(elements.size());
    for (ElementRef* element : elements) commonCalls.push_back(sendCommonCalls(common, element->address));
    common.wait();

    CallBatch details;
    std::set<RoleKey> rolesAsked;
    std::vector<Calls<detailCount>> detailCalls;
    detailCalls.reserve(elements.size());
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const auto& calls = commonCalls[i];
        ElementRecord record;
        record.role = readUint32(replyTo(common, calls[role]));
        std::tie(record.name, record.description) =
            readTextProperties(replyTo(common, calls[properties]), "Name", "Description");
        record.states = readStateMask(replyTo(common, calls[states]));
        record.children = readObjectList(replyTo(common, calls[children]));
        // The first element of each role asks for its name, the others reuse it.
        bool needsRoleName = false;
        if (record.role) {
            const RoleKey key{elements[i]->address.bus, *record.role};
            needsRoleName = !localizedRoleNames().count(key) && !rolesAsked.count(key);
            if (needsRoleName) rolesAsked.insert(key);
        }
        record.interfaces = readStringList(replyTo(common, calls[interfaces])).value_or(std::vector<std::string>{});
        const auto labelledBy = readRelationTarget(replyTo(common, calls[relations]), ATSPI_RELATION_LABELLED_BY);
        detailCalls.push_back(sendDetailCalls(details, elements[i]->address, record, labelledBy, needsRoleName));
        elements[i]->record = std::move(record);
    }
    details.wait();

    for (std::size_t i = 0; i < elements.size(); ++i) {
        const auto& calls = detailCalls[i];
        ElementRecord& record = *elements[i]->record;
        record.text = readString(replyTo(details, calls[text]));
        record.number = readVariantNumber(replyTo(details, calls[number]));
        record.extents = readExtents(replyTo(details, calls[extents]));
        record.actions = readActionNames(replyTo(details, calls[actions]));
        record.label = readVariantString(replyTo(details, calls[label]));
        if (!record.role) continue;
        const RoleKey key{elements[i]->address.bus, *record.role};
        if (auto name = readString(replyTo(details, calls[localizedRole]))) localizedRoleNames().emplace(key, *name);
    }
    // Every element of a role gets the name once its first one brought it.
    for (ElementRef* element : elements) {
        ElementRecord& record = *element->record;
        if (!record.role) continue;
        auto known = localizedRoleNames().find(RoleKey{element->address.bus, *record.role});
        if (known != localizedRoleNames().end()) record.localizedRole = known->second;
    }
}

}  // namespace platform::atspi
