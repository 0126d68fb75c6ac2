#pragma once

#include <ApplicationServices/ApplicationServices.h>

#include "platform/element.h"

// An element handle of this backend is the AXUIElement itself: the
// handle's references are the element's Core Foundation references, so a
// copied handle retains it and a dropped one releases it.
namespace platform::macos {

// The element behind a handle (nothing for an empty handle); borrowed.
AXUIElementRef axElementOf(const Element& element);

// A handle taking over a reference the caller owns (a Create or Copy result).
Element adoptedElement(AXUIElementRef owned);

// A handle with a reference of its own to an element someone else holds.
Element borrowedElement(AXUIElementRef borrowed);

}  // namespace platform::macos
