#pragma once

#include <vector>

#include "response/json.h"

// One record per titled window of every regular application, applications
// in the platform's order and windows in "AXWindows" order.
std::vector<JsonObject> listWindows();
