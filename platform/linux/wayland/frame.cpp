#include "platform/linux/wayland/frame.h"

#include <wayland-client-protocol.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform::wayland {
namespace {

struct Colour {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
};

const std::uint8_t* pixelAt(const Frame& frame, std::uint32_t column, std::uint32_t row) {
    const std::uint32_t line = frame.yInverted ? frame.height - 1 - row : row;
    return frame.pixels + static_cast<std::size_t>(line) * frame.stride + static_cast<std::size_t>(column) * 4;
}

void addPixel(Colour& sum, const std::uint8_t* pixel, PixelOrder order) {
    if (order == PixelOrder::bgrx) {
        sum.red += pixel[2];
        sum.green += pixel[1];
        sum.blue += pixel[0];
    } else {
        sum.red += pixel[0];
        sum.green += pixel[1];
        sum.blue += pixel[2];
    }
}

struct Span {
    std::uint32_t first = 0;
    std::uint32_t end = 0;
};

// The frame's rows or columns [first, end) that make up layout pixel i of
// an area of n pixels shown in m frame pixels: at least one.
void sourceSpan(long i, long n, std::uint32_t m, std::uint32_t& first, std::uint32_t& end) {
    const auto frameSize = static_cast<long long>(m);
    first = static_cast<std::uint32_t>(i * frameSize / n);
    end = static_cast<std::uint32_t>(((i + 1) * frameSize + n - 1) / n);
    end = std::min(std::max(end, first + 1), m);
    first = std::min(first, end - 1);
}

}  // namespace

std::optional<PixelOrder> pixelOrderOf(std::uint32_t shmFormat) {
    switch (shmFormat) {
        case WL_SHM_FORMAT_XRGB8888:
        case WL_SHM_FORMAT_ARGB8888: return PixelOrder::bgrx;
        case WL_SHM_FORMAT_XBGR8888:
        case WL_SHM_FORMAT_ABGR8888: return PixelOrder::rgbx;
        default: return std::nullopt;
    }
}

void drawFrame(Image& image, const PixelBox& imageArea, const Frame& frame, const PixelBox& shown) {
    const PixelBox part = intersect(imageArea, shown);
    if (part.empty() || !frame.pixels || frame.width == 0 || frame.height == 0) return;
    const bool sameSize = frame.width == static_cast<std::uint32_t>(shown.width()) &&
                          frame.height == static_cast<std::uint32_t>(shown.height());
    // The frame columns of each image column, worked out once.
    std::vector<Span> columnSpans;
    if (!sameSize)
        for (long x = part.x0; x < part.x1; ++x) {
            Span span;
            sourceSpan(x - shown.x0, shown.width(), frame.width, span.first, span.end);
            columnSpans.push_back(span);
        }
    for (long y = part.y0; y < part.y1; ++y) {
        std::uint8_t* out =
            image.rgb.data() + ((y - imageArea.y0) * static_cast<long>(image.width) + (part.x0 - imageArea.x0)) * 3;
        if (sameSize) {
            const std::uint8_t* in = pixelAt(frame, static_cast<std::uint32_t>(part.x0 - shown.x0),
                                             static_cast<std::uint32_t>(y - shown.y0));
            for (long x = part.x0; x < part.x1; ++x, in += 4, out += 3) {
                Colour colour;
                addPixel(colour, in, frame.order);
                out[0] = static_cast<std::uint8_t>(colour.red);
                out[1] = static_cast<std::uint8_t>(colour.green);
                out[2] = static_cast<std::uint8_t>(colour.blue);
            }
            continue;
        }
        std::uint32_t rowFirst = 0;
        std::uint32_t rowEnd = 0;
        sourceSpan(y - shown.y0, shown.height(), frame.height, rowFirst, rowEnd);
        for (long x = part.x0; x < part.x1; ++x, out += 3) {
            const Span& columns = columnSpans[static_cast<std::size_t>(x - part.x0)];
            const std::uint32_t columnFirst = columns.first;
            const std::uint32_t columnEnd = columns.end;
            Colour sum;
            for (std::uint32_t row = rowFirst; row < rowEnd; ++row) {
                const std::uint8_t* in = pixelAt(frame, columnFirst, row);
                for (std::uint32_t column = columnFirst; column < columnEnd; ++column, in += 4)
                    addPixel(sum, in, frame.order);
            }
            const std::uint32_t count = (rowEnd - rowFirst) * (columnEnd - columnFirst);
            // Rounded to the nearest value.
            out[0] = static_cast<std::uint8_t>((sum.red + count / 2) / count);
            out[1] = static_cast<std::uint8_t>((sum.green + count / 2) / count);
            out[2] = static_cast<std::uint8_t>((sum.blue + count / 2) / count);
        }
    }
}

}  // namespace platform::wayland
