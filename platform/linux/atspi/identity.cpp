// Element identity (an AT-SPI object is its application's bus name and
// its object path), and what is known of its application: whether it
// still answers, which texts it can take.
#include "platform/accessibility.h"
#include "platform/linux/atspi/element.h"
#include "platform/linux/atspi/toolkit.h"

namespace platform {

bool isSameElement(const Element& first, const Element& second) {
    if (!first.ref() || !second.ref() || first.ref()->address.bus.empty()) return false;
    return first.ref()->address.bus == second.ref()->address.bus &&
           first.ref()->address.path == second.ref()->address.path;
}

void beginTreeReading() { atspi::restartRunBudget(); }

bool takesCharactersBeyondBmp(const Element& element) {
    return !element.ref() || atspi::applicationQuirks(element.ref()->address.bus).takesCharactersBeyondBmp;
}

bool stoppedAnswering(const Element& element) {
    return element.ref() && !element.ref()->address.bus.empty() && atspi::stoppedAnswering(element.ref()->address.bus);
}

}  // namespace platform
