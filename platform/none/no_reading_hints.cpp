#include "platform/accessibility.h"

namespace platform {

// No desktop, nothing to fetch.
void prefetchSubtree(const Element&, const SubtreeReading&) {}

}  // namespace platform
