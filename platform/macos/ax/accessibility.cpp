// The accessibility service through the ApplicationServices calls.
#include <ApplicationServices/ApplicationServices.h>

#include "platform/accessibility.h"
#include "platform/macos/ax/element.h"
#include "platform/macos/ax/time_outs.h"
#include "platform/macos/ax/values.h"
#include "platform/macos/cf_owned.h"
#include "platform/timing.h"

namespace platform {
namespace {

using macos::axElementOf;
using macos::CfOwned;

// How long one call may wait for an application: a hung application costs
// bounded time. Set once per run on the system-wide element, which makes it
// the default for every element of every application.
constexpr float kMessagingTimeoutSeconds = 2.0f;
// A call that failed after this long ran into the time-out (an application
// that is gone fails at once).
constexpr std::uint64_t kTimedOutAfterMicroseconds = 1800000;

void setMessagingTimeoutOnce() {
    static const bool done = [] {
        CfOwned<AXUIElementRef> systemWide(AXUIElementCreateSystemWide());
        if (systemWide) AXUIElementSetMessagingTimeout(systemWide.get(), kMessagingTimeoutSeconds);
        return true;
    }();
    (void)done;
}

// Runs one call and notes the element's process when the call timed out.
template <typename Call>
AXError timedCall(AXUIElementRef element, Call call) {
    const std::uint64_t start = monotonicMicroseconds();
    const AXError error = call();
    if (error == kAXErrorCannotComplete && monotonicMicroseconds() - start >= kTimedOutAfterMicroseconds) {
        pid_t pid = 0;
        if (AXUIElementGetPid(element, &pid) == kAXErrorSuccess) macos::noteTimedOut(pid);
    }
    return error;
}

}  // namespace

Element createApplicationElement(std::int32_t pid) {
    setMessagingTimeoutOnce();
    return macos::adoptedElement(AXUIElementCreateApplication(static_cast<pid_t>(pid)));
}

std::optional<AttributeValue> copyAttributeValue(const Element& element, std::string_view attribute) {
    const AXUIElementRef ax = axElementOf(element);
    if (!ax) return std::nullopt;
    const auto name = macos::cfString(attribute);
    CfOwned<CFTypeRef> value;
    const AXError error = timedCall(ax, [&] { return AXUIElementCopyAttributeValue(ax, name.get(), value.out()); });
    // kAXErrorCannotComplete (a time-out), kAXErrorNoValue, an unsupported
    // attribute or a refused service: all read as absent.
    if (error != kAXErrorSuccess || !value) return std::nullopt;
    return macos::attributeValueOf(value.get());
}

std::optional<std::vector<AttributeValue>> copyActionNames(const Element& element) {
    const AXUIElementRef ax = axElementOf(element);
    if (!ax) return std::nullopt;
    CfOwned<CFArrayRef> names;
    const AXError error = timedCall(ax, [&] { return AXUIElementCopyActionNames(ax, names.out()); });
    if (error != kAXErrorSuccess || !names) return std::nullopt;
    std::vector<AttributeValue> values;
    const CFIndex count = CFArrayGetCount(names.get());
    for (CFIndex i = 0; i < count; ++i) values.push_back(macos::attributeValueOf(CFArrayGetValueAtIndex(names.get(), i)));
    return values;
}

bool performAction(const Element& element, std::string_view action) {
    const AXUIElementRef ax = axElementOf(element);
    if (!ax) return false;
    const auto name = macos::cfString(action);
    return timedCall(ax, [&] { return AXUIElementPerformAction(ax, name.get()); }) == kAXErrorSuccess;
}

namespace {

AXError setOne(AXUIElementRef ax, std::string_view attribute, CFTypeRef value) {
    const auto name = macos::cfString(attribute);
    return timedCall(ax, [&] { return AXUIElementSetAttributeValue(ax, name.get(), value); });
}

}  // namespace

bool setAttributeValue(const Element& element, std::string_view attribute, const AttributeValue& value) {
    const AXUIElementRef ax = axElementOf(element);
    if (!ax) return false;
    const auto cfValue = macos::cfValueOf(value);
    if (!cfValue) return false;
    const bool set = setOne(ax, attribute, cfValue.get()) == kAXErrorSuccess;
    // Chromium and Electron applications build their accessibility tree
    // when AXManualAccessibility is set, and may refuse
    // AXEnhancedUserInterface: set both, the second one's outcome ignored.
    if (attribute == "AXEnhancedUserInterface") setOne(ax, "AXManualAccessibility", cfValue.get());
    return set;
}

bool isAttributeSettable(const Element& element, std::string_view attribute) {
    const AXUIElementRef ax = axElementOf(element);
    if (!ax) return false;
    const auto name = macos::cfString(attribute);
    Boolean settable = false;
    const AXError error = timedCall(ax, [&] { return AXUIElementIsAttributeSettable(ax, name.get(), &settable); });
    return error == kAXErrorSuccess && settable;
}

bool stoppedAnswering(const Element& element) {
    const AXUIElementRef ax = axElementOf(element);
    pid_t pid = 0;
    if (!ax || AXUIElementGetPid(ax, &pid) != kAXErrorSuccess) return false;
    return macos::hasTimedOut(pid);
}

bool isSameElement(const Element& first, const Element& second) {
    const AXUIElementRef a = axElementOf(first);
    const AXUIElementRef b = axElementOf(second);
    return a && b && CFEqual(a, b);
}

bool isProcessTrusted(bool promptUser) {
    const void* keys[] = {kAXTrustedCheckOptionPrompt};
    const void* values[] = {promptUser ? kCFBooleanTrue : kCFBooleanFalse};
    CfOwned<CFDictionaryRef> options(CFDictionaryCreate(kCFAllocatorDefault, keys, values, 1,
                                                        &kCFTypeDictionaryKeyCallBacks,
                                                        &kCFTypeDictionaryValueCallBacks));
    return AXIsProcessTrustedWithOptions(options.get()) != 0;
}

}  // namespace platform
