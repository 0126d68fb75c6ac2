// Screen capture from the root window, through shared memory where the
// server allows it, else with XGetImage. The image covers the requested
// rectangle; what lies outside every monitor (or outside the root window)
// stays black.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

#include "platform/capture.h"
#include "platform/linux/pixel_box.h"
#include "platform/linux/x11/operations.h"
#include "platform/linux/x11/connection.h"
#include "platform/linux/x11/monitors.h"
#include "platform/linux/x11/shared_image.h"

namespace platform {
namespace {

// Megabytes of fresh memory mapped page by page cost more than filling
// them (a screenshot's worth took 2 to 3 ms here, in large pages a fifth of
// that); where the system offers large pages on request, the buffer's whole
// large pages ask for them.
void preferLargePages(void* buffer, std::size_t size) {
    constexpr std::uintptr_t largePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer);
    const std::uintptr_t first = (begin + largePage - 1) & ~(largePage - 1);
    const std::uintptr_t last = (begin + size) & ~(largePage - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

// Position (0..7 bits from the low end) and width of a colour channel mask.
struct Channel {
    int shift = 0;
    int bits = 0;
};

Channel channelOf(unsigned long mask) {
    Channel channel;
    if (mask == 0) return channel;
    while (!(mask & 1UL)) {
        mask >>= 1;
        ++channel.shift;
    }
    while (mask & 1UL) {
        mask >>= 1;
        ++channel.bits;
    }
    return channel;
}

std::uint8_t scaleTo8Bits(unsigned long pixel, const Channel& channel) {
    if (channel.bits == 0) return 0;
    const unsigned long value = (pixel >> channel.shift) & ((1UL << channel.bits) - 1);
    if (channel.bits >= 8) return static_cast<std::uint8_t>(value >> (channel.bits - 8));
    return static_cast<std::uint8_t>(value * 255 / ((1UL << channel.bits) - 1));
}

// Copies an XImage (true colour) into the RGB image at column x, row y.
void copyPixels(XImage* source, Image& target, long x, long y) {
    const Channel red = channelOf(source->red_mask);
    const Channel green = channelOf(source->green_mask);
    const Channel blue = channelOf(source->blue_mask);
    const bool common32 = source->bits_per_pixel == 32 && source->byte_order == LSBFirst &&
                          source->red_mask == 0xff0000 && source->green_mask == 0xff00 && source->blue_mask == 0xff;
    for (int row = 0; row < source->height; ++row) {
        std::uint8_t* out = target.rgb.data() + ((y + row) * static_cast<long>(target.width) + x) * 3;
        if (common32) {
            // The usual 24-bit depth layout: B, G, R, unused per pixel.
            const auto* in = reinterpret_cast<const std::uint8_t*>(source->data) +
                             static_cast<long>(row) * source->bytes_per_line;
            for (int column = 0; column < source->width; ++column, in += 4, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
            continue;
        }
        for (int column = 0; column < source->width; ++column, out += 3) {
            const unsigned long pixel = XGetPixel(source, column, row);
            out[0] = scaleTo8Bits(pixel, red);
            out[1] = scaleTo8Bits(pixel, green);
            out[2] = scaleTo8Bits(pixel, blue);
        }
    }
}

// Copies the part band by band through shared memory; false when shared
// memory is not available or the server did not fill a band (the caller
// then reads the whole part through the connection).
bool copySharedBands(Display* display, const PixelBox& part, Image& image, long column, long row) {
    x11::SharedScreenImage shared(display, static_cast<unsigned>(part.width()), static_cast<unsigned>(part.height()));
    if (!shared.usable()) return false;
    for (long top = part.y0; top < part.y1; top += shared.bandRows()) {
        const auto rows = static_cast<unsigned>(std::min<long>(shared.bandRows(), part.y1 - top));
        XImage* band = shared.grab(static_cast<int>(part.x0), static_cast<int>(top), rows);
        if (!band) return false;
        copyPixels(band, image, column, row + (top - part.y0));
    }
    return true;
}

}  // namespace

namespace x11 {

std::string captureFailureReason() { return "the X server gave no image of the screen"; }

std::optional<Image> captureScreenImage(Rect rect) {
    Display* display = x11::connection();
    if (!display) return std::nullopt;
    const std::optional<PixelBox> wanted = pixelBoxOf(rect);
    if (!wanted) return std::nullopt;

    const int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    if (visual->c_class != TrueColor && visual->c_class != DirectColor) return std::nullopt;
    const PixelBox root{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};

    Image image;
    image.width = static_cast<std::uint32_t>(wanted->width());
    image.height = static_cast<std::uint32_t>(wanted->height());
    try {
        const std::size_t size = static_cast<std::size_t>(image.width) * image.height * 3;
        image.rgb.reserve(size);
        preferLargePages(image.rgb.data(), size);
        image.rgb.assign(size, 0);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }

    // One request per monitor, clipped to the root: a request reaching
    // outside the root window fails with BadMatch.
    for (const Monitor& monitor : x11::monitors()) {
        const PixelBox screenPart{static_cast<long>(monitor.bounds.x), static_cast<long>(monitor.bounds.y),
                                  static_cast<long>(monitor.bounds.x + monitor.bounds.width),
                                  static_cast<long>(monitor.bounds.y + monitor.bounds.height)};
        const PixelBox part = intersect(intersect(*wanted, screenPart), root);
        if (part.empty()) continue;
        const long column = part.x0 - wanted->x0;
        const long row = part.y0 - wanted->y0;
        if (copySharedBands(display, part, image, column, row)) continue;
        XImage* pixels = XGetImage(display, DefaultRootWindow(display), static_cast<int>(part.x0),
                                   static_cast<int>(part.y0), static_cast<unsigned>(part.width()),
                                   static_cast<unsigned>(part.height()), AllPlanes, ZPixmap);
        if (!pixels) return std::nullopt;
        copyPixels(pixels, image, column, row);
        XDestroyImage(pixels);
    }
    return image;
}

}  // namespace x11
}  // namespace platform
