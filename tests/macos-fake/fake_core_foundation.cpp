#include <algorithm>
#include <map>
#include <set>

#include "tests/macos-fake/fake_objects.h"

namespace fake {
namespace {

std::set<const Object*>& alive() {
    static std::set<const Object*> objects;
    return objects;
}

// Constants, never released; kept apart so that a dead reference is
// never read to find out whether it is one.
std::set<const Object*>& constants() {
    static std::set<const Object*> objects;
    return objects;
}

template <typename T>
T* immortal(T* object) {
    object->immortal = true;
    constants().insert(object);
    return object;
}

std::u16string utf16Of(const std::string& text) {
    std::u16string units;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char32_t code = byte;
        std::size_t length = 1;
        if (byte >= 0xF0) code = byte & 0x07, length = 4;
        else if (byte >= 0xE0) code = byte & 0x0F, length = 3;
        else if (byte >= 0xC0) code = byte & 0x1F, length = 2;
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(code));
        }
    }
    return units;
}

long heldElements = 0;
long heldElementsPeak = 0;

// Follows the references to elements held outside arrays.
void countElementReferences(const Object* object, long delta) {
    if (!object || object->kind != Kind::element) return;
    heldElements += delta;
    heldElementsPeak = std::max(heldElementsPeak, heldElements);
}

}  // namespace

long elementReferences() { return heldElements; }
long elementReferencePeak() { return heldElementsPeak; }
void resetElementPeak() { heldElementsPeak = heldElements; }

State& state() {
    static State current;
    return current;
}

long liveObjects() { return static_cast<long>(alive().size()); }

Object* object(CFTypeRef ref) {
    auto* found = static_cast<Object*>(const_cast<void*>(ref));
    return alive().count(found) || constants().count(found) ? found : nullptr;
}

void registerObject(Object* object) {
    alive().insert(object);
    countElementReferences(object, 1);
}

String* newString(const std::string& utf8Text) { return born(new String(utf16Of(utf8Text))); }

std::string utf8(CFStringRef string) {
    const auto* text = dynamic_cast<const String*>(object(string));
    if (!text) return {};
    std::string out;
    for (std::size_t i = 0; i < text->units.size(); ++i) {
        char32_t code = text->units[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text->units.size()) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text->units[++i] - 0xDC00);
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

}  // namespace fake

using fake::object;

extern "C" {

const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFBooleanRef kCFBooleanTrue = static_cast<CFBooleanRef>(static_cast<const void*>(fake::immortal(new fake::Boolean(true))));
const CFBooleanRef kCFBooleanFalse = static_cast<CFBooleanRef>(static_cast<const void*>(fake::immortal(new fake::Boolean(false))));
const CFArrayCallBacks kCFTypeArrayCallBacks = {0, nullptr, nullptr, nullptr, nullptr};
const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {0, nullptr, nullptr, nullptr, nullptr, nullptr};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {0, nullptr, nullptr, nullptr, nullptr};

CFTypeRef CFRetain(CFTypeRef ref) {
    fake::Object* o = object(ref);
    if (o && !o->immortal) {
        ++o->retains;
        fake::countElementReferences(o, 1);
    }
    return ref;
}

void CFRelease(CFTypeRef ref) {
    fake::Object* o = object(ref);
    if (!o) {
        ++fake::state().badReleases;
        return;
    }
    if (o->immortal) return;
    fake::countElementReferences(o, -1);
    if (--o->retains > 0) return;
    fake::alive().erase(o);
    if (auto* array = dynamic_cast<fake::Array*>(o); array && array->retainsValues) {
        for (CFTypeRef value : array->values) {
            if (fake::Object* member = object(value)) {
                --member->heldByContainers;
                fake::countElementReferences(member, 1);  // the release below is the array's
            }
            CFRelease(value);
        }
    }
    if (auto* dictionary = dynamic_cast<fake::Dictionary*>(o); dictionary && dictionary->retainsEntries) {
        for (auto& [key, value] : dictionary->entries) {
            CFRelease(key);
            CFRelease(value);
        }
    }
    delete o;
}

CFTypeID CFGetTypeID(CFTypeRef ref) {
    const fake::Object* o = object(ref);
    return o ? static_cast<CFTypeID>(o->kind) + 1 : 0;
}

CFTypeID CFStringGetTypeID(void) { return static_cast<CFTypeID>(fake::Kind::string) + 1; }
CFTypeID CFNumberGetTypeID(void) { return static_cast<CFTypeID>(fake::Kind::number) + 1; }
CFTypeID CFBooleanGetTypeID(void) { return static_cast<CFTypeID>(fake::Kind::boolean) + 1; }
CFTypeID CFArrayGetTypeID(void) { return static_cast<CFTypeID>(fake::Kind::array) + 1; }
CFTypeID CFDictionaryGetTypeID(void) { return static_cast<CFTypeID>(fake::Kind::dictionary) + 1; }
CFTypeID AXUIElementGetTypeID(void) { return static_cast<CFTypeID>(fake::Kind::element) + 1; }
CFTypeID AXValueGetTypeID(void) { return static_cast<CFTypeID>(fake::Kind::axValue) + 1; }

Boolean CFEqual(CFTypeRef first, CFTypeRef second) {
    const fake::Object* a = object(first);
    const fake::Object* b = object(second);
    if (!a || !b) return false;
    if (a == b) return true;
    const auto* elementA = dynamic_cast<const fake::Element*>(a);
    const auto* elementB = dynamic_cast<const fake::Element*>(b);
    if (elementA && elementB) return elementA->node && elementA->node == elementB->node;
    const auto* textA = dynamic_cast<const fake::String*>(a);
    const auto* textB = dynamic_cast<const fake::String*>(b);
    return textA && textB && textA->units == textB->units;
}

CFIndex CFStringGetLength(CFStringRef string) {
    const auto* text = dynamic_cast<const fake::String*>(object(string));
    return text ? static_cast<CFIndex>(text->units.size()) : 0;
}

void CFStringGetCharacters(CFStringRef string, CFRange range, UniChar* buffer) {
    const auto* text = dynamic_cast<const fake::String*>(object(string));
    if (!text || range.location < 0 || range.length < 0 ||
        static_cast<std::size_t>(range.location + range.length) > text->units.size()) {
        return;
    }
    for (CFIndex i = 0; i < range.length; ++i) buffer[i] = text->units[static_cast<std::size_t>(range.location + i)];
}

CFStringRef CFStringCreateWithCharacters(CFAllocatorRef, const UniChar* characters, CFIndex count) {
    std::u16string units(reinterpret_cast<const char16_t*>(characters), static_cast<std::size_t>(count));
    return static_cast<CFStringRef>(static_cast<const void*>(fake::born(new fake::String(std::move(units)))));
}

CFStringRef __CFStringMakeConstantString(const char* text) {
    static std::map<std::string, fake::String*> constants;
    auto& slot = constants[text];
    if (!slot) slot = fake::immortal(new fake::String(fake::utf16Of(text)));
    return static_cast<CFStringRef>(static_cast<const void*>(slot));
}

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType type, const void* value) {
    auto* number = fake::born(new fake::Number());
    switch (type) {
        case kCFNumberSInt32Type:
            number->integer = *static_cast<const std::int32_t*>(value);
            break;
        case kCFNumberSInt64Type:
            number->integer = *static_cast<const std::int64_t*>(value);
            break;
        default:
            number->isFloat = true;
            number->real = *static_cast<const double*>(value);
            break;
    }
    return static_cast<CFNumberRef>(static_cast<const void*>(number));
}

