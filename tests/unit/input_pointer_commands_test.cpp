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
    // A display wide enough for every point of the table.
    memory::desktop().displays = {{1, platform::Rect{-1e19, -1e19, 2e19, 2e19}}};
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

const std::string offScreen = R"({"error":"Point is outside every display"})";

struct DisplayCase {
    std::vector<std::pair<platform::DisplayId, platform::Rect>> displays;
    Arguments operands;
    bool clicked;
};
void PrintTo(const DisplayCase& c, std::ostream* out) { *out << input_test::joinedOperands(c.operands); }

class ClickXYDisplays : public testing::TestWithParam<DisplayCase> {};

// The window system would click a point off every display at the nearest
// edge; such a point is refused and nothing is posted.
TEST_P(ClickXYDisplays, ClicksOnlyAPointOnADisplay) {
    memory::resetDesktop();
    memory::desktop().displays = GetParam().displays;
    Arguments arguments{"tavik-ax", "click-xy"};
    arguments.insert(arguments.end(), GetParam().operands.begin(), GetParam().operands.end());

    const CommandResult result = runClickXY(arguments);

    if (GetParam().clicked) {
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(recordedStream().size(), 3u);
    } else {
        EXPECT_EQ(result.document, offScreen);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(recordedStream(), std::vector<std::string>{});
    }
}

// Two displays side by side of different heights, with a gap under the
// smaller one.
const std::vector<std::pair<platform::DisplayId, platform::Rect>> twoDisplays{
    {1, platform::Rect{0, 0, 1280, 800}}, {2, platform::Rect{1280, 0, 1024, 768}}};

INSTANTIATE_TEST_SUITE_P(
    Points, ClickXYDisplays,
    testing::Values(DisplayCase{twoDisplays, {"0", "0"}, true}, DisplayCase{twoDisplays, {"1279.9", "799.9"}, true},
                    DisplayCase{twoDisplays, {"1280", "767"}, true}, DisplayCase{twoDisplays, {"2303", "0"}, true},
                    DisplayCase{twoDisplays, {"2304", "0"}, false}, DisplayCase{twoDisplays, {"2000", "790"}, false},
                    DisplayCase{twoDisplays, {"-0.5", "3"}, false}, DisplayCase{twoDisplays, {"5", "800"}, false},
                    DisplayCase{twoDisplays, {"1e9", "-1e9"}, false}, DisplayCase{{}, {"0", "0"}, false}));

// Without an input stream nothing is posted, and no pause is taken for it.
TEST(PointerCommands, WithoutADisplayPostNothingAndSaySo) {
    for (const Arguments& arguments : {Arguments{"tavik-ax", "click-xy", "10", "10"}, Arguments{"tavik-ax", "scroll", "-120"}}) {
        memory::resetDesktop();
        memory::desktop().displays = twoDisplays;
        memory::desktop().inputAvailable = false;

        const CommandResult result = arguments[1] == "scroll" ? runScroll(arguments) : runClickXY(arguments);

        EXPECT_EQ(result.document, R"({"error":"No display to send input to"})") << arguments[1];
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(memory::desktop().records.empty());
    }
}

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

// The new pointer commands and options: each case is one run with its
// document, status and every event and pause posted.
struct PointerCase {
    Arguments arguments;  // from the command name on
    std::string document;
    std::vector<std::string> stream;
};
void PrintTo(const PointerCase& c, std::ostream* out) { *out << input_test::joinedOperands(c.arguments); }

class PointerActions : public testing::TestWithParam<PointerCase> {};

