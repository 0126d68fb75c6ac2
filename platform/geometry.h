#pragma once

// Screen geometry shared by the core and every backend: double-precision
// points in the global display space (origin at the top-left of the main
// display, y downwards).
namespace platform {

struct Point {
    double x = 0;
    double y = 0;
};

struct Size {
    double width = 0;
    double height = 0;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

}  // namespace platform
