#pragma once

// What toolkits hand out in place of data, told apart from the data.

#include <optional>
#include <string>

#include "platform/linux/atspi/dbus.h"

namespace platform::atspi {

// Browsers put U+FFFC OBJECT REPLACEMENT CHARACTER in a container's text
// for each child object; it is no text. The text without them, and nothing
// for a text made only of them (an empty text stays empty).
std::optional<std::string> withoutObjectCharacters(const std::string& text);

// AT-SPI's "no position" (the least 32-bit integer, given by GTK for rows
// scrolled out of view) and the all -1 frame some toolkits give for "no
// extents" (Firefox's documents, GTK's search entry) are no coordinates; a
// negative size is none either.
bool hasPosition(const Extents& extents);
bool hasSize(const Extents& extents);

}  // namespace platform::atspi
