// Trust in the AT-SPI2 world: there is no per-process permission; what
// matters is that the accessibility bus is there and answers.
#include "platform/accessibility.h"
#include "platform/linux/atspi/status.h"

namespace platform {

bool isProcessTrusted(bool promptUser) {
    // Asking is switching accessibility on for the session, which starts the
    // bus when it was not running.
    if (promptUser) atspi::enableAccessibilityStatus();
    return atspi::accessibilityBusAnswers();
}

}  // namespace platform
