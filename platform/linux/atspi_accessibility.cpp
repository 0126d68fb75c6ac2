// Placeholder: the accessibility service on AT-SPI2.
#include "platform/accessibility.h"

namespace platform {

struct ElementRef {};

void retainElementRef(ElementRef*) noexcept {}
void releaseElementRef(ElementRef*) noexcept {}

Element createApplicationElement(std::int32_t) { return Element(); }
std::optional<AttributeValue> copyAttributeValue(const Element&, std::string_view) { return std::nullopt; }
std::optional<std::vector<AttributeValue>> copyActionNames(const Element&) { return std::nullopt; }
bool performAction(const Element&, std::string_view) { return false; }
bool setAttributeValue(const Element&, std::string_view, const AttributeValue&) { return false; }
bool isProcessTrusted(bool) { return false; }

}  // namespace platform
