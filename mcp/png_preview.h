#pragma once

#include <optional>
#include <string>

// The picture a screenshot call returns: the PNG file's bytes as they are,
// or, when asked, re-encoded scaled down so that its long side is at most
// kPreviewLongSide pixels. Nothing when the file cannot be read or decoded.

constexpr unsigned kPreviewLongSide = 1280;

std::optional<std::string> pngForAgent(const std::string& path, bool downscale);
