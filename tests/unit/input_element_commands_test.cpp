#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "input/element_commands.h"
#include "input/query_arguments.h"
#include "input_event_stream.h"

namespace {

using input_test::recordedStream;
using Stream = std::vector<std::string>;

constexpr std::int32_t pid = 812;
const std::string clickUsage = R"({"error":"Usage: tavik-ax click <pid> <path> [--window N]"})";
const std::string typeUsage = R"({"error":"Usage: tavik-ax type <pid> <path> <text> [--window N]"})";
const std::string noClickMethod = R"({"error":"No click method available"})";

// Application 812 with three windows; window n holds, as children 0 to 2:
// "Button n" (offers AXPress), "Field n" (takes focus and value) and
// "Label n" (no actions, frame (100, 200) + (51, 20)).
class ElementCommands : public testing::Test {
protected:
    void SetUp() override {
        memory::resetDesktop();
        handlesBefore = memory::liveHandles();
        input_test::scriptTypingPause();
        memory::Node& application = memory::addApplication(pid, "Editor");
        for (int n = 0; n < 3; ++n) {
            const std::string number = std::to_string(n);
            memory::Node& window = memory::newElement("AXWindow", "Window " + number);
            window.setPosition(0, 0).setSize(400, 300);
            memory::Node& button = memory::newElement("AXButton", "Button " + number);
            button.setActions({"AXShowMenu", "AXPress"});
            memory::Node& field = memory::newElement("AXTextField", "Field " + number);
            field.settable = {"AXFocused", "AXValue"};
            memory::Node& label = memory::newElement("AXStaticText", "Label " + number);
            label.setActions({"AXShowMenu"}).setPosition(100, 200).setSize(51, 20);
            window.addChild(button).addChild(field).addChild(label);
            application.addWindow(window);
            windows.push_back(&window);
            buttons.push_back(&button);
            fields.push_back(&field);
            labels.push_back(&label);
            memory::desktop().topLevelWindows.push_back({pid, "Window " + number, {0, 0, 400, 300}});
        }
        memory::desktop().displays = {{1, platform::Rect{0, 0, 1280, 800}}};
        memory::desktop().activeWindow = 0;
    }

    // Every window and element handle is released when the command ends.
    void TearDown() override { EXPECT_EQ(memory::liveHandles(), handlesBefore); }

    static CommandResult run(const std::string& command, const Arguments& operands) {
        Arguments arguments{"tavik-ax", command};
        arguments.insert(arguments.end(), operands.begin(), operands.end());
        return command == "click" ? runClick(arguments) : runType(arguments);
    }

