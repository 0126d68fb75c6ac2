#include "platform/accessibility.h"

namespace platform {

// The in-memory desktop answers every read at once: nothing to fetch ahead.
void prefetchSubtree(const Element&, const SubtreeReading&) {}

}  // namespace platform
