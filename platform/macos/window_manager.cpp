// The top-level windows as the accessibility service and the window server
// see them: the frontmost application's focused window takes the keys.
#include <ApplicationServices/ApplicationServices.h>

#include "platform/accessibility.h"
#include "platform/macos/appkit/frontmost.h"
#include "platform/macos/cf_owned.h"
#include "platform/timing.h"
#include "platform/window_manager.h"

namespace platform {
namespace {

constexpr std::uint32_t kActivationWaitMicroseconds = 1000000;
constexpr std::uint32_t kActivationPollMicroseconds = 20000;

std::optional<std::string> titleOf(const Element& window) {
    auto value = copyAttributeValue(window, "AXTitle");
    if (!value) return std::nullopt;
    if (auto* text = std::get_if<std::string>(&*value)) return *text;
    return std::nullopt;
}

// The application's window with that title, or its only window.
std::optional<Element> windowNamed(const Element& application, const std::string& title) {
    auto windows = copyAttributeValue(application, "AXWindows");
    auto* list = windows ? std::get_if<std::vector<Element>>(&*windows) : nullptr;
    if (!list) return std::nullopt;
    for (const Element& window : *list)
        if (titleOf(window) == title) return window;
    if (list->size() == 1) return list->front();
    return std::nullopt;
}

}  // namespace

bool isWindowActive(std::int32_t pid, const std::string& title) {
    if (macos::frontmostApplicationPid() != pid) return false;
    const Element application = createApplicationElement(pid);
    const auto wanted = windowNamed(application, title);
    auto focused = copyAttributeValue(application, "AXFocusedWindow");
    auto* window = focused ? std::get_if<Element>(&*focused) : nullptr;
    return wanted && window && isSameElement(*wanted, *window);
}

bool activateWindow(std::int32_t pid, const std::string& title) {
    const Element application = createApplicationElement(pid);
    if (const auto window = windowNamed(application, title)) {
        setAttributeValue(*window, "AXMain", true);
        performAction(*window, "AXRaise");
    }
    macos::bringApplicationForward(pid);
    for (std::uint32_t waited = 0; waited < kActivationWaitMicroseconds; waited += kActivationPollMicroseconds) {
        if (isWindowActive(pid, title)) return true;
        sleepMicroseconds(kActivationPollMicroseconds);
    }
    return isWindowActive(pid, title);
}

std::optional<std::int32_t> windowOwnerAt(Point point) {
    using macos::CfOwned;
    // Front to back; layer 0 holds the applications' ordinary windows.
    CfOwned<CFArrayRef> windows(
        CGWindowListCopyWindowInfo(kCGWindowListOptionOnScreenOnly | kCGWindowListExcludeDesktopElements, kCGNullWindowID));
    if (!windows) return std::nullopt;
    for (CFIndex i = 0, n = CFArrayGetCount(windows.get()); i < n; ++i) {
        const auto info = static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(windows.get(), i));
        const auto layer = static_cast<CFNumberRef>(CFDictionaryGetValue(info, kCGWindowLayer));
        const auto owner = static_cast<CFNumberRef>(CFDictionaryGetValue(info, kCGWindowOwnerPID));
        const auto boundsInfo = static_cast<CFDictionaryRef>(CFDictionaryGetValue(info, kCGWindowBounds));
        std::int32_t level = 0;
        std::int32_t pid = 0;
        CGRect bounds{};
        if (!layer || !owner || !boundsInfo || !CFNumberGetValue(layer, kCFNumberSInt32Type, &level) || level != 0 ||
            !CFNumberGetValue(owner, kCFNumberSInt32Type, &pid) ||
            !CGRectMakeWithDictionaryRepresentation(boundsInfo, &bounds)) {
            continue;
        }
        if (point.x >= bounds.origin.x && point.x < bounds.origin.x + bounds.size.width && point.y >= bounds.origin.y &&
            point.y < bounds.origin.y + bounds.size.height) {
            return pid;
        }
    }
    return std::nullopt;
}

}  // namespace platform
