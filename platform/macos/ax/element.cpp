#include "platform/macos/ax/element.h"

namespace platform {

// Never defined: a handle's reference is the AXUIElementRef under another name.
struct ElementRef;

void retainElementRef(ElementRef* ref) noexcept { CFRetain(static_cast<CFTypeRef>(ref)); }
void releaseElementRef(ElementRef* ref) noexcept { CFRelease(static_cast<CFTypeRef>(ref)); }

}  // namespace platform

namespace platform::macos {

AXUIElementRef axElementOf(const Element& element) { return static_cast<AXUIElementRef>(static_cast<const void*>(element.ref())); }

Element adoptedElement(AXUIElementRef owned) {
    return Element(static_cast<ElementRef*>(const_cast<void*>(static_cast<const void*>(owned))));
}

Element borrowedElement(AXUIElementRef borrowed) {
    if (!borrowed) return Element();
    CFRetain(borrowed);
    return adoptedElement(borrowed);
}

}  // namespace platform::macos
