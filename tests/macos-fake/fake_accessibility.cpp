// The accessibility calls over the in-memory desktop's scripted elements,
// with the service's error codes; and the element counting the shared
// command tests look at.
#include <algorithm>
#include <cmath>
#include <optional>

#include "tests/macos-fake/fake_objects.h"

namespace fake {
namespace {

Element* newElement(memory::Node* node, pid_t pid) { return born(new Element(node, pid)); }

CFTypeRef cfOf(const memory::StoredValue& stored, pid_t pid);

CFTypeRef elementArray(const std::vector<memory::Node*>& nodes, pid_t pid) {
    std::vector<const void*> members;
    for (memory::Node* node : nodes) members.push_back(as<const void*>(newElement(node, pid)));
    CFArrayRef array = CFArrayCreate(kCFAllocatorDefault, members.data(), static_cast<CFIndex>(members.size()),
                                     &kCFTypeArrayCallBacks);
    for (const void* member : members) CFRelease(member);  // the array holds them now
    return array;
}

CFTypeRef cfOf(const memory::StoredValue& stored, pid_t pid) {
    return std::visit(
        [pid](const auto& value) -> CFTypeRef {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>) {
                return as<CFTypeRef>(newString(value));
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                return CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &value);
            } else if constexpr (std::is_same_v<T, double>) {
                return CFNumberCreate(kCFAllocatorDefault, kCFNumberDoubleType, &value);
            } else if constexpr (std::is_same_v<T, bool>) {
                return CFRetain(value ? kCFBooleanTrue : kCFBooleanFalse);
            } else if constexpr (std::is_same_v<T, platform::PointValue>) {
                const CGPoint point{value.point.x, value.point.y};
                return AXValueCreate(kAXValueCGPointType, &point);
            } else if constexpr (std::is_same_v<T, platform::SizeValue>) {
                const CGSize size{value.size.width, value.size.height};
                return AXValueCreate(kAXValueCGSizeType, &size);
            } else if constexpr (std::is_same_v<T, memory::Node*>) {
                return as<CFTypeRef>(newElement(value, pid));
            } else if constexpr (std::is_same_v<T, std::vector<memory::Node*>>) {
                return elementArray(value, pid);
            } else {
                return as<CFTypeRef>(born(new Other()));
            }
        },
        stored);
}

Element* elementOf(AXUIElementRef ref) { return dynamic_cast<Element*>(object(ref)); }

// What every call on an element answers before it reaches the element.
std::optional<AXError> refusal(const Element* element) {
    if (!element || element->systemWide) return kAXErrorIllegalArgument;
    if (state().apiDisabled) return kAXErrorAPIDisabled;
    memory::Desktop& d = memory::desktop();
    if (d.stoppedAnswering) {
        // The application does not answer: the call waits out the time-out.
        const float timeout = state().messagingTimeouts.empty() ? 6.0f : state().messagingTimeouts.back().second;
        d.clockMicroseconds += static_cast<std::uint64_t>(std::lround(timeout * 1e6));
        return kAXErrorCannotComplete;
    }
    // No such process: the call fails at once.
    if (!element->node) return kAXErrorCannotComplete;
    return std::nullopt;
}

std::string nameOf(CFStringRef name) { return utf8(name); }

}  // namespace
}  // namespace fake

using fake::elementOf;
using fake::refusal;

// What the shared command tests ask of the in-memory desktop, answered
// for the macOS backend's handles.
namespace memory {

long liveHandles() { return fake::elementReferences(); }
long peakHandles() { return fake::elementReferencePeak(); }
void resetPeakHandles() { fake::resetElementPeak(); }

Node* nodeOf(const platform::Element& element) {
    const fake::Element* e = elementOf(static_cast<AXUIElementRef>(static_cast<const void*>(element.ref())));
    return e ? e->node : nullptr;
}

}  // namespace memory

