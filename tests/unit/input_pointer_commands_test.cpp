#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "input/coordinate_parsing.h"
#include "input/pointer_commands.h"
#include "input_event_stream.h"

namespace {

using input_test::recordedStream;

const std::string clickXYUsage = R"({"error":"Usage: tavik-ax click-xy <x> <y>"})";
const std::string scrollUsage = R"x({"error":"Usage: tavik-ax scroll <amount> (negative=down, positive=up)"})x";

struct ClickXYCase {
    Arguments operands;  // positions 2 on
    std::string document;
    std::vector<std::string> stream;
};
void PrintTo(const ClickXYCase& c, std::ostream* out) { *out << input_test::joinedOperands(c.operands); }

class ClickXYCommand : public testing::TestWithParam<ClickXYCase> {};

TEST_P(ClickXYCommand, ClicksAtTheExactPointAndReportsItTruncated) {
    memory::resetDesktop();
    const ClickXYCase& c = GetParam();
    Arguments arguments{"tavik-ax", "click-xy"};
    arguments.insert(arguments.end(), c.operands.begin(), c.operands.end());

    const CommandResult result = runClickXY(arguments);

    EXPECT_EQ(result.document, c.document);
    EXPECT_EQ(result.status, c.document == clickXYUsage ? 1 : 0);
    EXPECT_EQ(recordedStream(), c.stream);
}

std::vector<std::string> clickStream(const std::string& point) {
    return {"down " + point, "pause 50000", "up " + point};
}

INSTANTIATE_TEST_SUITE_P(
    Coordinates, ClickXYCommand,
    testing::Values(
        ClickXYCase{{"100.7", "-20.2"}, R"({"success":true,"x":100,"y":-20})", clickStream("100.7 -20.2")},
        ClickXYCase{{"1e3", "0x10"}, R"({"success":true,"x":1000,"y":16})", clickStream("1000 16")},
        ClickXYCase{{"+2.5E0", "-0X1.8p1"}, R"({"success":true,"x":2,"y":-3})", clickStream("2.5 -3")},
        ClickXYCase{{"-0.5", "3"}, R"({"success":true,"x":0,"y":3})", clickStream("-0.5 3")},
        ClickXYCase{{".5", "7.", "99"}, R"({"success":true,"x":0,"y":7})", clickStream("0.5 7")},
        // A magnitude too small to represent reads as zero rather than failing.
        ClickXYCase{{"1e-400", "7"}, R"({"success":true,"x":0,"y":7})", clickStream("0 7")},
        // -2^63 is the lowest coordinate whose truncation still fits.
        ClickXYCase{{"-9223372036854775808", "0"}, R"({"success":true,"x":-9223372036854775808,"y":0})",
                    clickStream("-9223372036854775808 0")},
        // Anything that is not one whole finite number in range is a usage error.
        ClickXYCase{{"5"}, clickXYUsage, {}}, ClickXYCase{{" 5", "7"}, clickXYUsage, {}},
        ClickXYCase{{"5", "7 "}, clickXYUsage, {}}, ClickXYCase{{"5px", "7"}, clickXYUsage, {}},
        ClickXYCase{{"", "7"}, clickXYUsage, {}}, ClickXYCase{{"5", ""}, clickXYUsage, {}},
        ClickXYCase{{"inf", "7"}, clickXYUsage, {}}, ClickXYCase{{"5", "-Infinity"}, clickXYUsage, {}},
        ClickXYCase{{"nan", "7"}, clickXYUsage, {}}, ClickXYCase{{"5", "NAN(1)"}, clickXYUsage, {}},
        ClickXYCase{{"1e19", "7"}, clickXYUsage, {}}, ClickXYCase{{"9223372036854775808", "7"}, clickXYUsage, {}},
        ClickXYCase{{"1e999", "7"}, clickXYUsage, {}}, ClickXYCase{{"0x", "7"}, clickXYUsage, {}},
        ClickXYCase{{"1,5", "7"}, clickXYUsage, {}}, ClickXYCase{{"+-1", "7"}, clickXYUsage, {}},
        ClickXYCase{{"0x-1", "7"}, clickXYUsage, {}}, ClickXYCase{{std::string("5\0" "1", 3), "7"}, clickXYUsage, {}}));

TEST(CoordinateParsing, ReadsThePosixDecimalPointWhateverTheProcessLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";

    const auto point = parseCoordinate("100.5");
    const auto comma = parseCoordinate("100,5");
    std::setlocale(LC_NUMERIC, previous.c_str());

    EXPECT_EQ(point, 100.5);
    EXPECT_EQ(comma, std::nullopt);
}

struct ScrollCase {
    std::string amount;
    std::int32_t used;
};
void PrintTo(const ScrollCase& c, std::ostream* out) { *out << '"' << c.amount << '"'; }

class ScrollCommand : public testing::TestWithParam<ScrollCase> {};

TEST_P(ScrollCommand, ScrollsByADecimalInt32OrByMinusThree) {
    memory::resetDesktop();
    const ScrollCase& c = GetParam();

    const CommandResult result = runScroll({"tavik-ax", "scroll", c.amount, "ignored"});

    EXPECT_EQ(result.document, R"({"success":true,"deltaY":)" + std::to_string(c.used) + "}");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(recordedStream(), std::vector<std::string>{"scroll " + std::to_string(c.used)});
}

INSTANTIATE_TEST_SUITE_P(Amounts, ScrollCommand,
                         testing::Values(ScrollCase{"5", 5}, ScrollCase{"-120", -120}, ScrollCase{"+7", 7},
                                         ScrollCase{"-2147483648", -2147483648},
                                         ScrollCase{"2147483647", 2147483647}, ScrollCase{"abc", -3},
                                         ScrollCase{"", -3}, ScrollCase{"1.5", -3}, ScrollCase{" 3", -3},
                                         ScrollCase{"2147483648", -3}, ScrollCase{"-", -3},
                                         ScrollCase{"0x10", -3}));

TEST(ScrollCommand, WithoutAnAmountIsAUsageErrorAndScrollsNothing) {
    memory::resetDesktop();

    const CommandResult result = runScroll({"tavik-ax", "scroll"});

    EXPECT_EQ(result.document, scrollUsage);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(memory::desktop().records.empty());
}

}  // namespace
