#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/capture.h"

// The PNG encoder's tunable settings, exposed so the capture benchmark can
// compare them on real screen content.
namespace platform {

struct PngSettings {
    int zlibLevel = 1;  // 0 (store) to 9 (smallest)
    int filters = 0;    // libpng PNG_FILTER_* bits, PNG_ALL_FILTERS for adaptive
};

// The settings encodePng uses (chosen by measurement, see the benchmark).
PngSettings defaultPngSettings();

std::optional<std::vector<std::uint8_t>> encodePngWith(const Image& image, const PngSettings& settings);

}  // namespace platform
