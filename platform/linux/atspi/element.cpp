#include "platform/linux/atspi/element.h"

#include <algorithm>

#include "platform/linux/atspi/prefetch.h"
#include "platform/linux/atspi/records.h"

namespace platform {

void retainElementRef(ElementRef* ref) noexcept { ++ref->references; }

void releaseElementRef(ElementRef* ref) noexcept {
    if (--ref->references > 0) return;
    if (ref->group) ref->group->members[ref->indexInGroup] = nullptr;
    delete ref;
}

}  // namespace platform

namespace platform::atspi {
namespace {

// At most this many siblings are fetched in one batch.
constexpr std::size_t groupBatchSize = 256;

}  // namespace

Element makeElement(ObjectAddress address) {
    auto* ref = new ElementRef;
    ref->address = std::move(address);
    return Element(ref);
}

std::vector<Element> makeSiblingElements(const std::vector<ObjectAddress>& addresses,
                                         const std::shared_ptr<TopLevel>& topLevel) {
    auto group = std::make_shared<SiblingGroup>();
    std::vector<Element> elements;
    elements.reserve(addresses.size());
    for (const ObjectAddress& address : addresses) {
        Element element = makeElement(address);
        element.ref()->group = group;
        element.ref()->topLevel = topLevel;
        element.ref()->indexInGroup = group->members.size();
        group->members.push_back(element.ref());
        elements.push_back(std::move(element));
    }
    return elements;
}

const ElementRecord* elementRecord(const Element& element, const RecordParts& needed) {
    ElementRef* ref = element.ref();
    if (!ref || ref->address.bus.empty()) return nullptr;
    if (!ref->record) ref->record = takePrefetchedRecord(ref->address);
    if (!ref->record || !ref->record->parts.cover(needed)) {
        // The element and the siblings after it that lack the same: walks
        // read siblings in order, while a path lookup through a long list
        // stops at one.
        std::vector<ElementRef*> pending{ref};
        if (ref->group) {
            const auto& members = ref->group->members;
            for (std::size_t i = ref->indexInGroup + 1; i < members.size() && pending.size() < groupBatchSize; ++i) {
                ElementRef* member = members[i];
                if (!member || member->address.bus.empty()) continue;
                if (!member->record) member->record = takePrefetchedRecord(member->address);
                if (!member->record || !member->record->parts.cover(needed)) pending.push_back(member);
            }
        }
        for (ElementRef* member : pending) member->record.reset();
        loadRecords(pending);
    }
    return &*ref->record;
}

void forgetRecord(const Element& element) {
    if (element.ref()) element.ref()->record.reset();
}

bool implements(const ElementRecord& record, std::string_view interface) {
    return std::find(record.interfaces.begin(), record.interfaces.end(), interface) != record.interfaces.end();
}

bool hasState(const ElementRecord& record, std::uint32_t state) {
    return state < 64 && record.states && ((*record.states >> state) & 1U) != 0;
}

}  // namespace platform::atspi
