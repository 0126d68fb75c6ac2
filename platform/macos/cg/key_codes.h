#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/events.h"

namespace platform::macos {

// How one keysym is pressed on a Mac with the US (ANSI) layout's key
// positions: its virtual key, whether its character needs Shift, the
// modifier flag it sets while held (0 for a key that is no modifier) and
// the characters its events carry (none for keys without a character).
struct KeyStroke {
    std::uint16_t virtualKey = 0;
    bool needsShift = false;
    std::uint64_t modifierFlag = 0;
    std::u16string characters;
};

// Nothing for a keysym with no key and no character.
std::optional<KeyStroke> keyStrokeOf(KeySymbol symbol);

}  // namespace platform::macos
