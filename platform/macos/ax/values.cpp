#include "platform/macos/ax/values.h"

#include <ApplicationServices/ApplicationServices.h>
#include <unicode/ustring.h>

#include <cmath>
#include <vector>

#include "platform/macos/ax/element.h"

namespace platform::macos {

std::string utf8Of(CFStringRef string) {
    const CFIndex length = CFStringGetLength(string);
    if (length <= 0) return {};
    std::vector<UniChar> units(static_cast<std::size_t>(length));
    CFStringGetCharacters(string, CFRangeMake(0, length), units.data());
    static_assert(sizeof(UniChar) == sizeof(UChar));
    const auto* source = reinterpret_cast<const UChar*>(units.data());
    // Worst case three bytes per unit (a pair gives four bytes for two).
    std::string text(units.size() * 3, '\0');
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(text.data(), static_cast<int32_t>(text.size()), &written, source,
                       static_cast<int32_t>(units.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) return {};
    text.resize(static_cast<std::size_t>(written));
    return text;
}

CfOwned<CFStringRef> cfString(std::string_view utf8) {
    // At most one UTF-16 unit per byte.
    std::vector<UChar> units(utf8.size() + 1);
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(units.data(), static_cast<int32_t>(units.size()), &written, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) written = 0;
    return CfOwned<CFStringRef>(
        CFStringCreateWithCharacters(kCFAllocatorDefault, reinterpret_cast<const UniChar*>(units.data()), written));
}

namespace {

AttributeValue numberValueOf(CFNumberRef number) {
    if (CFNumberIsFloatType(number)) {
        double real = 0;
        CFNumberGetValue(number, kCFNumberDoubleType, &real);
        return real;
    }
    std::int64_t integer = 0;
    CFNumberGetValue(number, kCFNumberSInt64Type, &integer);
    return integer;
}

// An array is a list of elements when every member is one; any other array
// is a value the tool does not read.
AttributeValue arrayValueOf(CFArrayRef array) {
    const CFIndex count = CFArrayGetCount(array);
    std::vector<Element> elements;
    elements.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (CFIndex i = 0; i < count; ++i) {
        const void* member = CFArrayGetValueAtIndex(array, i);
        if (!member || CFGetTypeID(member) != AXUIElementGetTypeID()) return OtherValue{};
        // The array keeps its own reference; the handle takes one of its own.
        elements.push_back(borrowedElement(static_cast<AXUIElementRef>(member)));
    }
    return elements;
}

AttributeValue axValueOf(AXValueRef value) {
    switch (AXValueGetType(value)) {
        case kAXValueCGPointType: {
            CGPoint point{0, 0};
            AXValueGetValue(value, kAXValueCGPointType, &point);
            return PointValue{{point.x, point.y}};
        }
        case kAXValueCGSizeType: {
            CGSize size{0, 0};
            AXValueGetValue(value, kAXValueCGSizeType, &size);
            return SizeValue{{size.width, size.height}};
        }
        default:
            return OtherValue{};
    }
}

}  // namespace

AttributeValue attributeValueOf(CFTypeRef value) {
    if (!value) return OtherValue{};
    const CFTypeID type = CFGetTypeID(value);
    if (type == CFStringGetTypeID()) return utf8Of(static_cast<CFStringRef>(value));
    if (type == CFBooleanGetTypeID()) return CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0;
    if (type == CFNumberGetTypeID()) return numberValueOf(static_cast<CFNumberRef>(value));
    if (type == AXUIElementGetTypeID()) return borrowedElement(static_cast<AXUIElementRef>(value));
    if (type == CFArrayGetTypeID()) return arrayValueOf(static_cast<CFArrayRef>(value));
    if (type == AXValueGetTypeID()) return axValueOf(static_cast<AXValueRef>(value));
    return OtherValue{};
}

CfOwned<CFTypeRef> cfValueOf(const AttributeValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return CfOwned<CFTypeRef>(cfString(*text).release());
    if (const auto* flag = std::get_if<bool>(&value))
        return CfOwned<CFTypeRef>::retained(*flag ? kCFBooleanTrue : kCFBooleanFalse);
    if (const auto* integer = std::get_if<std::int64_t>(&value))
        return CfOwned<CFTypeRef>(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, integer));
    if (const auto* real = std::get_if<double>(&value))
        return CfOwned<CFTypeRef>(CFNumberCreate(kCFAllocatorDefault, kCFNumberDoubleType, real));
    if (const auto* point = std::get_if<PointValue>(&value)) {
        const CGPoint raw{point->point.x, point->point.y};
        return CfOwned<CFTypeRef>(AXValueCreate(kAXValueCGPointType, &raw));
    }
    if (const auto* size = std::get_if<SizeValue>(&value)) {
        const CGSize raw{size->size.width, size->size.height};
        return CfOwned<CFTypeRef>(AXValueCreate(kAXValueCGSizeType, &raw));
    }
    if (const auto* element = std::get_if<Element>(&value)) {
        return CfOwned<CFTypeRef>::retained(axElementOf(*element));
    }
    return {};
}

}  // namespace platform::macos
