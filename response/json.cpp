#include "response/json.h"

#include <unicode/utf8.h>

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

const JsonValue* JsonObject::find(std::string_view key) const {
    for (std::size_t i = 0; i < keys_.size(); ++i)
        if (keys_[i] == key) return &values_[i];
    return nullptr;
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

void appendString(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::int32_t length = static_cast<std::int32_t>(text.size());
    std::int32_t i = 0;
    while (i < length) {
        // Copy the longest run that needs no escape and no validation.
        std::int32_t run = i;
        while (run < length && bytes[run] >= 0x20 && bytes[run] < 0x80 && bytes[run] != '"' && bytes[run] != '\\' &&
               bytes[run] != '/')
            ++run;
        out.append(text.data() + i, static_cast<std::size_t>(run - i));
        i = run;
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
        const std::int32_t start = i;
        UChar32 codePoint;
        U8_NEXT(bytes, i, length, codePoint);
        if (codePoint < 0) out.append("\xEF\xBF\xBD");  // U+FFFD for an ill-formed sequence
        else out.append(text.data() + start, static_cast<std::size_t>(i - start));
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
