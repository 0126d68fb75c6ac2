#pragma once

#include <vector>

#include "platform/linux/atspi/element.h"

namespace platform::atspi {

// Fetches these parts of the records of these elements: every call for
// every element is sent before the first answer is awaited, then the
// interface-specific parts and the names of labelled-by targets in a
// second round. Each element gets a record, possibly empty.
void loadRecords(const std::vector<ElementRef*>& elements, const RecordParts& parts = RecordParts{});

}  // namespace platform::atspi
