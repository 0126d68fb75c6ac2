#pragma once

#include <optional>
#include <string_view>

#include "platform/accessibility.h"

// Element paths: "0" names a window root, and each further dot-separated
// decimal number a child position below the element named so far.

// The element that path names below root (borrowed), as an owned handle;
// nothing when a child position does not exist. Reading is lenient: empty
// pieces and pieces that are not decimal integers fall away, the first
// integer left stands for the root whatever its value, and fewer than two
// integers name the root itself.
std::optional<platform::Element> resolveElement(const platform::Element& root, std::string_view path);

// Whether the text is a path as a caller must write it: one or more decimal
// integers (optional sign, digits) joined by single dots, nothing else. The
// commands that act on an element check this first, so that a mistyped
// path is refused rather than read leniently as the window itself.
bool isElementPath(std::string_view path);
