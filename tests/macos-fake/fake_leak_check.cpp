// Every test of this binary, the shared command tests included, is a run
// of its own (nothing remembered from an earlier one) and ends with no
// Core Foundation object left alive and none released too often.
#include <gtest/gtest.h>

#include "platform/macos/ax/time_outs.h"
#include "tests/macos-fake/fake_objects.h"

namespace {

class EachTestARun : public ::testing::EmptyTestEventListener {
    long before_ = 0;
    long badBefore_ = 0;

    void OnTestStart(const ::testing::TestInfo&) override {
        platform::macos::forgetTimeOuts();
        before_ = fake::liveObjects();
        badBefore_ = fake::state().badReleases;
    }
    void OnTestEnd(const ::testing::TestInfo& info) override {
        const long leaked = fake::liveObjects() - before_;
        const long bad = fake::state().badReleases - badBefore_;
        if (leaked != 0 || bad != 0) {
            ++failures;
            std::printf("%s.%s: %ld objects leaked, %ld releases too many\n", info.test_suite_name(), info.name(),
                        leaked, bad);
        }
    }

public:
    static inline int failures = 0;
};

class FailOnAnyLeak : public ::testing::Environment {
    void TearDown() override { EXPECT_EQ(EachTestARun::failures, 0) << "tests above leaked"; }
};

const bool registered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new EachTestARun);
    ::testing::AddGlobalTestEnvironment(new FailOnAnyLeak);
    return true;
}();

}  // namespace
