#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <variant>

#include "capture/png_capture.h"
#include "platform/memory/memory_desktop.h"

namespace {

const std::string shots = "/mem/tmp/tavik-shots";

// The stored file's path, or nothing when the capture failed.
std::optional<std::string> capturedPath(const platform::Rect& rect) {
    auto result = captureRectToPNG(rect);
    if (auto* path = std::get_if<std::string>(&result)) return *path;
    return std::nullopt;
}

TEST(CaptureRectToPNG, WritesTheEncodedCaptureUnderAFreshShotName) {
    memory::resetDesktop();
    memory::Desktop& d = memory::desktop();
    d.captureResult = platform::Image{3, 2, std::vector<std::uint8_t>(18, 7)};
    d.uuids = {"3F2A9C01-B7D4-4E5F-8A6B-0123456789AB"};
    const platform::Rect rect{-10.5, 20.25, 300.75, 200.5};

    const auto path = capturedPath(rect);

    ASSERT_TRUE(path);
    EXPECT_EQ(*path, shots + "/shot-3F2A9C01B7D4.png");
    ASSERT_EQ(d.capturedRects.size(), 1u);
    EXPECT_EQ(d.capturedRects[0].x, rect.x);
    EXPECT_EQ(d.capturedRects[0].y, rect.y);
    EXPECT_EQ(d.capturedRects[0].width, rect.width);
    EXPECT_EQ(d.capturedRects[0].height, rect.height);
    ASSERT_EQ(d.files.count(*path), 1u);
    EXPECT_EQ(d.files[*path], *platform::encodePng(*d.captureResult));
}

TEST(CaptureRectToPNG, TwoCapturesGiveTwoFilesInTheSameFolder) {
    memory::resetDesktop();
    memory::Desktop& d = memory::desktop();

    const auto first = capturedPath({0, 0, 10, 10});
    const auto second = capturedPath({0, 0, 10, 10});

    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(d.files.size(), 2u);
    for (const std::string& path : {*first, *second}) {
        EXPECT_EQ(d.files.count(path), 1u);
        const std::string name = path.substr(shots.size() + 1);
        EXPECT_EQ(path.substr(0, shots.size() + 1), shots + "/");
        ASSERT_EQ(name.size(), 21u) << name;
        EXPECT_EQ(name.substr(0, 5), "shot-");
        EXPECT_EQ(name.substr(17), ".png");
        EXPECT_EQ(name.substr(5, 12).find_first_not_of("0123456789ABCDEF"), std::string::npos) << name;
    }
}

TEST(CaptureRectToPNG, AnExistingShotsFolderIsUsedAsItIs) {
    memory::resetDesktop();
    memory::Desktop& d = memory::desktop();
    d.directories.insert(shots);
    d.files[shots + "/shot-000000000000.png"] = {1};

    const auto path = capturedPath({0, 0, 10, 10});

    ASSERT_TRUE(path);
    EXPECT_EQ(d.files.size(), 2u);
}

struct FailureCase {
    const char* name;
    void (*script)(memory::Desktop&);
    bool folderMayExist;  // the shots folder was there before the call
};

class CaptureRectToPNGFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(CaptureRectToPNGFailure, GivesNothingAndWritesNothing) {
    memory::resetDesktop();
    memory::Desktop& d = memory::desktop();
    GetParam().script(d);
    const auto filesBefore = d.files;

    EXPECT_FALSE(capturedPath({0, 0, 10, 10}));

    EXPECT_EQ(d.files, filesBefore);
    if (!GetParam().folderMayExist) {
        EXPECT_EQ(d.directories.count(shots), 0u);
    }
}

TEST(CaptureRectToPNG, MissingFoldersOnTheWayAreCreated) {
    memory::resetDesktop();
    memory::Desktop& d = memory::desktop();
    d.temporaryDirectory = "/mem/tmp/a/b";

    const auto path = capturedPath({0, 0, 10, 10});

    ASSERT_TRUE(path);
    EXPECT_EQ(path->substr(0, 30), "/mem/tmp/a/b/tavik-shots/shot-");
    for (const char* folder : {"/mem/tmp/a", "/mem/tmp/a/b", "/mem/tmp/a/b/tavik-shots"}) {
        EXPECT_EQ(d.directories.count(folder), 1u) << folder;
    }
}

TEST(CaptureRectToPNG, AFileFailureSaysWhatFailed) {
    memory::resetDesktop();
    memory::desktop().readOnlyDirectories.insert("/mem/tmp");
    const auto result = captureRectToPNG({0, 0, 10, 10});
    ASSERT_TRUE(std::holds_alternative<CaptureFailure>(result));
    EXPECT_EQ(std::get<CaptureFailure>(result).reason,
              "could not create the folder /mem/tmp/tavik-shots: Read-only file system");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CaptureRectToPNGFailure,
    testing::Values(
        FailureCase{"NoImage", [](memory::Desktop& d) { d.captureResult.reset(); }, false},
        FailureCase{"NoPngData", [](memory::Desktop& d) { d.encodeFails = true; }, false},
        FailureCase{"TemporaryDirectoryNotWritable",
                    [](memory::Desktop& d) { d.readOnlyDirectories.insert("/mem/tmp"); }, false},
        // A file standing where the folder belongs.
        FailureCase{"ShotsFolderIsAFile", [](memory::Desktop& d) { d.files[shots] = {}; }, false},
        // Another user's folder or a planted link: writing through it
        // would hand the picture to whoever put it there.
        FailureCase{"ShotsFolderIsNotOurs", [](memory::Desktop& d) { d.foreignDirectories.insert(shots); }, true},
        FailureCase{"ShotsFolderNotWritable",
                    [](memory::Desktop& d) {
                        d.directories.insert(shots);
                        d.readOnlyDirectories.insert(shots);
                    },
                    true}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

}  // namespace
