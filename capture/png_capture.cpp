#include "capture/png_capture.h"

#include <algorithm>

#include "platform/capture.h"
#include "platform/files.h"

namespace {

// One separator between the parts, whether or not the first ends in one.
std::string joinPath(const std::string& directory, const std::string& component) {
    if (!directory.empty() && directory.back() == '/') return directory + component;
    return directory + "/" + component;
}

// "shot-" and the first 12 characters of a new UUID without its dashes.
std::string newShotFileName() {
    std::string digits = platform::newUuidString();
    digits.erase(std::remove(digits.begin(), digits.end(), '-'), digits.end());
    return "shot-" + digits.substr(0, 12) + ".png";
}

}  // namespace

std::variant<std::string, CaptureFailure> captureRectToPNG(const platform::Rect& rect) {
    const auto image = platform::captureScreenImage(rect);
    if (!image) return CaptureFailure{platform::captureFailureReason()};
    const auto png = platform::encodePng(*image);
    if (!png) return CaptureFailure{platform::captureFailureReason()};

    // The folder must be this user's own directory: writing through a
    // planted link or into someone else's folder would hand them the file.
    const std::string folder = joinPath(platform::temporaryDirectory(), "tavik-shots");
    const std::string name = newShotFileName();
    if (auto failure = platform::storeNewPrivateFile(folder, name, *png)) return CaptureFailure{std::move(*failure)};
    return joinPath(folder, name);
}