TEST_P(PointerActions, PostExactlyTheirEventsOrNothingWithAnError) {
    memory::resetDesktop();
    memory::desktop().displays = {{1, platform::Rect{0, 0, 1280, 800}}};
    memory::desktop().pointer = platform::Point{3.5, 4};
    const PointerCase& c = GetParam();
    Arguments arguments{"tavik-ax"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const std::string& name = c.arguments[0];

    const CommandResult result = name == "click-xy"  ? runClickXY(arguments)
                                 : name == "move-xy" ? runMoveXY(arguments)
                                 : name == "drag-xy" ? runDragXY(arguments)
                                 : name == "pointer" ? runPointer(arguments)
                                                     : runScroll(arguments);

    EXPECT_EQ(result.document, c.document);
    EXPECT_EQ(result.status, c.document.starts_with(R"({"error")") ? 1 : 0);
    EXPECT_EQ(recordedStream(), c.stream);
}

std::vector<std::string> dragStream() {
    std::vector<std::string> stream{"down 10 20"};
    for (int step = 1; step <= 10; ++step) {
        stream.push_back("pause 16000");
        stream.push_back("drag " + std::to_string(10 + 10 * step) + " " + std::to_string(20 - 2 * step));
    }
    stream.push_back("pause 16000");
    stream.push_back("up 110 0");
    return stream;
}

const std::string countError = R"({"error":"--count takes 1, 2 or 3"})";
const std::string buttonError = R"({"error":"--button takes left, right or middle"})";
const std::string atError = R"({"error":"--at takes two screen coordinates"})";
const std::string moveUsage = R"({"error":"Usage: tavik-ax move-xy <x> <y>"})";
const std::string dragUsage = R"({"error":"Usage: tavik-ax drag-xy <x1> <y1> <x2> <y2>"})";

INSTANTIATE_TEST_SUITE_P(
    Commands, PointerActions,
    testing::Values(
        PointerCase{{"click-xy", "5.5", "6", "--button", "right"},
                    R"({"success":true,"x":5,"y":6,"button":"right"})",
                    {"right-down 5.5 6", "pause 50000", "right-up 5.5 6"}},
        PointerCase{{"click-xy", "5", "6", "--count", "2"},
                    R"({"success":true,"x":5,"y":6,"count":2})",
                    {"down 5 6", "pause 50000", "up 5 6", "pause 50000", "down 5 6 click 2", "pause 50000",
                     "up 5 6 click 2"}},
        PointerCase{{"click-xy", "5", "6", "--count", "3", "--button", "middle", "extra"},
                    R"({"success":true,"x":5,"y":6,"button":"middle","count":3})",
                    {"middle-down 5 6", "pause 50000", "middle-up 5 6", "pause 50000", "middle-down 5 6 click 2",
                     "pause 50000", "middle-up 5 6 click 2", "pause 50000", "middle-down 5 6 click 3", "pause 50000",
                     "middle-up 5 6 click 3"}},
        PointerCase{{"click-xy", "5", "6", "--button", "left", "--count", "1"},
                    R"({"success":true,"x":5,"y":6,"button":"left","count":1})",
                    {"down 5 6", "pause 50000", "up 5 6"}},
        PointerCase{{"click-xy", "5", "6", "--count", "0"}, countError, {}},
        PointerCase{{"click-xy", "5", "6", "--count", "4"}, countError, {}},
        PointerCase{{"click-xy", "5", "6", "--count", "two"}, countError, {}},
        PointerCase{{"click-xy", "5", "6", "--count"}, countError, {}},
        PointerCase{{"click-xy", "5", "6", "--button", "Right"}, buttonError, {}},
        PointerCase{{"click-xy", "5", "6", "--count", "2", "--button"}, buttonError, {}},
        PointerCase{{"click-xy", "5", "--count", "2"}, clickXYUsage, {}},
        PointerCase{{"click-xy", "9999", "6", "--count", "2"}, offScreen, {}},
        PointerCase{{"move-xy", "100.9", "7"}, R"({"success":true,"x":100,"y":7})", {"move 100.9 7"}},
        PointerCase{{"move-xy", "100"}, moveUsage, {}},
        PointerCase{{"move-xy", "100", "seven"}, moveUsage, {}},
        PointerCase{{"move-xy", "-1", "7"}, offScreen, {}},
        PointerCase{{"drag-xy", "10", "20", "110", "0"}, R"({"success":true,"x1":10,"y1":20,"x2":110,"y2":0})",
                    dragStream()},
        PointerCase{{"drag-xy", "10", "20", "110"}, dragUsage, {}},
        PointerCase{{"drag-xy", "10", "20", "110", "nan"}, dragUsage, {}},
        PointerCase{{"drag-xy", "10", "20", "110", "900"}, offScreen, {}},
        PointerCase{{"pointer"}, R"({"x":3,"y":4})", {}},
        PointerCase{{"scroll", "-120", "--horizontal"}, R"({"success":true,"deltaX":-120})",
                    {"scroll 0 sideways -120"}},
        PointerCase{{"scroll", "40", "--at", "7.5", "8"}, R"({"success":true,"deltaY":40,"x":7,"y":8})",
                    {"move 7.5 8", "scroll 40"}},
        PointerCase{{"scroll", "x", "--at", "7", "8", "--horizontal"},
                    R"({"success":true,"deltaX":-3,"x":7,"y":8})", {"move 7 8", "scroll 0 sideways -3"}},
        // The amount comes first; an option in its place is an unusable amount.
        PointerCase{{"scroll", "--horizontal"}, R"({"success":true,"deltaY":-3})", {"scroll -3"}},
        PointerCase{{"scroll", "40", "--at", "7"}, atError, {}},
        PointerCase{{"scroll", "40", "--at", "7", "y"}, atError, {}},
        PointerCase{{"scroll", "40", "--at", "7", "900"}, offScreen, {}}));

TEST(PointerCommands, PointerWithoutALocationOrDisplayIsAnError) {
    memory::resetDesktop();
    memory::desktop().pointer = std::nullopt;
    EXPECT_EQ(runPointer({"tavik-ax", "pointer"}).document, R"({"error":"Could not read the pointer position"})");
    memory::desktop().inputAvailable = false;
    for (const Arguments& arguments : {Arguments{"tavik-ax", "pointer"}, Arguments{"tavik-ax", "move-xy", "1", "1"},
                                       Arguments{"tavik-ax", "drag-xy", "1", "1", "2", "2"}}) {
        memory::desktop().displays = {{1, platform::Rect{0, 0, 100, 100}}};
        const CommandResult result = arguments[1] == "pointer" ? runPointer(arguments)
                                     : arguments[1] == "move-xy" ? runMoveXY(arguments)
                                                                 : runDragXY(arguments);
        EXPECT_EQ(result.document, R"({"error":"No display to send input to"})") << arguments[1];
        EXPECT_EQ(result.status, 1);
    }
    EXPECT_TRUE(memory::desktop().records.empty());
}

}  // namespace
