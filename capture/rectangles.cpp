#include "capture/rectangles.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// A rectangle with a non-negative size covering the same area.
platform::Rect standardized(platform::Rect rect) {
    if (rect.width < 0) {
        rect.x += rect.width;
        rect.width = -rect.width;
    }
    if (rect.height < 0) {
        rect.y += rect.height;
        rect.height = -rect.height;
    }
    return rect;
}

// std::min and std::max drop a not-a-number depending on argument order;
// here it always survives so that a broken display cannot pass unseen.
double lower(double a, double b) { return std::isnan(a) || std::isnan(b) ? notANumber : std::min(a, b); }
double higher(double a, double b) { return std::isnan(a) || std::isnan(b) ? notANumber : std::max(a, b); }

}  // namespace

platform::Rect nullRectangle() { return platform::Rect{infinity, infinity, 0, 0}; }

bool isNullRectangle(const platform::Rect& rect) { return rect.x == infinity || rect.y == infinity; }

platform::Rect rectangleUnion(const platform::Rect& first, const platform::Rect& second) {
    if (isNullRectangle(first)) return isNullRectangle(second) ? nullRectangle() : standardized(second);
    if (isNullRectangle(second)) return standardized(first);
    const platform::Rect a = standardized(first);
    const platform::Rect b = standardized(second);
    const double left = lower(a.x, b.x);
    const double top = lower(a.y, b.y);
    const double right = higher(a.x + a.width, b.x + b.width);
    const double bottom = higher(a.y + a.height, b.y + b.height);
    return platform::Rect{left, top, right - left, bottom - top};
}

double rectangleWidth(const platform::Rect& rect) { return std::fabs(rect.width); }
double rectangleHeight(const platform::Rect& rect) { return std::fabs(rect.height); }
