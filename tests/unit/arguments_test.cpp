#include <gtest/gtest.h>

#include "response/arguments.h"

namespace {

struct IntegerCase {
    const char* text;
    std::optional<std::int64_t> as64;
    std::optional<std::int32_t> as32;
};

const IntegerCase integerCases[] = {
    {"0", 0, 0},
    {"42", 42, 42},
    {"+7", 7, 7},
    {"-0", 0, 0},
    {"-5", -5, -5},
    {"007", 7, 7},
    {"2147483647", 2147483647, 2147483647},
    {"-2147483648", -2147483648LL, -2147483647 - 1},
    {"2147483648", 2147483648LL, std::nullopt},
    {"-2147483649", -2147483649LL, std::nullopt},
    {"9223372036854775807", INT64_MAX, std::nullopt},
    {"-9223372036854775808", INT64_MIN, std::nullopt},
    {"9223372036854775808", std::nullopt, std::nullopt},
    {"-9223372036854775809", std::nullopt, std::nullopt},
    {"", std::nullopt, std::nullopt},
    {"+", std::nullopt, std::nullopt},
    {"-", std::nullopt, std::nullopt},
    {"+-1", std::nullopt, std::nullopt},
    {"--1", std::nullopt, std::nullopt},
    {" 1", std::nullopt, std::nullopt},
    {"1 ", std::nullopt, std::nullopt},
    {"1,000", std::nullopt, std::nullopt},
    {"0x10", std::nullopt, std::nullopt},
    {"4e2", std::nullopt, std::nullopt},
    {"3.5", std::nullopt, std::nullopt},
    {"12abc", std::nullopt, std::nullopt},
    {"\xD9\xA3", std::nullopt, std::nullopt},  // ARABIC-INDIC DIGIT THREE is not an ASCII digit
};

TEST(DecimalIntegerText, ParsesOnlyTheOneGrammarWithinRange) {
    for (const IntegerCase& c : integerCases) {
        EXPECT_EQ(parseInt64(c.text), c.as64) << '"' << c.text << '"';
        EXPECT_EQ(parseInt32(c.text), c.as32) << '"' << c.text << '"';
    }
}

TEST(WindowIndexOption, FallsBackToZero) {
    const Arguments arguments{"tavik-ax", "read-tree", "1", "5", "abc", "-3"};
    EXPECT_EQ(windowIndexOrZero(arguments, 4), 0);
    EXPECT_EQ(windowIndexOrZero(arguments, 5), -3);
    EXPECT_EQ(windowIndexOrZero(arguments, 9), 0);
}

TEST(ArgumentText, IllFormedUtf8BecomesReplacementCharacter) {
    const struct {
        std::string bytes;
        std::string expected;
    } cases[] = {
        {"plain", "plain"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"a\xFF" "b", "a\xEF\xBF\xBD" "b"},
        {"\xC3", "\xEF\xBF\xBD"},                      // truncated sequence
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // encoded surrogate
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},      // overlong "/"
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) EXPECT_EQ(toValidUtf8(c.bytes), c.expected);
}

}  // namespace
