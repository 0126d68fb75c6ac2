// The key vocabulary of the core against Xlib's own keysym names: every
// name means there what it means to XStringToKeysym.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "input/key_names.h"

// After gtest: Xlib's macros (None, Bool) would break its templates.
#include <X11/Xlib.h>

namespace {

struct KeyName {
    std::string_view name;
    platform::KeySymbol keysym;
};

constexpr KeyName vocabulary[] = {
#include "input/key_names_table.inc"
};

TEST(X11KeyNames, EveryNameIsXlibsKeysym) {
    ASSERT_GT(sizeof vocabulary / sizeof vocabulary[0], 300u);
    for (const KeyName& entry : vocabulary) {
        const std::string name(entry.name);
        EXPECT_EQ(XStringToKeysym(name.c_str()), entry.keysym) << name;
        EXPECT_EQ(keySymbolFromName(name), entry.keysym) << name;
    }
}

}  // namespace
