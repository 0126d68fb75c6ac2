#include "accessibility/applications.h"

#include "accessibility/attributes.h"

platform::Element getAppElement(std::int32_t pid) { return platform::createApplicationElement(pid); }

std::optional<platform::Element> getWindowElement(std::int32_t pid, std::int64_t windowIndex) {
    auto windows = getElementList(getAppElement(pid), "AXWindows");
    if (!windows || windowIndex < 0 || static_cast<std::uint64_t>(windowIndex) >= windows->size()) return std::nullopt;
    return std::move((*windows)[static_cast<std::size_t>(windowIndex)]);
}

bool checkPermission() { return platform::isProcessTrusted(true); }

bool activateAccessibility(std::int32_t pid) {
    return platform::setAttributeValue(getAppElement(pid), "AXEnhancedUserInterface", true);
}
