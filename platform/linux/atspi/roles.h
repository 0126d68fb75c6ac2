#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/atspi/element.h"

namespace platform::atspi {

// The role name in the macOS vocabulary ("AXButton", ...) for an element's
// AT-SPI role; some roles depend on the element's states (a multi-line
// text is a text area). Nothing for a role number libatspi does not know.
std::optional<std::string> axRoleName(const ElementRecord& record);

// Frames, windows, dialogs, alerts and file choosers: what an application
// lists as its windows.
bool isWindowLike(std::uint32_t role);

// Whether a child of the application root of process pid is one of its
// windows: a window-like role, or a titled container the process shows as
// a top-level X window.
bool isTopLevelWindow(std::int32_t pid, const ElementRecord& record);

// Whether the element's value is its checked state (0 or 1).
bool valueIsCheckedState(std::uint32_t role);

// "AX" followed by the words of a name, each capitalised: "page tab" gives
// "AXPageTab", "expand or contract" gives "AXExpandOrContract".
std::string axCamelCase(std::string_view name);

}  // namespace platform::atspi
