// PNG encoding with libpng: 8-bit RGB, no interlacing, no metadata.
#include <png.h>

#include <csetjmp>

#include "platform/capture.h"
#include "platform/png/settings.h"

namespace platform {
namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// libpng's default handlers print to stderr; errors unwind to the setjmp
// in encodeWith, warnings are dropped.
[[noreturn]] void failEncoding(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignoreWarning(png_structp, png_const_charp) {}

// Kept free of objects with destructors between setjmp and the calls that
// may jump back to it. The row pointers are computed one at a time.
bool encodeWith(const Image& image, const PngSettings& settings, std::vector<std::uint8_t>& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failEncoding, ignoreWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, appendBytes, flushNothing);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, settings.zlibLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, settings.filters);
    png_write_info(png, info);
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    for (std::uint32_t row = 0; row < image.height; ++row)
        png_write_row(png, const_cast<png_bytep>(image.rgb.data() + row * stride));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

// Chosen with bench/capture_bench.sh: on screen content every filter at
// zlib levels 1 to 3 encodes 1280x800 in 5-10 ms; on photo-like content
// (a wallpaper, an image viewer) level 1 with the Up filter is both the
// fastest (about 27 ms) and the smallest of level 1, while level 3 doubles
// the time for a tenth less and levels 6 and 9 take hundreds of ms.
PngSettings defaultPngSettings() { return PngSettings{1, PNG_FILTER_UP}; }

std::optional<std::vector<std::uint8_t>> encodePngWith(const Image& image, const PngSettings& settings) {
    if (image.width == 0 || image.height == 0 ||
        image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3)
        return std::nullopt;
    std::vector<std::uint8_t> out;
    out.reserve(image.rgb.size() / 8 + 1024);
    if (!encodeWith(image, settings, out)) return std::nullopt;
    return out;
}

std::optional<std::vector<std::uint8_t>> encodePng(const Image& image) {
    return encodePngWith(image, defaultPngSettings());
}

}  // namespace platform
