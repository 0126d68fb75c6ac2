#include "platform/linux/atspi/records.h"

#include <atspi/atspi-constants.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "platform/linux/atspi/actions.h"
#include "platform/linux/atspi/embedding.h"
#include "platform/linux/atspi/text_cut.h"
#include "platform/linux/atspi/toolkit.h"
#include "platform/timing.h"

namespace platform::atspi {
namespace {

// First round: what every accessible object answers, and which further
// interfaces it has. Objects must only be asked through interfaces they
// have: a toolkit answers other calls with a logged assertion failure.
enum CommonCall : std::size_t {
    role, name, description, states, children, childCount, relations, interfaces, commonCount
};

// Second round: the interface-specific parts, the label's name and the
// localized role name (asked once per application and role: it depends on
// nothing else).
enum DetailCall : std::size_t { text, number, extents, actions, actionCount, label, localizedRole, detailCount };

using RoleKey = std::pair<std::string, std::uint32_t>;

std::map<RoleKey, std::string>& localizedRoleNames() {
    static std::map<RoleKey, std::string> names;
    return names;
}

template <std::size_t count>
using Calls = std::array<std::optional<std::size_t>, count>;

Calls<commonCount> sendCommonCalls(CallBatch& batch, const ObjectAddress& address, const RecordParts& parts) {
    Calls<commonCount> calls;
    calls[role] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetRole"));
    // Qt 5 and 6 crash on Properties.GetAll of the Accessible interface
    // (their adaptor converts every property, some of which it cannot), so
    // each property is asked on its own; pipelined, that costs no round trip.
    if (parts.names) {
        calls[name] = batch.add(propertyGet(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "Name"));
        calls[description] = batch.add(propertyGet(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "Description"));
        calls[relations] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetRelationSet"));
    }
    calls[states] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetState"));
    if (applicationQuirks(address.bus).childrenByIndex) {
        calls[childCount] =
            batch.add(propertyGet(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "ChildCount"), childListTimeoutMs);
    } else {
        calls[children] =
            batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetChildren"), childListTimeoutMs);
    }
    if (parts.values || parts.details) {
        calls[interfaces] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetInterfaces"));
    }
    return calls;
}

// The text from its start to `end` (-1: the whole text).
std::size_t sendTextCall(CallBatch& batch, const ObjectAddress& address, std::int32_t end) {
    Message call = methodCall(address, ATSPI_DBUS_INTERFACE_TEXT, "GetText");
    if (!appendInt32(call.get(), 0) || !appendInt32(call.get(), end)) call.reset();
    return batch.add(std::move(call));
}

Calls<detailCount> sendDetailCalls(CallBatch& batch, const ObjectAddress& address, const ElementRecord& record,
                                   const std::optional<ObjectAddress>& labelledBy, bool needsRoleName,
                                   const RecordParts& parts) {
    Calls<detailCount> calls;
    if (parts.values && implements(record, ATSPI_DBUS_INTERFACE_TEXT)) {
        calls[text] = sendTextCall(batch, address, cutTextRequest(parts));
    }
    if (parts.values && implements(record, ATSPI_DBUS_INTERFACE_VALUE)) {
        calls[number] = batch.add(propertyGet(address, ATSPI_DBUS_INTERFACE_VALUE, "CurrentValue"));
    }
    if (parts.details && implements(record, ATSPI_DBUS_INTERFACE_COMPONENT)) {
        Message call = methodCall(address, ATSPI_DBUS_INTERFACE_COMPONENT, "GetExtents");
        const bool relative = applicationQuirks(address.bus).extentsRelativeToWindow;
        if (appendUint32(call.get(), relative ? ATSPI_COORD_TYPE_WINDOW : ATSPI_COORD_TYPE_SCREEN)) {
            calls[extents] = batch.add(std::move(call));
        }
    }
    if (parts.details && implements(record, ATSPI_DBUS_INTERFACE_ACTION)) {
        if (applicationQuirks(address.bus).listsActions) {
            calls[actions] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACTION, "GetActions"));
        } else {
            calls[actionCount] = batch.add(propertyGet(address, ATSPI_DBUS_INTERFACE_ACTION, "NActions"));
        }
    }
    if (parts.names && labelledBy) {
        calls[label] = batch.add(propertyGet(*labelledBy, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "Name"));
    }
    if (parts.names && needsRoleName) {
        calls[localizedRole] = batch.add(methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetLocalizedRoleName"));
    }
    return calls;
}

DBusMessage* replyTo(const CallBatch& batch, const std::optional<std::size_t>& call) {
    return call ? batch.reply(*call) : nullptr;
}

// Actions known by their count alone: each is named by its index later
// (see loadActionNames).
constexpr double actionLimit = 64;

std::optional<std::vector<std::string>> unnamedActions(std::optional<double> count) {
    if (!count || !(*count >= 0)) return std::nullopt;
    return std::vector<std::string>(static_cast<std::size_t>(std::min(*count, actionLimit)));
}

// Children one by one, for toolkits whose GetChildren leaves some out.
constexpr double childLimit = 100000;

std::vector<std::size_t> sendChildCalls(CallBatch& batch, const ObjectAddress& address, std::optional<double> count) {
    std::vector<std::size_t> calls;
    if (!count || !(*count > 0)) return calls;
    const auto total = static_cast<std::int32_t>(std::min(*count, childLimit));
    for (std::int32_t index = 0; index < total; ++index) {
        Message call = methodCall(address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetChildAtIndex");
        if (!appendInt32(call.get(), index)) call.reset();
        calls.push_back(batch.add(std::move(call)));
    }
    return calls;
}

// The children that could be read, in order.
std::vector<ObjectAddress> readChildren(const CallBatch& batch, const std::vector<std::size_t>& calls) {
    std::vector<ObjectAddress> children;
    for (std::size_t call : calls) {
        if (auto child = readObject(batch.reply(call))) children.push_back(std::move(*child));
    }
    return children;
}

// The ATK bridge lists none of an occupied socket's children in
// GetChildren, while ChildCount counts its plug and GetChildAtIndex gives
// it: WebKitGTK's web view in a GTK 3 window is such a socket (a filler),
// with the page in the web process behind it. So where the list came back
// empty, the count is asked along with the second round, and a disagreeing
// element's children are read one by one in a third, for that element only.
// Only the roles a socket takes are asked (a filler, a panel, an embedded
// component, or none given): about half of all elements have no children,
// and nearly all of them are texts, labels, buttons and cells.
bool mayHaveUnlistedChildren(const ElementRecord& record) {
    if (!record.children || !record.children->empty() || !record.role) return false;
    switch (*record.role) {
        case ATSPI_ROLE_FILLER:
        case ATSPI_ROLE_PANEL:
        case ATSPI_ROLE_EMBEDDED:
        case ATSPI_ROLE_UNKNOWN:
            return true;
        default:
            return false;
    }
}

void readUnlistedChildren(const std::vector<ElementRef*>& elements, const CallBatch& details,
                          const std::vector<std::optional<std::size_t>>& countCalls) {
    CallBatch byIndex;
    std::vector<std::pair<ElementRef*, std::vector<std::size_t>>> calls;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (!countCalls[i]) continue;
        auto childCalls = sendChildCalls(byIndex, elements[i]->address, readVariantNumber(details.reply(*countCalls[i])));
        if (!childCalls.empty()) calls.emplace_back(elements[i], std::move(childCalls));
    }
    if (calls.empty()) return;
    byIndex.wait();
    for (const auto& [element, childCalls] : calls) element->record->children = readChildren(byIndex, childCalls);
}

// Third round, only for actions whose listed name is not a verb we know:
// the stable name by the action's index (GetActions gave their count). An
// index past the count is never asked: Qt's adaptor reads its list without
// a bounds check. A translated name stands for the same verb on every
// element of an application, so it is asked once per run; an empty one
// (Chromium lists no names) is asked every time. A name that cannot be
// read, or is empty, keeps the listed one.
using ListedName = std::pair<std::string, std::string>;  // bus, listed name

std::map<ListedName, std::string>& stableNames() {
    static std::map<ListedName, std::string> names;
    return names;
}

void loadActionNames(const std::vector<ElementRef*>& elements) {
    CallBatch batch;
    struct Asked {
        std::size_t element, index, call;
    };
    std::vector<Asked> calls;
    std::vector<std::pair<std::size_t, std::size_t>> waiting;  // for a name asked of another element
    std::set<ListedName> asking;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        auto& actions = elements[i]->record->actions;
        if (!actions) continue;
        for (std::size_t index = 0; index < actions->size() && index <= 0x7fffffff; ++index) {
            std::string& listed = (*actions)[index];
            if (isKnownVerb(listed)) continue;
            const ListedName key{elements[i]->address.bus, listed};
            if (!listed.empty()) {
                if (auto known = stableNames().find(key); known != stableNames().end()) {
                    listed = known->second;
                    continue;
                }
                if (!asking.insert(key).second) {
                    waiting.emplace_back(i, index);
                    continue;
                }
            }
            Message call = methodCall(elements[i]->address, ATSPI_DBUS_INTERFACE_ACTION, "GetName");
            if (!appendInt32(call.get(), static_cast<std::int32_t>(index))) continue;
            calls.push_back({i, index, batch.add(std::move(call))});
        }
    }
    if (calls.empty()) return;
    batch.wait();
    for (const Asked& asked : calls) {
        std::string& listed = (*elements[asked.element]->record->actions)[asked.index];
        auto name = readString(batch.reply(asked.call));
        if (!name || name->empty()) continue;
        if (!listed.empty()) stableNames()[{elements[asked.element]->address.bus, listed}] = *name;
        listed = std::move(*name);
    }
    for (const auto& [element, index] : waiting) {
        std::string& listed = (*elements[element]->record->actions)[index];
        auto known = stableNames().find({elements[element]->address.bus, listed});
        if (known != stableNames().end()) listed = known->second;
    }
}

