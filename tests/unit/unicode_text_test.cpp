#include <gtest/gtest.h>

#include <string>

#include "response/unicode_text.h"

namespace {

std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

const std::string eAcute = "e\xCC\x81";                                   // e + U+0301
const std::string family = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";  // woman ZWJ girl
const std::string flag = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";              // two regional indicators
const std::string thumbsToned = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";       // thumbs up + skin tone

struct CutCase {
    const char* name;
    std::string text;
    std::string expected;
};

TEST(FirstGraphemeClusters, CutsAtTwoHundredUserPerceivedCharacters) {
    const std::string a199 = repeat("a", 199);
    const CutCase cases[] = {
        {"ascii 250", repeat("x", 250), repeat("x", 200)},
        {"exactly 200 stays whole", repeat("y", 200), repeat("y", 200)},
        {"combining marks count with their letter", repeat(eAcute, 250), repeat(eAcute, 200)},
        {"200th is a letter with a mark", a199 + eAcute + "zzz", a199 + eAcute},
        {"200th is a ZWJ sequence", a199 + family + "tail", a199 + family},
        {"200th is a flag", a199 + flag + flag, a199 + flag},
        {"200th is a toned emoji", a199 + thumbsToned + "!", a199 + thumbsToned},
        {"CR LF is one character", a199 + "\r\n" + "b", a199 + "\r\n"},
        {"short multi-byte text stays whole", repeat(family, 10), repeat(family, 10)},
        {"empty", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(firstGraphemeClusters(c.text, 200), c.expected) << c.name;
}

TEST(FirstGraphemeClusters, IllFormedBytesCountAsOneCharacterEach) {
    const std::string text = repeat("\xFF", 5) + "abc";
    EXPECT_EQ(firstGraphemeClusters(text, 3), repeat("\xFF", 3));
}

TEST(GraphemeClustersUtf16, SplitsIntoClustersAsUtf16) {
    const auto clusters = graphemeClustersUtf16("e\xCC\x81x" + thumbsToned + "\xFF");
    const std::vector<std::u16string> expected{u"e\u0301", u"x", u"\U0001F44D\U0001F3FD", u"\uFFFD"};
    EXPECT_EQ(clusters, expected);
    EXPECT_TRUE(graphemeClustersUtf16("").empty());
}

TEST(SplitAtClusters, OnlyAStandaloneSeparatorCuts) {
    using Pieces = std::vector<std::string_view>;
    EXPECT_EQ(splitAtClusters("0.3.12", "."), (Pieces{"0", "3", "12"}));
    EXPECT_EQ(splitAtClusters(".0..2.", "."), (Pieces{"", "0", "", "2", ""}));
    EXPECT_EQ(splitAtClusters("", "."), (Pieces{""}));
    // A dot carrying U+0301 is one character with it and does not cut.
    EXPECT_EQ(splitAtClusters("0.\xCC\x81" "1.2", "."), (Pieces{"0.\xCC\x81" "1", "2"}));
}

struct ContainCase {
    const char* name;
    std::string haystack;
    std::string needle;
    bool expected;
};

TEST(ContainsIgnoringCase, LowerCaseAndCanonicalEquivalence) {
    const std::string eAcuteComposed = "\xC3\xA9";  // U+00E9
    const std::string capitalEAcuteComposed = "\xC3\x89";  // U+00C9
    const std::string capitalEAcuteDecomposed = "E\xCC\x81";
    const std::string capitalIDot = "\xC4\xB0";    // U+0130
    const std::string iDot = "i\xCC\x87";          // its full lower-case mapping
    const ContainCase cases[] = {
        {"title case", "Save As", "save", true},
        {"upper case haystack", "SAVE", "save", true},
        {"upper case needle", "AXPopUpButton", "BUTTON", true},
        {"absent", "AXCheckBox", "button", false},
        {"needle longer than haystack", "ok", "okay", false},
        {"precomposed needle, decomposed haystack", "Caf" + capitalEAcuteDecomposed, eAcuteComposed, true},
        {"decomposed needle, precomposed haystack", "caf" + capitalEAcuteComposed, "E\xCC\x81", true},
        {"capital precomposed vs capital decomposed", capitalEAcuteComposed, capitalEAcuteDecomposed, true},
        {"dotted capital I lower-cases to i with dot", capitalIDot + "stanbul", iDot + "stanbul", true},
        {"dotted capital I in upper-case text", "\xC4\xB0ZM\xC4\xB0R", iDot + "zm" + iDot + "r", true},
        {"dotted capital I needle", "i\xCC\x87zmir", capitalIDot + "ZMIR", true},
        {"dotted capital I is not a plain i", capitalIDot + "zmir", "izmir", false},
        {"capital I maps to i in every locale", "kiwi", "I", true},
        {"Kelvin sign lower-cases into ASCII", "\xE2\x84\xAA" "elvin", "kelvin", true},
        {"ASCII haystack cannot hold a non-ASCII needle", "cafe", eAcuteComposed, false},
        {"marks must agree", "caf" + eAcuteComposed, "cafe\xCC\x80", false},
        {"Greek capitals", "\xCE\x9F\xCE\x9A", "\xCE\xBF\xCE\xBA", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(containsIgnoringCase(c.haystack, prepareNeedle(c.needle)), c.expected) << c.name;
}

}  // namespace
