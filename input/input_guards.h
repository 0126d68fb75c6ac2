#pragma once

#include <cstdint>
#include <string>

#include "platform/accessibility.h"
#include "platform/geometry.h"

// The checks made before synthetic input is posted, so that a click or
// keys reach the intended place or nothing is posted at all.

inline constexpr const char* noDisplayMessage = "No display to send input to";
inline constexpr const char* offScreenMessage = "Point is outside every display";
inline constexpr const char* notOwnWindowMessage = "The element's centre is not on its application's window";
inline constexpr const char* notFocusedMessage = "Could not focus the element; nothing was typed";

// The error when no input can be posted: noDisplayMessage, followed by
// what the session refused when it said no.
std::string noInputMessage();

// Whether the point lies on one of the active displays (gaps between
// displays count as outside).
bool isOnSomeDisplay(platform::Point point);

// Whether the point lies inside one of the windows of process pid and the
// topmost top-level window there belongs to that process.
bool isOnOwnWindow(std::int32_t pid, platform::Point point);

// Makes sure keys typed now go to the element: the window (of process pid)
// is made the active one when it is not, then the element or one of its
// descendants must hold the focus. False when that cannot be made true.
bool holdsKeyboardFocus(std::int32_t pid, const platform::Element& window, const platform::Element& element);