Boolean CFNumberGetValue(CFNumberRef ref, CFNumberType type, void* value) {
    const auto* number = dynamic_cast<const fake::Number*>(object(ref));
    if (!number) return false;
    switch (type) {
        case kCFNumberSInt32Type:
            *static_cast<std::int32_t*>(value) =
                static_cast<std::int32_t>(number->isFloat ? static_cast<std::int64_t>(number->real) : number->integer);
            return true;
        case kCFNumberSInt64Type:
            *static_cast<std::int64_t*>(value) = number->isFloat ? static_cast<std::int64_t>(number->real) : number->integer;
            return !number->isFloat;
        default:
            *static_cast<double*>(value) = number->isFloat ? number->real : static_cast<double>(number->integer);
            return true;
    }
}

Boolean CFNumberIsFloatType(CFNumberRef ref) {
    const auto* number = dynamic_cast<const fake::Number*>(object(ref));
    return number && number->isFloat;
}

Boolean CFBooleanGetValue(CFBooleanRef ref) {
    const auto* flag = dynamic_cast<const fake::Boolean*>(object(ref));
    return flag && flag->value;
}

CFArrayRef CFArrayCreate(CFAllocatorRef, const void** values, CFIndex count, const CFArrayCallBacks* callBacks) {
    auto* array = fake::born(new fake::Array());
    array->retainsValues = callBacks == &kCFTypeArrayCallBacks;
    for (CFIndex i = 0; i < count; ++i) {
        array->values.push_back(values[i]);
        if (array->retainsValues) {
            if (fake::Object* member = object(values[i])) {
                ++member->heldByContainers;
                fake::countElementReferences(member, -1);  // the retain below is the array's
            }
            CFRetain(values[i]);
        }
    }
    return static_cast<CFArrayRef>(static_cast<const void*>(array));
}

CFIndex CFArrayGetCount(CFArrayRef ref) {
    const auto* array = dynamic_cast<const fake::Array*>(object(ref));
    return array ? static_cast<CFIndex>(array->values.size()) : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef ref, CFIndex index) {
    const auto* array = dynamic_cast<const fake::Array*>(object(ref));
    if (!array || index < 0 || static_cast<std::size_t>(index) >= array->values.size()) return nullptr;
    return array->values[static_cast<std::size_t>(index)];
}

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values, CFIndex count,
                                   const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks) {
    auto* dictionary = fake::born(new fake::Dictionary());
    dictionary->retainsEntries =
        keyCallBacks == &kCFTypeDictionaryKeyCallBacks && valueCallBacks == &kCFTypeDictionaryValueCallBacks;
    for (CFIndex i = 0; i < count; ++i) {
        dictionary->entries.emplace_back(keys[i], values[i]);
        if (dictionary->retainsEntries) {
            CFRetain(keys[i]);
            CFRetain(values[i]);
        }
    }
    return static_cast<CFDictionaryRef>(static_cast<const void*>(dictionary));
}

const void* CFDictionaryGetValue(CFDictionaryRef ref, const void* key) {
    const auto* dictionary = dynamic_cast<const fake::Dictionary*>(object(ref));
    if (!dictionary) return nullptr;
    for (const auto& [k, v] : dictionary->entries)
        if (CFEqual(k, key)) return v;
    return nullptr;
}

}  // extern "C"