// Firefox builds a page's tree while the page loads and marks the document
// BUSY until it is done; a walk that read it then would see a half-empty
// tree. Such documents are asked again until they are ready, within one
// second for the whole run, and then read afresh.
constexpr std::uint32_t busyPollMicroseconds = 50000;
constexpr std::uint32_t busyBudgetMicroseconds = 1000000;

bool isLoadingDocument(const ElementRecord& record) {
    const bool document = record.role == std::optional<std::uint32_t>(ATSPI_ROLE_DOCUMENT_WEB) ||
                          record.role == std::optional<std::uint32_t>(ATSPI_ROLE_DOCUMENT_FRAME);
    return document && hasState(record, ATSPI_STATE_BUSY);
}

std::vector<ElementRef*> waitWhileLoading(std::vector<ElementRef*> loading) {
    static std::uint32_t waited = 0;
    std::vector<ElementRef*> ready;
    while (!loading.empty() && waited < busyBudgetMicroseconds) {
        sleepMicroseconds(busyPollMicroseconds);
        waited += busyPollMicroseconds;
        CallBatch batch;
        std::vector<std::size_t> calls;
        for (ElementRef* element : loading) {
            calls.push_back(batch.add(methodCall(element->address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetState")));
        }
        batch.wait();
        std::vector<ElementRef*> still;
        for (std::size_t i = 0; i < loading.size(); ++i) {
            ElementRecord probe;
            probe.role = ATSPI_ROLE_DOCUMENT_WEB;
            probe.states = readStateMask(batch.reply(calls[i]));
            (isLoadingDocument(probe) ? still : ready).push_back(loading[i]);
        }
        loading = std::move(still);
    }
    // Past the budget, they are read as they are.
    ready.insert(ready.end(), loading.begin(), loading.end());
    return ready;
}

// The whole texts of the elements whose cut text may lack shown characters.
void completeCutTexts(const std::vector<ElementRef*>& elements, const RecordParts& parts) {
    const std::int32_t request = cutTextRequest(parts);
    if (request < 0) return;
    std::vector<std::pair<ElementRef*, std::size_t>> calls;
    CallBatch batch;
    for (ElementRef* element : elements) {
        const auto& cut = element->record->text;
        if (cut && mayLackShownCharacters(*cut, request, parts)) {
            calls.emplace_back(element, sendTextCall(batch, element->address, -1));
        }
    }
    if (calls.empty()) return;
    batch.wait();
    for (const auto& [element, call] : calls) element->record->text = readString(batch.reply(call));
}

void loadRecordsOnce(const std::vector<ElementRef*>& elements, const RecordParts& parts) {
    CallBatch common;
    std::vector<Calls<commonCount>> commonCalls;
    commonCalls.reserve(elements.size());
    std::vector<ToolkitCalls> toolkitCalls;
    for (ElementRef* element : elements) {
        if (auto calls = askToolkitOnce(common, element->address.bus)) toolkitCalls.push_back(std::move(*calls));
        commonCalls.push_back(sendCommonCalls(common, element->address, parts));
    }
    common.wait();
    for (const ToolkitCalls& calls : toolkitCalls) rememberToolkit(common, calls);

    CallBatch details;
    std::set<RoleKey> rolesAsked;
    std::vector<Calls<detailCount>> detailCalls;
    detailCalls.reserve(elements.size());
    std::vector<std::vector<std::size_t>> childCalls(elements.size());
    std::vector<std::optional<std::size_t>> countCalls(elements.size());
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const auto& calls = commonCalls[i];
        ElementRecord record;
        record.parts = parts;
        record.role = readUint32(replyTo(common, calls[role]));
        record.name = readVariantString(replyTo(common, calls[name]));
        record.description = readVariantString(replyTo(common, calls[description]));
        record.states = readStateMask(replyTo(common, calls[states]));
        if (calls[childCount]) {
            childCalls[i] = sendChildCalls(details, elements[i]->address, readVariantNumber(replyTo(common, calls[childCount])));
        } else {
            record.children = readObjectList(replyTo(common, calls[children]));
            if (mayHaveUnlistedChildren(record)) {
                countCalls[i] = details.add(propertyGet(elements[i]->address, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "ChildCount"));
            }
        }
        // The first element of each role asks for its name, the others reuse it.
        bool needsRoleName = false;
        if (record.role) {
            const RoleKey key{elements[i]->address.bus, *record.role};
            needsRoleName = !localizedRoleNames().count(key) && !rolesAsked.count(key);
            if (needsRoleName) rolesAsked.insert(key);
        }
        record.interfaces = readStringList(replyTo(common, calls[interfaces])).value_or(std::vector<std::string>{});
        const auto labelledBy = readRelationTarget(replyTo(common, calls[relations]), ATSPI_RELATION_LABELLED_BY);
        detailCalls.push_back(sendDetailCalls(details, elements[i]->address, record, labelledBy, needsRoleName, parts));
        elements[i]->record = std::move(record);
    }
    details.wait();

    for (std::size_t i = 0; i < elements.size(); ++i) {
        const auto& calls = detailCalls[i];
        ElementRecord& record = *elements[i]->record;
        record.text = readString(replyTo(details, calls[text]));
        record.number = readVariantNumber(replyTo(details, calls[number]));
        record.extents = readExtents(replyTo(details, calls[extents]));
        record.actions = calls[actionCount] ? unnamedActions(readVariantNumber(replyTo(details, calls[actionCount])))
                                            : readActionNames(replyTo(details, calls[actions]));
        record.label = readVariantString(replyTo(details, calls[label]));
        if (commonCalls[i][childCount]) record.children = readChildren(details, childCalls[i]);
        if (!record.role) continue;
        const RoleKey key{elements[i]->address.bus, *record.role};
        if (auto name = readString(replyTo(details, calls[localizedRole]))) localizedRoleNames().emplace(key, *name);
    }
    readUnlistedChildren(elements, details, countCalls);
    dropForeignChildren(elements);
    completeCutTexts(elements, parts);
    if (parts.details) {
        loadActionNames(elements);
        for (ElementRef* element : elements) nameDefaultPress(*element->record);
    }
    // Every element of a role gets the name once its first one brought it.
    for (ElementRef* element : elements) {
        ElementRecord& record = *element->record;
        if (!record.role) continue;
        auto known = localizedRoleNames().find(RoleKey{element->address.bus, *record.role});
        if (known != localizedRoleNames().end()) record.localizedRole = known->second;
    }
}

}  // namespace

void loadRecords(const std::vector<ElementRef*>& elements, const RecordParts& parts) {
    loadRecordsOnce(elements, parts);
    std::vector<ElementRef*> loading;
    for (ElementRef* element : elements) {
        if (isLoadingDocument(*element->record)) loading.push_back(element);
    }
    if (loading.empty()) return;
    std::vector<ElementRef*> ready = waitWhileLoading(std::move(loading));
    for (ElementRef* element : ready) element->record.reset();
    loadRecordsOnce(ready, parts);
}

}  // namespace platform::atspi
