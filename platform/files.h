#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The few file-system services the tool needs for its screenshot files.
namespace platform {

// The user's temporary directory, without a trailing separator.
std::string temporaryDirectory();

// Makes sure a private directory of this user exists at path (created
// when missing); false when it cannot be created or what stands there is
// not a directory this user owns.
bool ensurePrivateDirectory(const std::string& path);

// Writes bytes to a new file at path (replacing a regular file of the same
// name); false on any failure.
bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A new random UUID in its canonical upper-case text form.
std::string newUuidString();

}  // namespace platform
