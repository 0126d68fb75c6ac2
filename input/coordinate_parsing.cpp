#include "input/coordinate_parsing.h"

#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <string>
#if defined(__APPLE__)
// Darwin declares locale_t, newlocale and strtod_l here.
#include <xlocale.h>
#endif

#include "accessibility/geometry_conversion.h"

namespace {

// The POSIX numeric rules, made once: the decimal point is "." even when
// the process runs in a locale that writes ",".
locale_t posixNumericLocale() {
    static const locale_t locale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

std::optional<double> parseCoordinate(std::string_view text) {
    // strtod skips leading white space, which must not be accepted here.
    if (text.empty() || isBlank(text.front())) return std::nullopt;
    const locale_t locale = posixNumericLocale();
    if (locale == static_cast<locale_t>(nullptr)) return std::nullopt;
    // A terminated copy; an embedded NUL then stops the read short and fails
    // the whole-text check.
    const std::string terminated(text);
    char* end = nullptr;
    const double value = strtod_l(terminated.c_str(), &end, locale);
    if (end != terminated.c_str() + terminated.size()) return std::nullopt;
    // Rejects inf, nan and values beyond the 64-bit integer range.
    if (!truncateToInt64(value)) return std::nullopt;
    return value;
}
