#include "platform/accessibility.h"

namespace platform {

// The in-memory desktop answers every read at once: nothing to fetch
// ahead, no waiting to bound.
void prefetchSubtree(const Element&, const SubtreeReading&) {}
void beginTreeReading() {}

}  // namespace platform
