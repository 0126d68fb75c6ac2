#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "input/synthetic_input.h"
#include "input_event_stream.h"

namespace {

using input_test::recordedStream;
using Stream = std::vector<std::string>;

struct ClickCase {
    std::set<std::size_t> failingCreations;  // 0 = button-down, 1 = button-up
    Stream stream;
};

class ClickAt : public testing::TestWithParam<ClickCase> {};

TEST_P(ClickAt, SkipsEventsThatCannotBeCreatedButKeepsThePause) {
    memory::resetDesktop();
    memory::desktop().failingCreations = GetParam().failingCreations;

    clickAt(12.25, -3.5);

    EXPECT_EQ(recordedStream(), GetParam().stream);
}

INSTANTIATE_TEST_SUITE_P(Creations, ClickAt,
                         testing::Values(ClickCase{{}, {"down 12.25 -3.5", "pause 50000", "up 12.25 -3.5"}},
                                         ClickCase{{0}, {"pause 50000", "up 12.25 -3.5"}},
                                         ClickCase{{1}, {"down 12.25 -3.5", "pause 50000"}},
                                         ClickCase{{0, 1}, {"pause 50000"}}));

TEST(ScrollBy, PostsOneEventWithoutPauseOrNothingWhenCreationFails) {
    memory::resetDesktop();
    scrollBy(-2147483648);
    EXPECT_EQ(recordedStream(), Stream{"scroll -2147483648"});

    memory::resetDesktop();
    memory::desktop().failingCreations = {0};
    scrollBy(5);
    EXPECT_EQ(recordedStream(), Stream{});
}

TEST(TypeText, PostsEachCharacterAsADownUpPairFollowedByARandomPause) {
    memory::resetDesktop();
    input_test::scriptTypingPause();

    typeText("ab");

    EXPECT_EQ(recordedStream(), (Stream{"typing begins [0061] [0062]", "key-down 0061", "key-up 0061", "pause 55555",
                                        "key-down 0062", "key-up 0062", "pause 55555", "typing ends"}));
}

TEST(TypeText, EmptyTextPostsAndPausesNothing) {
    memory::resetDesktop();
    typeText("");
    EXPECT_EQ(recordedStream(), Stream{});
}

TEST(TypeText, AKeyEventThatCannotBeCreatedIsSkippedAndTheRestGoesOn) {
    memory::resetDesktop();
    input_test::scriptTypingPause();
    memory::desktop().failingCreations = {0, 3};  // the first key-down and the second key-up

    typeText("ab");

    EXPECT_EQ(recordedStream(), (Stream{"typing begins [0061] [0062]", "key-up 0061", "pause 55555", "key-down 0062",
                                        "pause 55555", "typing ends"}));
}

struct ClusterCase {
    std::string name;
    std::string text;                   // UTF-8
    std::vector<std::string> clusters;  // each as its UTF-16 code units
};

class TypeTextClusters : public testing::TestWithParam<ClusterCase> {};

// Each user-perceived character travels whole on one key pair, however
// many code units it needs.
TEST_P(TypeTextClusters, CarriesEachGraphemeClusterWholeOnOneKeyPair) {
    memory::resetDesktop();
    input_test::scriptTypingPause();

    typeText(GetParam().text);

    Stream expected;
    std::string announced = "typing begins";
    for (const std::string& cluster : GetParam().clusters) {
        announced += " [" + cluster + "]";
        expected.insert(expected.end(), {"key-down " + cluster, "key-up " + cluster, "pause 55555"});
    }
    expected.insert(expected.begin(), announced);
    expected.push_back("typing ends");
    EXPECT_EQ(recordedStream(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TypeTextClusters,
    testing::Values(ClusterCase{"AstralCharacter", "\U0001F600", {"D83D DE00"}},
                    ClusterCase{"CombiningMark", "e\u0301x", {"0065 0301", "0078"}},
                    ClusterCase{"EmojiWithSkinTone", "\U0001F44D\U0001F3FD", {"D83D DC4D D83C DFFD"}},
                    ClusterCase{"CarriageReturnLineFeed", "\r\n\n", {"000D 000A", "000A"}},
                    ClusterCase{"FlagPairs", "\U0001F1E9\U0001F1EA\U0001F1EB", {"D83C DDE9 D83C DDEA", "D83C DDEB"}},
                    ClusterCase{"ZeroWidthJoinerSequence", "\U0001F469\u200D\U0001F4BB",
                                {"D83D DC69 200D D83D DCBB"}}),
    [](const testing::TestParamInfo<ClusterCase>& info) { return info.param.name; });

// Draws many typing pauses from the real unseeded source: every pause lies
// in 30000..80000 and both halves of the range are reached.
TEST(TypeText, RealPauseSourceStaysWithinItsRangeAndCoversBothHalves) {
    memory::resetDesktop();  // no scripted source: the system one is used

    typeText(std::string(2000, 'x'));

    const auto pauses = memory::recordsOf<memory::Paused>();
    ASSERT_EQ(pauses.size(), 2000u);
    const auto [lowest, highest] = std::minmax_element(
        pauses.begin(), pauses.end(), [](const auto& a, const auto& b) { return a.microseconds < b.microseconds; });
    EXPECT_GE(lowest->microseconds, 30000u);
    EXPECT_LE(highest->microseconds, 80000u);
    const auto lowerHalf = std::count_if(pauses.begin(), pauses.end(), [](const auto& p) { return p.microseconds < 55000; });
    EXPECT_GT(lowerHalf, 0);
    EXPECT_LT(lowerHalf, 2000);
}

}  // namespace
