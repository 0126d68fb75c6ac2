#include "platform/accessibility.h"

namespace platform {

// Every read is its own call to the application: nothing is fetched ahead.
void prefetchSubtree(const Element&, const SubtreeReading&) {}

// Each call has its own messaging time-out: there is no budget to restart.
void beginTreeReading() {}

}  // namespace platform
