// Placeholder: synthetic input through XTest.
#include "platform/events.h"

namespace platform {

std::optional<Event> createMouseEvent(MouseEventType, Point) { return std::nullopt; }
std::optional<Event> createKeyboardEvent(std::uint16_t, bool) { return std::nullopt; }
void setUnicodeString(Event&, std::u16string_view) {}
std::optional<Event> createScrollWheelEvent(std::int32_t) { return std::nullopt; }
void postEvent(const Event&) {}
void beginTyping(const std::vector<std::u16string>&) {}
void endTyping() {}

}  // namespace platform
