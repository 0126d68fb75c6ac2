#include "platform/accessibility.h"

namespace platform {

// No desktop, nothing to fetch or wait for.
void prefetchSubtree(const Element&, const SubtreeReading&) {}
void beginTreeReading() {}

}  // namespace platform
