#pragma once

// Records fetched ahead of a tree walk, a whole tree level at a time.

#include <optional>

#include "platform/linux/atspi/element.h"

namespace platform::atspi {

// The record fetched ahead for this object, handed out once (the walk
// reads each element once; a second handle fetches afresh).
std::optional<ElementRecord> takePrefetchedRecord(const ObjectAddress& address);

}  // namespace platform::atspi
