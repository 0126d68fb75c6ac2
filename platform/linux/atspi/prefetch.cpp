// Fetching a subtree ahead of a walk, level by level.
//
// A depth-first walk asks for one sibling group at a time, and on a web
// page most parents have one to four children: the walk then waits for
// two or three round trips per group, and each of them also waits for the
// application's main loop to come round. Asking every element of a tree
// level at once costs those round trips once per level.
#include "platform/linux/atspi/prefetch.h"

#include <map>
#include <set>
#include <utility>

#include "platform/accessibility.h"
#include "platform/linux/atspi/records.h"

namespace platform::atspi {
namespace {

using AddressKey = std::pair<std::string, std::string>;

// Fetched records are kept for one walk; beyond this many elements the
// walk fetches the rest as it goes.
constexpr std::size_t prefetchLimit = 50000;

std::map<AddressKey, ElementRecord>& prefetched() {
    static std::map<AddressKey, ElementRecord> records;
    return records;
}

AddressKey keyOf(const ObjectAddress& address) { return {address.bus, address.path}; }

}  // namespace

std::optional<ElementRecord> takePrefetchedRecord(const ObjectAddress& address) {
    auto& records = prefetched();
    auto found = records.find(keyOf(address));
    if (found == records.end()) return std::nullopt;
    std::optional<ElementRecord> record = std::move(found->second);
    records.erase(found);
    return record;
}

}  // namespace platform::atspi

namespace platform {

void prefetchSubtree(const Element& element, const SubtreeReading& reading) {
    using namespace atspi;
    // What an earlier walk left is not trusted: the tree may have changed since.
    prefetched().clear();
    const ElementRecord* root = elementRecord(element);
    if (reading.levels <= 0 || !root || !root->children) return;

    RecordParts parts;
    parts.names = reading.names;
    parts.values = reading.values;
    parts.details = reading.details;
    parts.shownTextCharacters = reading.shownValueCharacters;

    std::set<AddressKey> seen{keyOf(element.ref()->address)};
    std::vector<ObjectAddress> level = *root->children;
    for (std::int64_t depth = 1; depth <= reading.levels && !level.empty(); ++depth) {
        std::vector<Element> members;
        std::vector<ElementRef*> refs;
        for (ObjectAddress& address : level) {
            if (seen.size() > prefetchLimit) break;
            // A child list that leads back up, or names an element twice, is fetched once.
            if (!seen.insert(keyOf(address)).second) continue;
            members.push_back(makeElement(std::move(address)));
            if (!members.back().ref()->address.bus.empty()) refs.push_back(members.back().ref());
        }
        if (refs.empty()) break;
        loadRecords(refs, parts);
        std::vector<ObjectAddress> next;
        for (ElementRef* ref : refs) {
            if (depth < reading.levels && ref->record->children) {
                next.insert(next.end(), ref->record->children->begin(), ref->record->children->end());
            }
            prefetched().emplace(keyOf(ref->address), std::move(*ref->record));
            ref->record.reset();
        }
        level = std::move(next);
    }
}

}  // namespace platform
