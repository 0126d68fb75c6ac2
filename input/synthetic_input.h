#pragma once

#include <cstdint>
#include <string_view>

// The three low-level input operations. Each event goes wherever the
// platform routes it: the click and the scroll to what lies under the point
// or the pointer, the keys to whatever holds keyboard focus.

// One left click at an unrounded screen point: button-down, 50 ms,
// button-up.
void clickAt(double x, double y);

// Types UTF-8 text one grapheme cluster at a time, each cluster carried
// whole as UTF-16 code units on a key-down/key-up pair with key code 0,
// followed by a random 30-80 ms pause.
void typeText(std::string_view text);

// One vertical scroll of deltaY pixels (positive scrolls up); the caller
// keeps deltaY within the signed 32-bit range.
void scrollBy(std::int64_t deltaY);
