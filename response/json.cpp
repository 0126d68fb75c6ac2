#include "response/json.h"

#include <unicode/utf8.h>

#include <array>
#include <charconv>

void JsonObject::set(std::string key, JsonValue value) {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i] == key) {
            values_[i] = std::move(value);
            return;
        }
    }
    keys_.push_back(std::move(key));
    values_.push_back(std::move(value));
}

namespace {

// Escapes that JSON needs, plus "/" which the text form always escapes;
// 0 means the byte is written as it is.
constexpr char escapeFor(unsigned char byte) {
    switch (byte) {
        case '"': return '"';
        case '\\': return '\\';
        case '/': return '/';
        case '\b': return 'b';
        case '\f': return 'f';
        case '\n': return 'n';
        case '\r': return 'r';
        case '\t': return 't';
        default: return 0;
    }
}

// Bytes copied as they are: printable ASCII other than the three escaped.
constexpr std::array<bool, 256> plainBytes = [] {
    std::array<bool, 256> plain{};
    for (int byte = 0x20; byte < 0x80; ++byte) plain[static_cast<std::size_t>(byte)] = true;
    plain['"'] = plain['\\'] = plain['/'] = false;
    return plain;
}();

void appendString(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::int64_t length = static_cast<std::int64_t>(text.size());
    std::int64_t i = 0;
    while (i < length) {
        // Copy the longest run of plain ASCII and well-formed multi-byte
        // sequences in one piece.
        const std::int64_t runStart = i;
        for (;;) {
            while (i < length && plainBytes[bytes[i]]) ++i;
            if (i >= length || bytes[i] < 0x80) break;
            std::int64_t next = i;
            UChar32 codePoint;
            U8_NEXT(bytes, next, length, codePoint);
            if (codePoint < 0) break;
            i = next;
        }
        out.append(text.data() + runStart, static_cast<std::size_t>(i - runStart));
        if (i >= length) break;
        const std::uint8_t byte = bytes[i];
        if (byte < 0x80) {
            out.push_back('\\');
            if (const char escape = escapeFor(byte)) {
                out.push_back(escape);
            } else {
                out.append("u00");
                out.push_back(hex[byte >> 4]);
                out.push_back(hex[byte & 0xF]);
            }
            ++i;
            continue;
        }
        UChar32 codePoint;
        U8_NEXT(bytes, i, length, codePoint);  // steps over the ill-formed part
        (void)codePoint;
        out.append("\xEF\xBF\xBD");  // U+FFFD for an ill-formed sequence
    }
    out.push_back('"');
}

void appendInteger(std::string& out, std::int64_t number) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    out.append(digits, result.ptr);
}

void appendObject(std::string& out, const JsonObject& object) {
    out.push_back('{');
    const auto& keys = object.keys();
    const auto& values = object.values();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i) out.push_back(',');
        appendString(out, keys[i]);
        out.push_back(':');
        appendJson(out, values[i]);
    }
    out.push_back('}');
}

}  // namespace

void appendJson(std::string& out, const JsonValue& value) {
    const auto& variant = value.variant();
    switch (variant.index()) {
        case 0: appendString(out, std::get<std::string>(variant)); break;
        case 1: appendInteger(out, std::get<std::int64_t>(variant)); break;
        case 2: out.append(std::get<bool>(variant) ? "true" : "false"); break;
        case 3: {
            out.push_back('[');
            bool first = true;
            for (const JsonValue& element : std::get<JsonArray>(variant)) {
                if (!first) out.push_back(',');
                first = false;
                appendJson(out, element);
            }
            out.push_back(']');
            break;
        }
        default: appendObject(out, std::get<JsonObject>(variant)); break;
    }
}

std::string json(const JsonObject& object) {
    std::string out;
    appendObject(out, object);
    return out;
}

std::string jsonArray(const std::vector<JsonObject>& objects) {
    std::string out = "[";
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (i) out.push_back(',');
        // Each object's keys and values live in their own allocations: ask
        // for the next ones early so a long list does not wait on memory.
        if (i + 2 < objects.size()) {
            __builtin_prefetch(objects[i + 2].keys().data());
            __builtin_prefetch(objects[i + 2].values().data());
        }
        appendObject(out, objects[i]);
    }
    out.push_back(']');
    return out;
}

std::string errorResponse(std::string_view message) {
    JsonObject object;
    object.set("error", JsonValue(message));
    return json(object);
}
