#include "mcp/png_preview.h"

#include <png.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr std::size_t kMaxFileBytes = 512u * 1024 * 1024;

std::optional<std::string> readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string bytes;
    char buffer[64 * 1024];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (bytes.size() > kMaxFileBytes) return std::nullopt;
    }
    if (file.bad()) return std::nullopt;
    return bytes;
}

struct Rgba {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<std::uint8_t> pixels;  // 4 bytes a pixel, rows top down
};

// libpng's simplified API: no longjmp reaches our code.
class PngImage {
public:
    PngImage() { image_.version = PNG_IMAGE_VERSION; }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;
    ~PngImage() { png_image_free(&image_); }
    png_image* get() { return &image_; }

private:
    png_image image_{};
};

// Reads the header only; the pixels when finish is set.
std::optional<Rgba> decode(const std::string& bytes, bool finish) {
    PngImage image;
    if (!png_image_begin_read_from_memory(image.get(), bytes.data(), bytes.size())) return std::nullopt;
    image.get()->format = PNG_FORMAT_RGBA;
    Rgba rgba;
    rgba.width = image.get()->width;
    rgba.height = image.get()->height;
    if (rgba.width == 0 || rgba.height == 0) return std::nullopt;
    if (!finish) return rgba;
    rgba.pixels.resize(PNG_IMAGE_SIZE(*image.get()));
    if (!png_image_finish_read(image.get(), nullptr, rgba.pixels.data(), 0, nullptr)) return std::nullopt;
    return rgba;
}

std::optional<std::string> encode(const Rgba& rgba) {
    PngImage image;
    image.get()->width = rgba.width;
    image.get()->height = rgba.height;
    image.get()->format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(*image.get(), size, 0, rgba.pixels.data(), 0, nullptr)) return std::nullopt;
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(image.get(), bytes.data(), &size, 0, rgba.pixels.data(), 0, nullptr))
        return std::nullopt;
    bytes.resize(size);
    return bytes;
}

// Each target pixel is the mean of the source pixels its area covers
// (a box filter: no aliasing when shrinking by a large factor).
Rgba shrink(const Rgba& source, unsigned width, unsigned height) {
    Rgba target;
    target.width = width;
    target.height = height;
    target.pixels.resize(std::size_t{width} * height * 4);
    for (unsigned y = 0; y < height; ++y) {
        const unsigned top = static_cast<unsigned>(std::uint64_t{y} * source.height / height);
        const unsigned bottom = std::max(top + 1, static_cast<unsigned>(std::uint64_t{y + 1} * source.height / height));
        for (unsigned x = 0; x < width; ++x) {
            const unsigned left = static_cast<unsigned>(std::uint64_t{x} * source.width / width);
            const unsigned right =
                std::max(left + 1, static_cast<unsigned>(std::uint64_t{x + 1} * source.width / width));
            std::uint64_t sums[4] = {0, 0, 0, 0};
            for (unsigned sy = top; sy < bottom; ++sy) {
                const std::uint8_t* row = &source.pixels[(std::size_t{sy} * source.width + left) * 4];
                for (unsigned sx = left; sx < right; ++sx, row += 4)
                    for (int channel = 0; channel < 4; ++channel) sums[channel] += row[channel];
            }
            const std::uint64_t count = std::uint64_t{bottom - top} * (right - left);
            std::uint8_t* out = &target.pixels[(std::size_t{y} * width + x) * 4];
            for (int channel = 0; channel < 4; ++channel)
                out[channel] = static_cast<std::uint8_t>((sums[channel] + count / 2) / count);
        }
    }
    return target;
}

}  // namespace

std::optional<std::string> pngForAgent(const std::string& path, bool downscale) {
    auto bytes = readFile(path);
    if (!bytes) return std::nullopt;
    const auto header = decode(*bytes, false);
    if (!header) return std::nullopt;
    const unsigned longSide = std::max(header->width, header->height);
    if (!downscale || longSide <= kPreviewLongSide) return bytes;
    const auto rgba = decode(*bytes, true);
    if (!rgba) return std::nullopt;
    const auto scaled = [&](unsigned side) {
        return std::max(1u, static_cast<unsigned>((std::uint64_t{side} * kPreviewLongSide + longSide / 2) / longSide));
    };
    return encode(shrink(*rgba, scaled(rgba->width), scaled(rgba->height)));
}
