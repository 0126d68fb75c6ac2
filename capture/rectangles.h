#pragma once

#include "platform/geometry.h"

// The core's own rectangle operations, shared by every backend.

// The rectangle that stands for no area at all: uniting it with any
// rectangle gives that rectangle.
platform::Rect nullRectangle();

// True only for a rectangle that stands for no area (an origin at
// positive infinity, as the null rectangle has).
bool isNullRectangle(const platform::Rect& rect);

// The smallest rectangle that contains both; a null rectangle contributes
// nothing. A not-a-number coordinate makes the matching edge not-a-number.
platform::Rect rectangleUnion(const platform::Rect& first, const platform::Rect& second);

// The extent of a rectangle whatever the sign of its stored size.
double rectangleWidth(const platform::Rect& rect);
double rectangleHeight(const platform::Rect& rect);
