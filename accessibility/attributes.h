#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/accessibility.h"

// Typed readers of element attributes: the only way element data is read.
// Every failure (refused call, missing attribute, wrong kind) collapses
// into an absent result or an empty list; nothing is cached.

using platform::Element;

// A text attribute; present even when empty. Any other kind is absent.
std::optional<std::string> getStringAttr(const Element& element, std::string_view attribute);

// A number attribute as an integer (a Boolean gives 1 or 0, a fraction is
// cut off); a non-number, or a number outside the 64-bit range, is absent.
std::optional<std::int64_t> getIntAttr(const Element& element, std::string_view attribute);

// A number attribute as it is, integer or real; a Boolean or a non-number is absent.
std::optional<double> getNumberAttr(const Element& element, std::string_view attribute);

// A number attribute as a Boolean (non-zero is true); a non-number is absent.
std::optional<bool> getBoolAttr(const Element& element, std::string_view attribute);

// "AXPosition": the point, or (0, 0) when the value holds no point.
std::optional<platform::Point> getPosition(const Element& element);

// "AXSize": the size, or (0, 0) when the value holds no size.
std::optional<platform::Size> getSize(const Element& element);

// "AXChildren" in the service's order; empty when absent or not a list.
std::vector<Element> getChildren(const Element& element);

// The action names; empty when the call fails or any entry is not a text.
std::vector<std::string> getActions(const Element& element);

// Whether the element takes a new value of the attribute; false also when
// the call fails.
bool isSettable(const Element& element, std::string_view attribute);

// An element-list attribute (such as "AXWindows"); nothing when the call
// fails or the value is not a list.
std::optional<std::vector<Element>> getElementList(const Element& element, std::string_view attribute);
