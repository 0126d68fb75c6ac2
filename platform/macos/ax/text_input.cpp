// What texts an application can take: macOS delivers any Unicode text,
// set as a value or posted as keys.
#include "platform/accessibility.h"

namespace platform {

bool takesCharactersBeyondBmp(const Element&) { return true; }

}  // namespace platform
