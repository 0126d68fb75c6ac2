#include "input/synthetic_input.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/events.h"
#include "platform/timing.h"
#include "response/unicode_text.h"

namespace {

constexpr std::uint32_t clickPauseMicroseconds = 50000;
// Between the clicks of a double or triple click.
constexpr std::uint32_t multipleClickGapMicroseconds = 50000;
// A drag moves in steps a frame apart. Measured on X11: a GTK 3 scale and
// text selection in a GTK entry and in a Chromium page follow a drag with
// a single move between press and release, even without a pause; the
// steps are a margin for toolkits that track the path or its speed.
constexpr int dragSteps = 10;
constexpr std::uint32_t dragStepMicroseconds = 16000;
// After each key combination, so the application has handled one before
// the next (a menu opened by one key takes the next).
constexpr std::uint32_t keyCombinationPauseMicroseconds = 30000;
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

void clickAt(double x, double y) { clickAt(x, y, MouseButton::left, 1); }

void clickAt(double x, double y, MouseButton button, int count) {
    using platform::MouseEventType;
    const platform::Point point{x, y};
    const MouseEventType downType = button == MouseButton::left    ? MouseEventType::leftMouseDown
                                    : button == MouseButton::right ? MouseEventType::rightMouseDown
                                                                   : MouseEventType::otherMouseDown;
    const MouseEventType upType = button == MouseButton::left    ? MouseEventType::leftMouseUp
                                  : button == MouseButton::right ? MouseEventType::rightMouseUp
                                                                 : MouseEventType::otherMouseUp;
    for (int click = 1; click <= count; ++click) {
        if (click > 1) platform::sleepMicroseconds(multipleClickGapMicroseconds);
        auto down = platform::createMouseEvent(downType, point);
        auto up = platform::createMouseEvent(upType, point);
        if (down) platform::setClickState(*down, click);
        if (up) platform::setClickState(*up, click);
        if (down) platform::postEvent(*down);
        platform::sleepMicroseconds(clickPauseMicroseconds);
        if (up) platform::postEvent(*up);
    }
}

void movePointerTo(double x, double y) {
    if (const auto moved = platform::createMouseEvent(platform::MouseEventType::mouseMoved, {x, y}))
        platform::postEvent(*moved);
}

void dragFromTo(double fromX, double fromY, double toX, double toY) {
    using platform::MouseEventType;
    if (const auto down = platform::createMouseEvent(MouseEventType::leftMouseDown, {fromX, fromY}))
        platform::postEvent(*down);
    for (int step = 1; step <= dragSteps; ++step) {
        platform::sleepMicroseconds(dragStepMicroseconds);
        const double share = static_cast<double>(step) / dragSteps;
        const platform::Point point{fromX + (toX - fromX) * share, fromY + (toY - fromY) * share};
        if (const auto dragged = platform::createMouseEvent(MouseEventType::leftMouseDragged, point))
            platform::postEvent(*dragged);
    }
    platform::sleepMicroseconds(dragStepMicroseconds);
    if (const auto up = platform::createMouseEvent(MouseEventType::leftMouseUp, {toX, toY})) platform::postEvent(*up);
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

void scrollSidewaysBy(std::int64_t deltaX) {
    const auto event = platform::createScrollWheelEvent(0, static_cast<std::int32_t>(deltaX));
    if (event) platform::postEvent(*event);
}

std::optional<std::string> pressKeyCombinations(const std::vector<platform::KeyCombination>& combinations) {
    if (const auto refused = platform::beginKeyPresses(combinations)) return typingFailureMessage(*refused);
    for (const platform::KeyCombination& combination : combinations) {
        platform::postKeyCombination(combination);
        platform::sleepMicroseconds(keyCombinationPauseMicroseconds);
    }
    if (const auto failed = platform::endKeyPresses()) return typingFailureMessage(*failed);
    return std::nullopt;
}