extern "C" {

const CFStringRef kAXTrustedCheckOptionPrompt = CFSTR("AXTrustedCheckOptionPrompt");

AXUIElementRef AXUIElementCreateApplication(pid_t pid) {
    memory::Node* root = nullptr;
    for (const memory::Application& application : memory::desktop().applications)
        if (application.info.pid == pid && application.root) root = application.root;
    return fake::as<AXUIElementRef>(fake::newElement(root, pid));
}

AXUIElementRef AXUIElementCreateSystemWide(void) {
    return fake::as<AXUIElementRef>(fake::born(new fake::Element(nullptr, 0, true)));
}

AXError AXUIElementSetMessagingTimeout(AXUIElementRef ref, float timeoutInSeconds) {
    const fake::Element* element = elementOf(ref);
    if (!element || timeoutInSeconds < 0) return kAXErrorIllegalArgument;
    fake::state().messagingTimeouts.emplace_back(element->systemWide, timeoutInSeconds);
    return kAXErrorSuccess;
}

AXError AXUIElementGetPid(AXUIElementRef ref, pid_t* pid) {
    const fake::Element* element = elementOf(ref);
    if (!element || element->systemWide) return kAXErrorIllegalArgument;
    *pid = element->pid;
    return kAXErrorSuccess;
}

AXError AXUIElementCopyAttributeValue(AXUIElementRef ref, CFStringRef attribute, CFTypeRef* value) {
    const fake::Element* element = elementOf(ref);
    memory::desktop().clockMicroseconds += memory::desktop().microsecondsPerRead;
    if (const auto refused = refusal(element)) return *refused;
    const memory::StoredValue* stored = element->node->find(fake::nameOf(attribute));
    if (!stored) return kAXErrorAttributeUnsupported;
    if (std::holds_alternative<memory::Failure>(*stored)) return kAXErrorNoValue;
    *value = fake::cfOf(*stored, element->pid);
    return kAXErrorSuccess;
}

AXError AXUIElementCopyActionNames(AXUIElementRef ref, CFArrayRef* names) {
    const fake::Element* element = elementOf(ref);
    if (const auto refused = refusal(element)) return *refused;
    if (!element->node->actions) return kAXErrorCannotComplete;
    std::vector<CFTypeRef> values;
    for (const memory::StoredValue& stored : *element->node->actions) {
        values.push_back(std::holds_alternative<memory::Failure>(stored) ? fake::as<CFTypeRef>(fake::born(new fake::Other()))
                                                                         : fake::cfOf(stored, element->pid));
    }
    *names = CFArrayCreate(kCFAllocatorDefault, values.data(), static_cast<CFIndex>(values.size()),
                           &kCFTypeArrayCallBacks);
    for (CFTypeRef created : values) CFRelease(created);
    return kAXErrorSuccess;
}

AXError AXUIElementPerformAction(AXUIElementRef ref, CFStringRef action) {
    const fake::Element* element = elementOf(ref);
    memory::desktop().records.emplace_back(memory::Performed{element ? element->node : nullptr, fake::nameOf(action)});
    if (const auto refused = refusal(element)) return *refused;
    return element->node->actionSucceeds ? AXError{kAXErrorSuccess} : AXError{kAXErrorActionUnsupported};
}

AXError AXUIElementSetAttributeValue(AXUIElementRef ref, CFStringRef attribute, CFTypeRef value) {
    const fake::Element* element = elementOf(ref);
    memory::Node* node = element ? element->node : nullptr;
    const std::string name = fake::nameOf(attribute);
    memory::AttributeSet record{node, name, std::nullopt, std::nullopt, false};
    if (CFGetTypeID(value) == CFStringGetTypeID()) record.text = fake::utf8(static_cast<CFStringRef>(value));
    if (CFGetTypeID(value) == CFBooleanGetTypeID()) record.flag = CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0;
    const auto refused = refusal(element);
    record.succeeded = !refused && node->settable.count(name) > 0;
    if (record.succeeded) {
        if (record.text) node->set(name, *record.text);
        if (record.flag) node->set(name, *record.flag);
    }
    memory::desktop().records.emplace_back(record);
    if (refused) return *refused;
    return record.succeeded ? AXError{kAXErrorSuccess} : AXError{kAXErrorAttributeUnsupported};
}

AXError AXUIElementIsAttributeSettable(AXUIElementRef ref, CFStringRef attribute, Boolean* settable) {
    const fake::Element* element = elementOf(ref);
    if (const auto refused = refusal(element)) return *refused;
    *settable = element->node->settable.count(fake::nameOf(attribute)) > 0;
    return kAXErrorSuccess;
}

AXValueRef AXValueCreate(AXValueType type, const void* valuePtr) {
    auto* value = fake::born(new fake::AxValue(type));
    if (type == kAXValueCGPointType) {
        const auto* point = static_cast<const CGPoint*>(valuePtr);
        value->first = point->x;
        value->second = point->y;
    } else if (type == kAXValueCGSizeType) {
        const auto* size = static_cast<const CGSize*>(valuePtr);
        value->first = size->width;
        value->second = size->height;
    }
    return fake::as<AXValueRef>(value);
}

AXValueType AXValueGetType(AXValueRef ref) {
    const auto* value = dynamic_cast<const fake::AxValue*>(fake::object(ref));
    return value ? value->type : AXValueType{kAXValueIllegalType};
}

Boolean AXValueGetValue(AXValueRef ref, AXValueType type, void* valuePtr) {
    const auto* value = dynamic_cast<const fake::AxValue*>(fake::object(ref));
    if (!value || value->type != type) return false;
    if (type == kAXValueCGPointType) *static_cast<CGPoint*>(valuePtr) = CGPoint{value->first, value->second};
    if (type == kAXValueCGSizeType) *static_cast<CGSize*>(valuePtr) = CGSize{value->first, value->second};
    return true;
}

Boolean AXIsProcessTrustedWithOptions(CFDictionaryRef options) {
    const void* prompt = options ? CFDictionaryGetValue(options, kAXTrustedCheckOptionPrompt) : nullptr;
    const bool asked = prompt && CFGetTypeID(prompt) == CFBooleanGetTypeID() &&
                       CFBooleanGetValue(static_cast<CFBooleanRef>(prompt));
    memory::desktop().trustQueries.push_back(asked);
    return memory::desktop().trusted;
}

}  // extern "C"
