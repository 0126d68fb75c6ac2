#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/key_command.h"
#include "input/key_names.h"
#include "input_event_stream.h"

namespace {

using input_test::recordedStream;
using Lines = std::vector<std::string>;

TEST(KeyNames, KeysymNamesInAnyCaseAliasesAndSingleCharacters) {
    const std::vector<std::pair<std::string, platform::KeySymbol>> cases{
        {"Return", 0xff0d},   {"RETURN", 0xff0d},   {"enter", 0xff0d},    {"Enter", 0xff0d},    {"esc", 0xff1b},
        {"Escape", 0xff1b},   {"backspace", 0xff08}, {"delete", 0xffff},  {"tab", 0xff09},      {"up", 0xff52},
        {"Down", 0xff54},     {"LEFT", 0xff51},     {"right", 0xff53},    {"pageup", 0xff55},   {"PageDown", 0xff56},
        {"Page_Up", 0xff55},  {"home", 0xff50},     {"end", 0xff57},      {"f1", 0xffbe},       {"F24", 0xffd5},
        {"space", 0x20},      {"ctrl", 0xffe3},     {"Control", 0xffe3},  {"control_r", 0xffe4}, {"shift", 0xffe1},
        {"alt", 0xffe9},      {"option", 0xffe9},   {"super", 0xffeb},    {"cmd", 0xffeb},      {"meta", 0xffeb},
        {"kp_enter", 0xff8d}, {"a", 0x61},          {"A", 0x41},          {"1", 0x31},          {"plus", 0x2b},
        {"/", 0x2f},          {"+", 0x2b},          {"eacute", 0xe9},     {"Eacute", 0xc9},
        // Of two names that differ only in case, the lower-case keysym.
        {"EACUTE", 0xe9},     {"\xC3\xA9", 0xe9},   {"\xC3\x89", 0xc9},
    };
    for (const auto& [name, keysym] : cases) EXPECT_EQ(keySymbolFromName(name), keysym) << name;
    for (const std::string name : {"", "nosuchkey", "f36", "ctrl ", " a", "EuroSign", "\xE2\x82\xAC", "ab", "\xC2\xA0x"})
        EXPECT_EQ(keySymbolFromName(name), std::nullopt) << name;
}

TEST(KeyNames, CombinationsHoldEveryNameButTheLast) {
    struct Case {
        std::string text;
        std::vector<platform::KeySymbol> held;
        platform::KeySymbol key;
    };
    for (const Case& c : std::vector<Case>{{"Return", {}, 0xff0d},
                                           {"ctrl+l", {0xffe3}, 0x6c},
                                           {"ctrl+shift+Tab", {0xffe3, 0xffe1}, 0xff09},
                                           {"+", {}, 0x2b},
                                           {"ctrl++", {0xffe3}, 0x2b},
                                           {"shift+plus", {0xffe1}, 0x2b}}) {
        std::string unknown;
        const auto parsed = parseKeyCombination(c.text, unknown);
        ASSERT_TRUE(parsed) << c.text << " " << unknown;
        EXPECT_EQ(parsed->held, c.held) << c.text;
        EXPECT_EQ(parsed->key, c.key) << c.text;
    }
    // The name reported: the one that is no key, or the whole combination
    // when a name is empty.
    for (const auto& [text, name] : std::vector<std::pair<std::string, std::string>>{
             {"ctrl+nosuch", "nosuch"}, {"nosuch+a", "nosuch"}, {"ctrl+", "ctrl+"}, {"", ""}, {"a++b", "a++b"},
             {"+a", "+a"}}) {
        std::string unknown;
        EXPECT_FALSE(parseKeyCombination(text, unknown)) << text;
        EXPECT_EQ(unknown, name) << text;
    }
}

TEST(KeyCommand, PressesTheCombinationsInOrderWithAPauseAfterEach) {
    memory::resetDesktop();

    const CommandResult result = runKey({"tavik-ax", "key", "Escape", "ctrl+L", "Down"});

    EXPECT_EQ(result.document, R"({"success":true,"keys":["Escape","ctrl+L","Down"]})");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(recordedStream(), (Lines{"keys begin [ff1b] [ffe3+4c] [ff54]", "press ff1b", "pause 30000",
                                       "press ffe3+4c", "pause 30000", "press ff54", "pause 30000", "keys end"}));
}

TEST(KeyCommand, BadInputIsAnErrorAndNothingIsPressed) {
    const std::vector<std::pair<Arguments, std::string>> cases{
        {{"tavik-ax", "key"}, R"({"error":"Usage: tavik-ax key <combo> [<combo>...]"})"},
        {{"tavik-ax", "key", "nosuchkey"}, R"({"error":"Unknown key: nosuchkey"})"},
        // Found late: the good names before it are not pressed either.
        {{"tavik-ax", "key", "Return", "ctrl+a", "ctrl+shift+Bogus"}, R"({"error":"Unknown key: Bogus"})"},
        {{"tavik-ax", "key", "a", ""}, R"({"error":"Unknown key: "})"},
    };
    for (const auto& [arguments, document] : cases) {
        memory::resetDesktop();
        const CommandResult result = runKey(arguments);
        EXPECT_EQ(result.document, document);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(recordedStream(), Lines{});
    }
}

TEST(KeyCommand, NoDisplayOrNoKeyToPressIsAnError) {
    memory::resetDesktop();
    memory::desktop().inputAvailable = false;
    EXPECT_EQ(runKey({"tavik-ax", "key", "a"}).document, R"({"error":"No display to send input to"})");
    EXPECT_EQ(recordedStream(), Lines{});

    for (const auto failure : {platform::TypingFailure::noFreeKey, platform::TypingFailure::displayBusy}) {
        memory::resetDesktop();
        memory::desktop().keyPressFailure = failure;
        const CommandResult result = runKey({"tavik-ax", "key", "eacute"});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(recordedStream(), Lines{"keys begin [e9]"});
    }
}

}  // namespace