    long handlesBefore = 0;
    std::vector<memory::Node*> windows, buttons, fields, labels;
};

struct WindowOptionCase {
    std::string command;
    Arguments operands;
    int window;        // the window whose element is expected to be acted on
    std::string text;  // for type: the text expected to be set
};
void PrintTo(const WindowOptionCase& c, std::ostream* out) {
    *out << c.command << " " << input_test::joinedOperands(c.operands);
}

class WindowOption : public ElementCommands, public testing::WithParamInterface<WindowOptionCase> {};

// click takes "--window N" only as positions 4 and 5, type only as 5 and
// 6; anywhere else the words are ignored and window 0 is used.
TEST_P(WindowOption, IsRecognisedOnlyRightAfterTheOperands) {
    const WindowOptionCase& c = GetParam();
    const std::string n = std::to_string(c.window);

    const CommandResult result = run(c.command, c.operands);

    EXPECT_EQ(result.status, 0);
    if (c.command == "click") {
        EXPECT_EQ(result.document, R"({"success":true,"method":"AXPress"})");
        EXPECT_EQ(recordedStream(), Stream{"perform AXPress on Button " + n});
    } else {
        EXPECT_EQ(result.document, R"({"success":true,"method":"AXSetValue","text":")" + c.text + R"("})");
        EXPECT_EQ(recordedStream(), (Stream{"set AXFocused=true on Field " + n, "pause 100000",
                                            "set AXValue=\"" + c.text + "\" on Field " + n}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Positions, WindowOption,
    testing::Values(WindowOptionCase{"click", {"812", "0.0"}, 0, ""},
                    WindowOptionCase{"click", {"812", "0.0", "--window", "1"}, 1, ""},
                    WindowOptionCase{"click", {"812", "0.0", "--window", "+2", "extra"}, 2, ""},
                    WindowOptionCase{"click", {"812", "0.0", "--window", "x"}, 0, ""},
                    WindowOptionCase{"click", {"812", "0.0", "--window"}, 0, ""},
                    WindowOptionCase{"click", {"812", "0.0", "extra", "--window", "1"}, 0, ""},
                    WindowOptionCase{"click", {"812", "0.0", "--Window", "1"}, 0, ""},
                    WindowOptionCase{"type", {"812", "0.1", "hello", "--window", "2"}, 2, "hello"},
                    WindowOptionCase{"type", {"812", "0.1", "--window", "2"}, 0, "--window"},
                    WindowOptionCase{"type", {"812", "0.1", "hello", "--window"}, 0, "hello"},
                    WindowOptionCase{"type", {"812", "0.1", "hello", "--window", "two"}, 0, "hello"},
                    WindowOptionCase{"type", {"812", "0.1", "hello", "extra", "--window", "2"}, 0, "hello"}));

struct FailureCase {
    std::string command;
    Arguments operands;
    std::string document;
};
void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.command << " " << input_test::joinedOperands(c.operands);
}

class CommandFailure : public ElementCommands, public testing::WithParamInterface<FailureCase> {};

// Nothing is done to the application before window and element are found.
TEST_P(CommandFailure, EndsWithTheErrorDocumentAndTouchesNothing) {
    const CommandResult result = run(GetParam().command, GetParam().operands);

    EXPECT_EQ(result.document, GetParam().document);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(recordedStream(), Stream{});
}

INSTANTIATE_TEST_SUITE_P(
    Errors, CommandFailure,
    testing::Values(FailureCase{"click", {}, clickUsage}, FailureCase{"click", {"812"}, clickUsage},
                    FailureCase{"click", {"abc", "0"}, clickUsage}, FailureCase{"click", {"2147483648", "0"}, clickUsage},
                    FailureCase{"type", {"812"}, typeUsage}, FailureCase{"type", {"0x32c", "0", "hi"}, typeUsage},
                    FailureCase{"click", {"999", "0"}, R"({"error":"Window not found"})"},
                    FailureCase{"click", {"812", "0", "--window", "3"}, R"({"error":"Window not found"})"},
                    FailureCase{"type", {"812", "0", "hi", "--window", "-1"}, R"({"error":"Window not found"})"},
                    FailureCase{"click", {"812", "0.3"}, R"({"error":"Element not found at path: 0.3"})"},
                    FailureCase{"type", {"812", "5.0.-1", "hi"}, R"({"error":"Element not found at path: 5.0.-1"})"},
                    FailureCase{"click", {"812", "0.-1"}, R"({"error":"Element not found at path: 0.-1"})"}));

TEST_F(ElementCommands, ClickReportsARefusedPressWithoutFallingBackToTheMouse) {
    buttons[0]->actionSucceeds = false;

    const CommandResult result = run("click", {"812", "0.0"});

    EXPECT_EQ(result.document, R"({"success":false,"method":"AXPress"})");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(recordedStream(), Stream{"perform AXPress on Button 0"});
}

TEST_F(ElementCommands, ClickWithoutPressClicksTheCentreAndReportsItTruncated) {
    const CommandResult result = run("click", {"812", "0.2"});

    EXPECT_EQ(result.document, R"({"success":true,"method":"CGEvent","x":125,"y":210})");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(recordedStream(), (Stream{"down 125.5 210", "pause 50000", "up 125.5 210"}));
}

TEST_F(ElementCommands, ClickOnTheWindowItselfWithUnreadableActionsClicksItsCentre) {
    windows[1]->actions.reset();  // the action names cannot be read

    const CommandResult result = run("click", {"812", "0", "--window", "1"});

    EXPECT_EQ(result.document, R"({"success":true,"method":"CGEvent","x":200,"y":150})");
    EXPECT_EQ(recordedStream(), (Stream{"down 200 150", "pause 50000", "up 200 150"}));
}

struct CentreCase {
    std::string name;
    void (*arrange)();
    std::string document;
};

class CentreClickRefused : public ElementCommands, public testing::WithParamInterface<CentreCase> {};

// The label's centre (125.5, 210) is clicked only on a display, inside the
// application's window and with that window on top there.
TEST_P(CentreClickRefused, ClicksNothing) {
    GetParam().arrange();

    const CommandResult result = run("click", {"812", "0.2"});

    EXPECT_EQ(result.document, GetParam().document);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(recordedStream(), Stream{});
}

const std::string notOwnWindow = R"({"error":"The element's centre is not on its application's window"})";
const std::string offScreen = R"({"error":"Point is outside every display"})";

INSTANTIATE_TEST_SUITE_P(
    Centres, CentreClickRefused,
    testing::Values(
        CentreCase{"NoDisplay", [] { memory::desktop().inputAvailable = false; },
                   R"({"error":"No display to send input to"})"},
        CentreCase{"OffEveryDisplay", [] { memory::desktop().displays = {{1, {200, 0, 1080, 800}}}; }, offScreen},
        // Off screen is reported before whose window is there.
        CentreCase{"OffEveryDisplayAndCovered",
                   [] {
                       memory::desktop().displays = {{1, {0, 0, 125, 800}}};
                       memory::desktop().topLevelWindows.insert(memory::desktop().topLevelWindows.begin(),
                                                                {999, "Other", {0, 0, 800, 600}});
                   },
                   offScreen},
        CentreCase{"CoveredByAnotherApplication",
                   [] {
                       memory::desktop().topLevelWindows.insert(memory::desktop().topLevelWindows.begin(),
                                                                {999, "Other", {120, 205, 10, 10}});
                   },
                   notOwnWindow},
        CentreCase{"NoWindowThere", [] { memory::desktop().topLevelWindows.clear(); }, notOwnWindow},
        // The element lies outside every window of its application (the
        // window system still shows one of them there).
        CentreCase{"OutsideItsWindows",
                   [] {
                       for (memory::Node& node : memory::desktop().nodes)
                           if (node.find("AXRole") && std::get<std::string>(*node.find("AXRole")) == "AXWindow")
                               node.setSize(100, 100);
                   },
                   notOwnWindow}),
    [](const testing::TestParamInfo<CentreCase>& info) { return info.param.name; });

struct GeometryCase {
    std::string name;
    std::optional<memory::StoredValue> position;  // nothing: the attribute is absent
    std::optional<memory::StoredValue> size;
};

class MissingGeometry : public ElementCommands, public testing::WithParamInterface<GeometryCase> {};

// Without a usable centre nothing is clicked, and the error document ends
// the run with status 0.
TEST_P(MissingGeometry, ClickHasNoMethodAndClicksNothing) {
    memory::Node& label = *labels[0];
    label.attributes.clear();
    if (GetParam().position) label.set("AXPosition", *GetParam().position);
    if (GetParam().size) label.set("AXSize", *GetParam().size);

    const CommandResult result = run("click", {"812", "0.2"});

    EXPECT_EQ(result.document, noClickMethod);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(recordedStream(), Stream{});
}

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Frames, MissingGeometry,
    testing::Values(
        GeometryCase{"NoPosition", std::nullopt, platform::SizeValue{{51, 20}}},
        GeometryCase{"PositionFails", memory::Failure{}, platform::SizeValue{{51, 20}}},
        GeometryCase{"NoSize", platform::PointValue{{100, 200}}, std::nullopt},
        GeometryCase{"InfiniteSize", platform::PointValue{{100, 200}}, platform::SizeValue{{infinity, 20}}},
        GeometryCase{"NaNPosition", platform::PointValue{{100, notANumber}}, platform::SizeValue{{51, 20}}},
        // 2^63 - 1024 + 2048 / 2 reaches 2^63, just outside the 64-bit range.
        GeometryCase{"CentreBeyondInt64", platform::PointValue{{9223372036854774784.0, 0}},
                     platform::SizeValue{{2048, 0}}}),
    [](const testing::TestParamInfo<GeometryCase>& info) { return info.param.name; });

TEST_F(ElementCommands, TypeFallsBackToKeyEventsWhenTheValueCannotBeSet) {
    fields[0]->settable = {"AXFocused"};  // focus is taken, the value is not

    const CommandResult result = run("type", {"812", "0.1", "hi"});

    EXPECT_EQ(result.document, R"({"success":true,"method":"CGEvent","text":"hi"})");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(recordedStream(),
              (Stream{"set AXFocused=true on Field 0", "pause 100000",
                      "set AXValue=\"hi\" on Field 0 (refused)", "typing begins [0068] [0069]", "key-down 0068",
                      "key-up 0068", "pause 55555", "key-down 0069", "key-up 0069", "pause 55555", "typing ends"}));
}

// Keys go where the keyboard focus is, so the window is activated first
// when another one is active, and the element asks for the focus again
// (the toolkit gives it to its own choice on activation).
TEST_F(ElementCommands, TypeActivatesTheWindowBeforeTypingKeys) {
    fields[1]->settable = {"AXFocused"};
    memory::desktop().topLevelWindows.insert(memory::desktop().topLevelWindows.begin(), {999, "Other", {0, 0, 800, 600}});
    memory::desktop().activeWindow = 0;  // the other application's window

    const CommandResult result = run("type", {"812", "0.1", "a", "--window", "1"});

    EXPECT_EQ(result.document, R"({"success":true,"method":"CGEvent","text":"a"})");
    EXPECT_EQ(recordedStream(),
              (Stream{"set AXFocused=true on Field 1", "pause 100000", "set AXValue=\"a\" on Field 1 (refused)",
                      "activate 812 \"Window 1\"", "set AXFocused=true on Field 1", "pause 100000",
                      "typing begins [0061]", "key-down 0061", "key-up 0061", "pause 55555", "typing ends"}));
}

TEST_F(ElementCommands, TypeCountsTheFocusOfAnInnerElement) {
    // A spin button or a combo box with an entry focuses an inner element.
    fields[0]->settable.clear();
    memory::Node& inner = memory::newElement("AXTextField", "Inner");
    inner.set("AXFocused", true);
    memory::Node& wrapper = memory::newElement("AXGroup", "Wrapper");
    wrapper.addChild(inner);
    fields[0]->addChild(wrapper);

    const CommandResult result = run("type", {"812", "0.1", "a"});

    EXPECT_EQ(result.document, R"({"success":true,"method":"CGEvent","text":"a"})");
    EXPECT_EQ(recordedStream().back(), "typing ends");
}

TEST_F(ElementCommands, TypeWaitsForAFocusThatArrivesLate) {
    // The application moves the focus 300 ms after it was asked to.
    fields[0]->settable.clear();
    const std::uint64_t start = memory::desktop().clockMicroseconds;
    memory::desktop().afterPause = [&] {
        if (memory::desktop().clockMicroseconds >= start + 300000) fields[0]->set("AXFocused", true);
    };

    const CommandResult result = run("type", {"812", "0.1", "a"});

    EXPECT_EQ(result.document, R"({"success":true,"method":"CGEvent","text":"a"})");
    EXPECT_LE(memory::desktop().clockMicroseconds - start, 500000u);
}

struct UnfocusedCase {
    std::string name;
    bool fieldTakesFocus;
    void (*arrange)();
    std::string document;
};

class TypeWithoutFocus : public ElementCommands, public testing::WithParamInterface<UnfocusedCase> {};

// When the keys would not reach the element, none is typed and the run
// ends with an error.
TEST_P(TypeWithoutFocus, TypesNothing) {
    if (GetParam().fieldTakesFocus) fields[0]->settable = {"AXFocused"};
    else fields[0]->settable.clear();
    GetParam().arrange();

    const CommandResult result = run("type", {"812", "0.1", "echo pwned"});

    EXPECT_EQ(result.document, GetParam().document);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(memory::recordsOf<memory::Posted>().empty());
    EXPECT_TRUE(memory::recordsOf<memory::TypingBegan>().empty());
}

const std::string notFocused = R"({"error":"Could not focus the element; nothing was typed"})";

INSTANTIATE_TEST_SUITE_P(
    Focus, TypeWithoutFocus,
    testing::Values(
        // A label of the window takes no focus; it stays where it was.
        UnfocusedCase{"ElementRefusesFocus", false, [] {}, notFocused},
        UnfocusedCase{"WindowCannotBeActivated", true,
                      [] {
                          memory::desktop().activeWindow = 1;
                          memory::desktop().topLevelWindows[0].activatable = false;
                      },
                      notFocused},
        UnfocusedCase{"WindowUnknownToTheWindowSystem", true,
                      [] {
                          memory::desktop().topLevelWindows.clear();
                          memory::desktop().activeWindow.reset();
                      },
                      notFocused},
        UnfocusedCase{"NoDisplay", true, [] { memory::desktop().inputAvailable = false; },
                      R"({"error":"No display to send input to"})"}),
    [](const testing::TestParamInfo<UnfocusedCase>& info) { return info.param.name; });

TEST_F(ElementCommands, TypeWithoutTextSetsAnEmptyValueOrTypesNothing) {
    EXPECT_EQ(run("type", {"812", "0.1"}).document, R"({"success":true,"method":"AXSetValue","text":""})");
    EXPECT_EQ(recordedStream(),
              (Stream{"set AXFocused=true on Field 0", "pause 100000", "set AXValue=\"\" on Field 0"}));

    memory::desktop().records.clear();
    fields[0]->settable = {"AXFocused"};
    EXPECT_EQ(run("type", {"812", "0.1"}).document, R"({"success":true,"method":"CGEvent","text":""})");
    EXPECT_EQ(recordedStream(),
              (Stream{"set AXFocused=true on Field 0", "pause 100000", "set AXValue=\"\" on Field 0 (refused)"}));
}

class NotAPath : public ElementCommands, public testing::WithParamInterface<std::string> {};

// A path is decimal integers joined by single dots; anything else would
// once have named the window itself and been clicked at its centre.
TEST_P(NotAPath, IsRefusedByBothCommandsBeforeAnythingIsDone) {
    for (const char* command : {"click", "type"}) {
        const CommandResult result = run(command, {"812", GetParam(), "typed"});

        EXPECT_EQ(nlohmann::json::parse(result.document), (nlohmann::json{{"error", "Not an element path: " + GetParam()}}))
            << command;
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(recordedStream(), Stream{});
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, NotAPath,
                         testing::Values("button-3", "--window", "--nth", "-role", "", ".", "0..2", ".0.2", "0.2.",
                                         "0.x.2", "abc", " 0", "0 ", "0.+", "0,1", "0.1e2", "0x1",
                                         "0.99999999999999999999", "0.\xD9\xA3", "0.\xCC\x81"));

// The valid forms keep their meaning: the first integer stands for the
// window whatever it is, signs and leading zeros are allowed.
TEST_F(ElementCommands, EveryValidPathFormStillActs) {
    for (const char* path : {"0.0", "+0.+0", "7.00", "-1.0", "-0.-0", "9223372036854775807.0"}) {
        memory::desktop().records.clear();
        const CommandResult result = run("click", {"812", path});
        EXPECT_EQ(result.document, R"({"success":true,"method":"AXPress"})") << path;
        EXPECT_EQ(recordedStream(), Stream{"perform AXPress on Button 0"}) << path;
    }
    memory::desktop().records.clear();
    EXPECT_EQ(run("click", {"812", "0"}).document, R"({"success":true,"method":"CGEvent","x":200,"y":150})");
    EXPECT_EQ(run("type", {"812", "00.1", "hi"}).document, R"({"success":true,"method":"AXSetValue","text":"hi"})");
}

struct QueryCase {
    std::string command;
    Arguments operands;
    std::string document;
    Stream stream;  // what was done
};
void PrintTo(const QueryCase& c, std::ostream* out) { *out << c.command << " " << input_test::joinedOperands(c.operands); }

class Query : public ElementCommands, public testing::WithParamInterface<QueryCase> {};

// Window n holds, as find lists them for --label n: the window "0", then
// "Button n" 0.0, "Field n" 0.1 and "Label n" 0.2.
TEST_P(Query, ActsOnTheOneElementItNamesAsItsPathWould) {
    const CommandResult result = run(GetParam().command, GetParam().operands);

    EXPECT_EQ(result.document, GetParam().document);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(recordedStream(), GetParam().stream);
}

INSTANTIATE_TEST_SUITE_P(
    Matches, Query,
    testing::Values(
        QueryCase{"click",
                  {"812", "--role", "button"},
                  R"({"success":true,"method":"AXPress","path":"0.0"})",
                  {"perform AXPress on Button 0"}},
        QueryCase{"click",
                  {"812", "--label", "BUTTON", "--window", "2"},
                  R"({"success":true,"method":"AXPress","path":"0.0"})",
                  {"perform AXPress on Button 2"}},
        // Without a press the centre is clicked, through the same guards.
        QueryCase{"click",
                  {"812", "--role", "statictext"},
                  R"({"success":true,"method":"CGEvent","x":125,"y":210,"path":"0.2"})",
                  {"down 125.5 210", "pause 50000", "up 125.5 210"}},
        // --nth counts from 0 in find's order: the window itself is first.
        QueryCase{"click",
                  {"812", "--label", "1", "--window", "1", "--nth", "1"},
                  R"({"success":true,"method":"AXPress","path":"0.0"})",
                  {"perform AXPress on Button 1"}},
        QueryCase{"click",
                  {"812", "--label", "0", "--nth", "0"},
                  R"({"success":true,"method":"CGEvent","x":200,"y":150,"path":"0"})",
                  {"down 200 150", "pause 50000", "up 200 150"}},
        QueryCase{"click",
                  {"812", "--label", "1", "--nth", "0", "--label", "button", "--window", "1"},
                  R"({"success":true,"method":"AXPress","path":"0.0"})",
                  {"perform AXPress on Button 1"}},
        QueryCase{"type",
                  {"812", "--role", "textfield", "--text", "hi"},
                  R"({"success":true,"method":"AXSetValue","text":"hi","path":"0.1"})",
                  {"set AXFocused=true on Field 0", "pause 100000", "set AXValue=\"hi\" on Field 0"}},
        // The text is the next argument whatever it reads, options in any order.
        QueryCase{"type",
                  {"812", "--label", "field", "--text", "--window", "--window", "1"},
                  R"({"success":true,"method":"AXSetValue","text":"--window","path":"0.1"})",
                  {"set AXFocused=true on Field 1", "pause 100000", "set AXValue=\"--window\" on Field 1"}},
        QueryCase{"type",
                  {"812", "--value", "", "--role", "text", "--label", "field", "--text", ""},
                  R"({"success":true,"method":"AXSetValue","text":"","path":"0.1"})",
                  {"set AXFocused=true on Field 0", "pause 100000", "set AXValue=\"\" on Field 0"}}));

std::string refusedQuery(const std::string& reason, const char* usage) {
    return nlohmann::json{{"error", reason + ". " + usage}}.dump();
}

// The bound and message that find and snapshot give for their --depth.
const std::string depthRefused = R"({"error":"--depth takes a whole number from 1 to 200"})";

INSTANTIATE_TEST_SUITE_P(
    QueryErrors, CommandFailure,
    testing::Values(
        FailureCase{"click", {"812", "--label", "nothing like it"}, R"({"error":"No element matches"})"},
        FailureCase{"click", {"812", "--label", "nothing", "--nth", "0"}, R"({"error":"No element matches"})"},
        FailureCase{"click",
                    {"812", "--label", "0"},
                    R"({"error":"4 elements match (0, 0.0, 0.1, 0.2); add --nth or a narrower query"})"},
        FailureCase{"type",
                    {"812", "--label", "2", "--window", "2", "--text", "x"},
                    R"({"error":"4 elements match (0, 0.0, 0.1, 0.2); add --nth or a narrower query"})"},
        FailureCase{"click",
                    {"812", "--label", "0", "--nth", "4"},
                    R"x({"error":"--nth 4 is out of range: 4 elements match (0, 0.0, 0.1, 0.2)"})x"},
        FailureCase{"type",
                    {"812", "--role", "button", "--nth", "1", "--text", "x"},
                    R"x({"error":"--nth 1 is out of range: 1 element matches (0.0)"})x"},
        FailureCase{"click", {"812", "--role", "button", "--window", "3"}, R"({"error":"Window not found"})"},
        FailureCase{"click", {"812", "--role"}, refusedQuery("--role has no value", clickQueryUsage)},
        FailureCase{"click", {"812", "--label", "ok", "--nth"}, refusedQuery("--nth has no value", clickQueryUsage)},
        FailureCase{"click", {"812", "--value", "x", "--window"}, refusedQuery("--window has no value", clickQueryUsage)},
        FailureCase{"click",
                    {"812", "--role", "button", "--nth", "-1"},
                    refusedQuery("--nth takes a whole number from 0 (the first match)", clickQueryUsage)},
        FailureCase{"click",
                    {"812", "--role", "button", "--nth", "1.0"},
                    refusedQuery("--nth takes a whole number from 0 (the first match)", clickQueryUsage)},
        FailureCase{"click",
                    {"812", "--role", "button", "--window", "x"},
                    refusedQuery("--window takes a whole number (the windowIndex of list-windows)", clickQueryUsage)},
        FailureCase{"click", {"812", "--role", "button", "extra"}, refusedQuery("Unknown option: extra", clickQueryUsage)},
        FailureCase{"click", {"812", "--roles", "button"}, refusedQuery("Unknown option: --roles", clickQueryUsage)},
        FailureCase{"click", {"812", "--role", "button", "--text", "x"},
                    refusedQuery("Unknown option: --text", clickQueryUsage)},
        FailureCase{"click", {"812", "--role", "button", "--depth", "0"}, depthRefused},
        FailureCase{"click", {"812", "--role", "button", "--depth", "201"}, depthRefused},
        FailureCase{"type", {"812", "--role", "textfield", "--depth", "deep", "--text", "x"}, depthRefused},
        FailureCase{"type", {"812", "--role", "textfield", "--text", "x", "--depth"},
                    refusedQuery("--depth has no value", typeQueryUsage)},
        FailureCase{"type", {"812", "--role", "textfield"}, refusedQuery("type with a query needs --text T", typeQueryUsage)},
        FailureCase{"type", {"812", "--role", "textfield", "--text"}, refusedQuery("--text has no value", typeQueryUsage)},
        FailureCase{"click", {"x", "--role", "button"}, nlohmann::json{{"error", clickQueryUsage}}.dump()},
        FailureCase{"type", {"2147483648", "--role", "textfield", "--text", "x"},
                    nlohmann::json{{"error", typeQueryUsage}}.dump()}));

TEST_F(ElementCommands, QueryListsTheFirstTenOfManyMatchesAndNthReachesEveryOne) {
    for (int i = 0; i < 12; ++i)
        windows[0]->addChild(memory::newElement("AXButton", "More " + std::to_string(i)).setActions({"AXPress"}));

    const CommandResult several = run("click", {"812", "--role", "button"});

    EXPECT_EQ(several.document,
              R"({"error":"13 elements match (0.0, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 0.10, 0.11, ...); )"
              R"(add --nth or a narrower query"})");
    EXPECT_EQ(several.status, 1);
    EXPECT_EQ(recordedStream(), Stream{});

    const CommandResult last = run("click", {"812", "--role", "button", "--nth", "12"});
    EXPECT_EQ(last.document, R"({"success":true,"method":"AXPress","path":"0.14"})");
    EXPECT_EQ(recordedStream(), Stream{"perform AXPress on More 11"});
}

// Web pages nest their controls far deeper than find's default of 15
// levels: a query searches as deep as a snapshot reads (50), so a query
// copied from a snapshot line reaches its element; --depth narrows or
// widens that.
TEST_F(ElementCommands, QueryReachesWhatASnapshotShowsAndDepthBoundsIt) {
    memory::Node* parent = windows[0];
    for (int level = 1; level < 50; ++level) {
        memory::Node& group = memory::newElement("AXGroup", "");
        parent->addChild(group);
        parent = &group;
    }
    parent->addChild(memory::newElement("AXButton", "Deep").setActions({"AXPress"}));
    std::string path = "0.3";
    for (int level = 2; level < 50; ++level) path += ".0";
    path += ".0";

    const CommandResult found = run("click", {"812", "--label", "deep"});
    EXPECT_EQ(found.document, R"({"success":true,"method":"AXPress","path":")" + path + R"("})");
    EXPECT_EQ(recordedStream(), Stream{"perform AXPress on Deep"});
    memory::desktop().records.clear();

    const CommandResult shallow = run("click", {"812", "--label", "deep", "--depth", "49"});
    EXPECT_EQ(shallow.document, R"({"error":"No element matches"})");
    EXPECT_EQ(recordedStream(), Stream{});

    const CommandResult bounded = run("click", {"812", "--label", "deep", "--depth", "50"});
    EXPECT_EQ(bounded.document, found.document);
}

// An application that loses characters beyond U+FFFF both ways (Java's
// bridge and AWT) gets no text that holds one: it would arrive changed.
TEST_F(ElementCommands, TypeRefusesCharactersBeyondBmpWhereTheyWouldArriveChanged) {
    memory::desktop().takesCharactersBeyondBmp = false;

    const CommandResult refused = run("type", {"812", "0.1", "smile \xF0\x9F\x98\x80"});
    EXPECT_EQ(refused.document,
              R"({"error":"The application cannot take characters beyond U+FFFF (such as emoji); nothing was typed"})");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(recordedStream(), Stream{});

    const CommandResult taken = run("type", {"812", "0.1", "caf\xC3\xA9 \xE6\x9D\xB1"});
    EXPECT_EQ(taken.status, 0) << taken.document;
}

TEST_F(ElementCommands, QueryOverAnApplicationThatStoppedAnsweringActsOnNothing) {
    memory::desktop().stoppedAnswering = true;

    const CommandResult result = run("click", {"812", "--role", "button"});

    EXPECT_EQ(result.document, R"x({"error":"Application not responding (pid 812)"})x");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(recordedStream(), Stream{});
}

}  // namespace
