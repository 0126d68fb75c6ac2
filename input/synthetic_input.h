#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/events.h"

// The three low-level input operations. Each event goes wherever the
// platform routes it: the click and the scroll to what lies under the point
// or the pointer, the keys to whatever holds keyboard focus.

// One left click at an unrounded screen point: button-down, 50 ms,
// button-up.
void clickAt(double x, double y);

enum class MouseButton { left, right, middle };

// A single, double or triple click (count 1 to 3) of a button at a point:
// for each click button-down, 50 ms, button-up, the clicks 50 ms apart
// (well within the double-click time of the toolkits), each marked with
// its place in the series.
void clickAt(double x, double y, MouseButton button, int count);

// Moves the pointer to a point without pressing anything.
void movePointerTo(double x, double y);

// Presses the left button at the first point, moves with it held to the
// second in even steps, and releases it there.
void dragFromTo(double fromX, double fromY, double toX, double toY);

// Waits for this run's turn to type (runs that type on one display take
// turns); the error message when another run kept it too long.
std::optional<std::string> takeTypingTurn();

// Types UTF-8 text one grapheme cluster at a time, each cluster carried
// whole as UTF-16 code units on a key-down/key-up pair with key code 0,
// followed by a random 30-80 ms pause. The error message when the text
// could not be typed (then nothing, or not all of it, was typed).
std::optional<std::string> typeText(std::string_view text);

// One vertical scroll of deltaY pixels (positive scrolls up); the caller
// keeps deltaY within the signed 32-bit range.
void scrollBy(std::int64_t deltaY);

// One sideways scroll of deltaX pixels (positive scrolls left), in the
// same range.
void scrollSidewaysBy(std::int64_t deltaX);

// Presses key combinations in order with a pause after each. The error
// message when they could not be pressed (then none was).
std::optional<std::string> pressKeyCombinations(const std::vector<platform::KeyCombination>& combinations);
