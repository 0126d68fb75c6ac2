#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The few file-system services the tool needs for its screenshot files.
namespace platform {

// The user's temporary directory, without a trailing separator.
std::string temporaryDirectory();

// What went wrong, in words for the caller; nothing when all went well.
using FileFailure = std::optional<std::string>;

// Stores bytes as a new file called name in the folder at folderPath, a
// folder of this user alone: missing folders on the way are created (for
// this user only), an existing last folder must be a real directory of this
// user and is made private. The file appears under its name only once it is
// whole, never replaces another file, and nothing is left behind on failure.
FileFailure storeNewPrivateFile(const std::string& folderPath, const std::string& name,
                                const std::vector<std::uint8_t>& bytes);

// A new random UUID in its canonical upper-case text form.
std::string newUuidString();

}  // namespace platform
