// Fetching a subtree level by level: one batch of calls per level instead
// of one per sibling group, for walks that are about to read it all.
#include "platform/accessibility.h"
#include "platform/linux/atspi_element.h"
#include "platform/linux/atspi_records.h"

namespace platform {
namespace {

// Beyond this many elements the rest of a walk fetches as it goes, so a
// huge tree cannot hold the application busy in one long burst.
constexpr std::size_t prefetchLimit = 20000;

}  // namespace

void prefetchDescendants(const Element& element, std::int64_t depth) {
    if (depth <= 0 || !atspi::elementRecord(element)) return;
    std::vector<ElementRef*> level{element.ref()};
    std::size_t fetched = 0;
    for (std::int64_t below = 0; below < depth && !level.empty() && fetched < prefetchLimit; ++below) {
        std::vector<ElementRef*> next;
        std::vector<ElementRef*> unfetched;
        for (ElementRef* parent : level) {
            if (!parent->record) continue;
            if (!parent->prefetchedChildren) {
                if (!parent->record->children) continue;
                parent->prefetchedChildren = atspi::makeSiblingElements(*parent->record->children);
            }
            for (const Element& child : *parent->prefetchedChildren) {
                next.push_back(child.ref());
                if (!child.ref()->record && !child.ref()->address.bus.empty()) unfetched.push_back(child.ref());
            }
        }
        atspi::loadRecords(unfetched);
        fetched += unfetched.size();
        level = std::move(next);
    }
}

}  // namespace platform
