#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/atspi/element.h"

namespace platform::atspi {

// The name an AT-SPI action goes by: the verbs that press an element
// ("click", "press", "activate", "toggle", "jump", "check", ...) are
// "AXPress"; the context-menu verbs are "AXShowMenu"; any other is "AX"
// and its words capitalised. Nothing for an empty name.
std::optional<std::string> axActionName(std::string_view atspiName);

// Chromium names the press of some controls (its toolbar buttons) only
// "doDefault"; on a control that is there to be pressed (a button, a check
// box, a link, a menu item, a tab) without another press, it is taken as
// the press. Other elements keep it as "AXDoDefault".
void nameDefaultPress(ElementRecord& record);

// Whether the name is one of the verbs named above (any case).
bool isKnownVerb(std::string_view atspiName);

// The mapped names of an element's actions, in order, each name once.
std::vector<std::string> axActionNames(const std::vector<std::string>& atspiNames);

// The index of the first action that goes by this name.
std::optional<std::int32_t> actionIndexFor(const std::vector<std::string>& atspiNames, std::string_view axName);

}  // namespace platform::atspi
