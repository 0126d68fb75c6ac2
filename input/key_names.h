#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/events.h"

// The key vocabulary of the key command, the same on every platform: the
// X keysym names of the keyboard's function, editing, keypad and modifier
// keys and of the Latin-1 characters, in any letter case, a single Latin-1
// character standing for itself, and common aliases (enter, esc, pageup,
// ctrl, alt, option, cmd, ...).

// The keysym a name stands for. An exact keysym name wins (A is the
// capital letter); otherwise letter case is ignored, and of two names
// that differ only in case the lower-case keysym is taken.
std::optional<platform::KeySymbol> keySymbolFromName(std::string_view name);

// A combination such as ctrl+shift+Tab: names joined by "+", the last one
// pressed while the others are held ("ctrl++" and "+" press the plus key).
// On failure, unknownName is the name that is not a key (the whole
// combination when a name is empty).
std::optional<platform::KeyCombination> parseKeyCombination(std::string_view combination, std::string& unknownName);
