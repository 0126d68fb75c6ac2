// A backend for a machine with no desktop: no applications, no displays,
// and every call failing. The commands answer this with their own
// documents (an empty window list, "Window not found", ...).

#include <time.h>
#include <unistd.h>


#include "platform/platform.h"
#include "platform/random_source.h"

namespace platform {

struct ElementRef {};

void retainElementRef(ElementRef*) noexcept {}
void releaseElementRef(ElementRef*) noexcept {}

Element createApplicationElement(std::int32_t) { return Element(); }
std::optional<AttributeValue> copyAttributeValue(const Element&, std::string_view) { return std::nullopt; }
std::optional<std::vector<AttributeValue>> copyActionNames(const Element&) { return std::nullopt; }
bool isSameElement(const Element&, const Element&) { return false; }
bool takesCharactersBeyondBmp(const Element&) { return true; }
bool stoppedAnswering(const Element&) { return false; }
bool performAction(const Element&, std::string_view) { return false; }
bool setAttributeValue(const Element&, std::string_view, const AttributeValue&) { return false; }
bool isAttributeSettable(const Element&, std::string_view) { return false; }
bool isProcessTrusted(bool) { return false; }

std::vector<RunningApplication> runningApplications() { return {}; }
std::optional<std::string> applicationPathForPid(std::int32_t) { return std::nullopt; }

bool canPostInput() { return false; }
std::string inputRefusal() { return {}; }
std::optional<Event> createMouseEvent(MouseEventType, Point) { return std::nullopt; }
std::optional<Event> createKeyboardEvent(std::uint16_t, bool) { return std::nullopt; }
void setUnicodeString(Event&, std::u16string_view) {}
void setClickState(Event&, std::int64_t) {}
std::optional<Point> pointerLocation() { return std::nullopt; }
std::optional<Event> createScrollWheelEvent(std::int32_t) { return std::nullopt; }
std::optional<Event> createScrollWheelEvent(std::int32_t, std::int32_t) { return std::nullopt; }
void postEvent(const Event&) {}
bool takeTypingTurn() { return true; }
std::optional<TypingFailure> beginTyping(const std::vector<std::u16string>&) { return std::nullopt; }
std::optional<TypingFailure> endTyping() { return std::nullopt; }
std::optional<TypingFailure> beginKeyPresses(const std::vector<KeyCombination>&) { return std::nullopt; }
void postKeyCombination(const KeyCombination&) {}
std::optional<TypingFailure> endKeyPresses() { return std::nullopt; }

bool isWindowActive(std::int32_t, const std::string&) { return false; }
bool activateWindow(std::int32_t, const std::string&) { return false; }
std::optional<std::int32_t> windowOwnerAt(Point) { return std::nullopt; }

std::uint32_t activeDisplayCount() { return 0; }
std::vector<DisplayId> activeDisplayList(std::uint32_t) { return {}; }
Rect displayBounds(DisplayId) { return Rect{}; }
DisplayId mainDisplayId() { return 0; }

std::string captureFailureReason() { return "there is no screen to capture"; }
std::optional<Image> captureScreenImage(Rect) { return std::nullopt; }
std::optional<std::vector<std::uint8_t>> encodePng(const Image&) { return std::nullopt; }

std::string temporaryDirectory() { return "/tmp"; }
FileFailure storeNewPrivateFile(const std::string&, const std::string&, const std::vector<std::uint8_t>&) {
    return "there is no file system to store into";
}
std::string newUuidString() { return "00000000-0000-0000-0000-000000000000"; }

OpenerLookup openerCommand(std::int32_t, const std::string&) { return {}; }
LaunchResult launchProcess(const ProcessCommand&) { return {std::nullopt, "no desktop"}; }
std::int32_t waitForProcessExit(std::int64_t) { return -1; }

std::uint64_t monotonicMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000;
}
void sleepMicroseconds(std::uint32_t microseconds) { usleep(microseconds); }
std::uint32_t randomUniform(std::uint32_t low, std::uint32_t high) {
    return drawUniformFromSystemSource(low, high);
}

}  // namespace platform
