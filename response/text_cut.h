#pragma once

#include <cstddef>
#include <string>

// Longest title, description or label a document shows, in user-perceived
// characters: an application may hand out a name of megabytes.
inline constexpr std::size_t kTextClusterLimit = 10000;

// The first kTextClusterLimit characters of text.
std::string cutText(std::string text);
