#include "response/arguments.h"

#include <unicode/utf8.h>

#include <charconv>

namespace {

template <typename Integer>
std::optional<Integer> parseDecimal(std::string_view text) {
    std::size_t start = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) start = 1;
    if (start == text.size()) return std::nullopt;
    for (std::size_t i = start; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    // from_chars takes a "-" but not a "+"; the digits were checked above.
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    const char* last = text.data() + text.size();
    Integer value{};
    const auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last) return std::nullopt;
    return value;
}

}  // namespace

std::optional<std::int32_t> parseInt32(std::string_view text) { return parseDecimal<std::int32_t>(text); }
std::optional<std::int64_t> parseInt64(std::string_view text) { return parseDecimal<std::int64_t>(text); }

std::optional<std::string_view> argumentAt(const Arguments& arguments, std::size_t position) {
    if (position >= arguments.size()) return std::nullopt;
    return std::string_view(arguments[position]);
}

std::int64_t windowIndexOrZero(const Arguments& arguments, std::size_t position) {
    const auto text = argumentAt(arguments, position);
    if (!text) return 0;
    return parseInt64(*text).value_or(0);
}

std::string toValidUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::int32_t length = static_cast<std::int32_t>(bytes.size());
    std::int32_t i = 0;
    while (i < length) {
        const std::int32_t start = i;
        UChar32 codePoint;
        U8_NEXT(data, i, length, codePoint);
        if (codePoint < 0) out.append("\xEF\xBF\xBD");
        else out.append(bytes.data() + start, static_cast<std::size_t>(i - start));
    }
    return out;
}
