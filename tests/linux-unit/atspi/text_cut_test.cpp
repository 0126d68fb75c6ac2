// When a text fetched only as far as it is shown must be fetched whole.
#include <gtest/gtest.h>

#include <string>

#include "platform/linux/atspi/text_cut.h"

namespace {

using platform::atspi::RecordParts;

// A letter followed by marks that join it.
std::string marked(const std::string& mark, std::size_t marks) {
    std::string cluster = "e";
    for (std::size_t i = 0; i < marks; ++i) cluster.append(mark);
    return cluster;
}

std::string repeated(const std::string& piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

TEST(AtspiTextCut, AskedWholeOnlyWhenTheCutMayEndInsideTheShownCharacters) {
    RecordParts shown;
    shown.shownTextCharacters = 200;
    const std::int32_t request = platform::atspi::cutTextRequest(shown);
    ASSERT_GE(request, 2048);
    const std::string accent = "\xcc\x81";      // U+0301, joins the letter before it
    const std::string astral = "\xf0\x9f\x98\x80";  // U+1F600, two UTF-16 units
    struct Case {
        const char* what;
        std::string text;
        bool askWhole;
    };
    const Case cases[] = {
        {"a short text is whole", "abc", false},
        {"a full answer of plain letters holds the shown ones", repeated("a", request), false},
        {"letters with one mark each", repeated(marked(accent, 1), request / 2), false},
        {"letters with nineteen marks each: about 100 characters", repeated(marked(accent, 19), request / 20),
         true},
        {"a toolkit counting UTF-16 units gives half as many code points", repeated(astral, request / 2), false},
        {"whole but long in marks: fewer code points than half the request",
         repeated(marked(accent, 9), request / 40), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::atspi::mayLackShownCharacters(c.text, request, shown), c.askWhole) << c.what;
    }
    // Asked whole in the first place: never again.
    EXPECT_FALSE(platform::atspi::mayLackShownCharacters(repeated(marked(accent, 19), 200), -1, shown));
}

TEST(AtspiTextCut, CountsUserPerceivedCharacters) {
    EXPECT_TRUE(platform::atspi::holdsCharacters("e\xcc\x81" "a", 2));
    EXPECT_FALSE(platform::atspi::holdsCharacters("e\xcc\x81\xcc\x81", 2));
    EXPECT_TRUE(platform::atspi::holdsCharacters("", 0));
}

}  // namespace
