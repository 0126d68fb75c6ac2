#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/input_lock.h"
#include "platform/linux/x11/remap_record.h"

namespace {

using platform::x11::decodeRemappedKeys;
using platform::x11::encodeRemappedKeys;
using platform::inputLockFileName;
using platform::x11::RemappedKey;

TEST(RemapRecord, KeysSurviveTheRoundTripThroughThePropertyItems) {
    const std::vector<RemappedKey> keys{{9, {0}}, {200, {0x61, 0x41, 0, 0x1000e9}}, {255, {0xffffffffUL}}};
    const std::vector<long> items = encodeRemappedKeys(keys);
    EXPECT_EQ(items, (std::vector<long>{9, 1, 0, 200, 4, 0x61, 0x41, 0, 0x1000e9, 255, 1, 0xffffffffL}));
    EXPECT_EQ(decodeRemappedKeys(items), keys);
}

// A record written by some other program, or cut short, must never make a
// run remap keys it does not describe.
TEST(RemapRecord, AMalformedRestIsLeftOut) {
    struct Case {
        const char* name;
        std::vector<long> items;
        std::vector<RemappedKey> keys;
    };
    const std::vector<Case> cases{
        {"empty", {}, {}},
        {"keysyms missing", {20, 1, 0, 21, 3, 5}, {{20, {0}}}},
        {"count missing", {20, 1, 0, 21}, {{20, {0}}}},
        {"keycode below 8", {7, 1, 0}, {}},
        {"keycode above 255", {256, 1, 0}, {}},
        {"no keysyms", {20, 0, 21, 1, 0}, {}},
        {"negative count", {20, -1, 0}, {}},
        {"too many keysyms", {20, 1000, 0}, {}},
        {"negative keysym as 32 bits", {20, 1, -1}, {{20, {0xffffffffUL}}}},
    };
    for (const Case& c : cases) EXPECT_EQ(decodeRemappedKeys(c.items), c.keys) << c.name;
}

TEST(InputLock, NamesOfOneLocalDisplayShareALockAndOthersDoNot) {
    const std::string local = inputLockFileName(":0");
    EXPECT_EQ(local, "tavik-ax-input-:0.lock");
    for (const char* same : {":0.0", ":0.1", "unix:0", "localhost:0.0", "127.0.0.1:0"})
        EXPECT_EQ(inputLockFileName(same), local) << same;
    for (const char* other : {":1", ":10", "otherhost:0", "[::1]:0"})
        EXPECT_NE(inputLockFileName(other), local) << other;
    // Nothing in a display name leads out of the folder.
    EXPECT_EQ(inputLockFileName("../../etc/x:0").find('/'), std::string::npos);
}

}  // namespace
