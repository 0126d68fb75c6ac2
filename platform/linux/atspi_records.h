#pragma once

#include <vector>

#include "platform/linux/atspi_element.h"

namespace platform::atspi {

// Fetches the records of these elements: every call for every element is
// sent before the first answer is awaited, then the names of labelled-by
// targets in a second round. Each element gets a record, possibly empty.
void loadRecords(const std::vector<ElementRef*>& elements);

}  // namespace platform::atspi
