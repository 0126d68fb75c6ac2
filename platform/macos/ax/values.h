#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/accessibility.h"
#include "platform/macos/cf_owned.h"

// Conversions between Core Foundation values and the platform's attribute
// values, and between UTF-8 and the UTF-16 inside a CFString.
namespace platform::macos {

// A value as the service handed it out, told apart by its type identifier:
// string, Boolean, number (integer or floating), element, array of
// elements, point or size value; anything else is OtherValue. The value
// stays the caller's; elements taken out of it are retained for their handles.
AttributeValue attributeValueOf(CFTypeRef value);

// A CFString (UTF-16 inside) as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8Of(CFStringRef string);

// A new CFString holding UTF-8 text (ill-formed bytes become U+FFFD).
CfOwned<CFStringRef> cfString(std::string_view utf8);

// A new Core Foundation value for the kinds the tool sets (text, Boolean,
// numbers, points, sizes, elements); nothing for the others.
CfOwned<CFTypeRef> cfValueOf(const AttributeValue& value);

}  // namespace platform::macos
