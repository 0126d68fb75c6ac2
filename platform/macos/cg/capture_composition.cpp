#include "platform/macos/cg/capture_composition.h"

#include <algorithm>
#include <cmath>

namespace platform::macos {
namespace {

bool intersects(const Rect& a, const Rect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

bool contains(const Rect& r, double x, double y) { return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height; }

bool usable(const DisplayPicture& picture) {
    return picture.bounds.width > 0 && picture.bounds.height > 0 && picture.image.width > 0 &&
           picture.image.height > 0 &&
           picture.image.rgb.size() == static_cast<std::size_t>(picture.image.width) * picture.image.height * 3;
}

}  // namespace

std::optional<Image> composeCapture(Rect rect, const std::vector<DisplayPicture>& pictures) {
    if (!(rect.width > 0) || !(rect.height > 0)) return std::nullopt;
    double scale = 1;
    for (const DisplayPicture& picture : pictures)
        if (usable(picture) && intersects(rect, picture.bounds))
            scale = std::max(scale, picture.image.width / picture.bounds.width);
    const double width = std::round(rect.width * scale);
    const double height = std::round(rect.height * scale);
    // Beyond any real screen: refuse rather than allocate without bound.
    if (width < 1 || height < 1 || width * height > 1e9) return std::nullopt;

    Image out;
    out.width = static_cast<std::uint32_t>(width);
    out.height = static_cast<std::uint32_t>(height);
    out.rgb.assign(static_cast<std::size_t>(out.width) * out.height * 3, 0);
    for (std::uint32_t row = 0; row < out.height; ++row) {
        // The centre of each output pixel, in global points.
        const double y = rect.y + (row + 0.5) / scale;
        for (std::uint32_t column = 0; column < out.width; ++column) {
            const double x = rect.x + (column + 0.5) / scale;
            for (const DisplayPicture& picture : pictures) {
                if (!usable(picture) || !contains(picture.bounds, x, y)) continue;
                const Image& source = picture.image;
                const auto sx = std::min<std::uint32_t>(
                    source.width - 1,
                    static_cast<std::uint32_t>((x - picture.bounds.x) * source.width / picture.bounds.width));
                const auto sy = std::min<std::uint32_t>(
                    source.height - 1,
                    static_cast<std::uint32_t>((y - picture.bounds.y) * source.height / picture.bounds.height));
                const std::size_t from = (static_cast<std::size_t>(sy) * source.width + sx) * 3;
                const std::size_t to = (static_cast<std::size_t>(row) * out.width + column) * 3;
                for (int channel = 0; channel < 3; ++channel) out.rgb[to + channel] = source.rgb[from + channel];
                break;
            }
        }
    }
    return out;
}

}  // namespace platform::macos
