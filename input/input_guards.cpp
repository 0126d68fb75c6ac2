#include "input/input_guards.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "accessibility/applications.h"
#include "accessibility/attributes.h"
#include "platform/displays.h"
#include "platform/events.h"
#include "platform/timing.h"
#include "platform/window_manager.h"

namespace {

constexpr std::uint32_t focusSettleMicroseconds = 100000;
// An application busy elsewhere (a browser loading, a loaded machine) may
// move the focus later than the settling pause: it is looked for again
// this often, up to this many times (a second in all).
constexpr std::uint32_t focusPollMicroseconds = 50000;
constexpr int focusPolls = 20;
// A focused descendant is looked for among this many elements at most (a
// composite field such as a spin button or a combo box with an entry
// gives the focus to an inner element).
constexpr std::size_t focusSearchLimit = 256;

bool contains(const platform::Rect& rect, platform::Point point) {
    return point.x >= rect.x && point.x < rect.x + rect.width && point.y >= rect.y && point.y < rect.y + rect.height;
}

bool focusWithin(const platform::Element& element) {
    std::deque<Element> pending{element};
    for (std::size_t seen = 0; !pending.empty() && seen < focusSearchLimit; ++seen) {
        const Element next = std::move(pending.front());
        pending.pop_front();
        if (getBoolAttr(next, "AXFocused").value_or(false)) return true;
        for (Element& child : getChildren(next)) pending.push_back(std::move(child));
    }
    return false;
}

bool awaitFocusWithin(const platform::Element& element) {
    for (int poll = 0;; ++poll) {
        if (focusWithin(element)) return true;
        if (poll == focusPolls) return false;
        platform::sleepMicroseconds(focusPollMicroseconds);
    }
}

}  // namespace

bool isOnSomeDisplay(platform::Point point) {
    const std::uint32_t count = platform::activeDisplayCount();
    for (const platform::DisplayId display : platform::activeDisplayList(count))
        if (contains(platform::displayBounds(display), point)) return true;
    return false;
}

bool isOnOwnWindow(std::int32_t pid, platform::Point point) {
    const std::optional<std::vector<Element>> windows = getElementList(getAppElement(pid), "AXWindows");
    if (!windows) return false;
    bool inside = false;
    for (const Element& window : *windows) {
        const auto position = getPosition(window);
        const auto size = getSize(window);
        if (position && size && contains({position->x, position->y, size->width, size->height}, point)) {
            inside = true;
            break;
        }
    }
    // The window may be covered there by another application's window.
    return inside && platform::windowOwnerAt(point) == pid;
}

bool holdsKeyboardFocus(std::int32_t pid, const platform::Element& window, const platform::Element& element) {
    const std::string title = getStringAttr(window, "AXTitle").value_or("");
    if (!platform::isWindowActive(pid, title)) {
        if (!platform::activateWindow(pid, title)) return false;
        // The toolkit hands the focus to its own choice on activation; the
        // element asks for it again.
        platform::setAttributeValue(element, "AXFocused", platform::AttributeValue{std::in_place_type<bool>, true});
        platform::sleepMicroseconds(focusSettleMicroseconds);
    }
    return awaitFocusWithin(element);
}

std::string noInputMessage() {
    const std::string refusal = platform::inputRefusal();
    return refusal.empty() ? std::string(noDisplayMessage) : std::string(noDisplayMessage) + ": " + refusal;
}
