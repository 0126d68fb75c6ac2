#include "platform/linux/mouse_buttons.h"

#include <linux/input-event-codes.h>

namespace platform {

std::uint32_t evdevButtonOf(MouseEventType type) {
    switch (type) {
        case MouseEventType::leftMouseDown:
        case MouseEventType::leftMouseUp: return BTN_LEFT;
        case MouseEventType::otherMouseDown:
        case MouseEventType::otherMouseUp: return BTN_MIDDLE;
        case MouseEventType::rightMouseDown:
        case MouseEventType::rightMouseUp: return BTN_RIGHT;
        case MouseEventType::mouseMoved:
        case MouseEventType::leftMouseDragged: break;
    }
    return 0;
}

bool isButtonPress(MouseEventType type) {
    return type == MouseEventType::leftMouseDown || type == MouseEventType::rightMouseDown ||
           type == MouseEventType::otherMouseDown;
}

}  // namespace platform
