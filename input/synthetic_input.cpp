#include "input/synthetic_input.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/events.h"
#include "platform/timing.h"
#include "tree/unicode_text.h"

namespace {

constexpr std::uint32_t clickPauseMicroseconds = 50000;
constexpr std::uint32_t shortestKeyPauseMicroseconds = 30000;
constexpr std::uint32_t longestKeyPauseMicroseconds = 80000;
constexpr std::uint16_t anyVirtualKey = 0;  // the characters travel in the Unicode string
constexpr const char* displayBusyMessage = "Another run is typing on this display";
constexpr const char* noFreeKeyMessage = "No free key to type a character the keyboard layout lacks";

std::string typingFailureMessage(platform::TypingFailure failure) {
    return failure == platform::TypingFailure::displayBusy ? displayBusyMessage : noFreeKeyMessage;
}

// Creates one key event carrying the cluster and posts it; an event that
// cannot be created is skipped.
void postKey(bool keyDown, const std::u16string& cluster) {
    std::optional<platform::Event> event = platform::createKeyboardEvent(anyVirtualKey, keyDown);
    if (!event) return;
    platform::setUnicodeString(*event, cluster);
    platform::postEvent(*event);
}

}  // namespace

void clickAt(double x, double y) {
    const platform::Point point{x, y};
    // Both events exist before either is posted.
    const auto down = platform::createMouseEvent(platform::MouseEventType::leftMouseDown, point);
    const auto up = platform::createMouseEvent(platform::MouseEventType::leftMouseUp, point);
    if (down) platform::postEvent(*down);
    platform::sleepMicroseconds(clickPauseMicroseconds);
    if (up) platform::postEvent(*up);
}

std::optional<std::string> takeTypingTurn() {
    if (!platform::takeTypingTurn()) return displayBusyMessage;
    return std::nullopt;
}

std::optional<std::string> typeText(std::string_view text) {
    const std::vector<std::u16string> clusters = graphemeClustersUtf16(text);
    if (clusters.empty()) return std::nullopt;
    if (const auto refused = platform::beginTyping(clusters)) return typingFailureMessage(*refused);
    for (const std::u16string& cluster : clusters) {
        postKey(true, cluster);
        postKey(false, cluster);
        platform::sleepMicroseconds(platform::randomUniform(shortestKeyPauseMicroseconds, longestKeyPauseMicroseconds));
    }
    if (const auto failed = platform::endTyping()) return typingFailureMessage(*failed);
    return std::nullopt;
}

void scrollBy(std::int64_t deltaY) {
    const auto event = platform::createScrollWheelEvent(static_cast<std::int32_t>(deltaY));
    if (event) platform::postEvent(*event);
}
