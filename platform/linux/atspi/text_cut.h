#pragma once

// Fetching a text only as far as it is shown.

#include <cstdint>
#include <string>

#include "platform/linux/atspi/element.h"

namespace platform::atspi {

// How far a text shown cut is asked (GetText's end offset; -1: the whole
// text). The request holds the shown characters unless they are made of
// many combining marks or joiners.
std::int32_t cutTextRequest(const RecordParts& parts);

// Whether the text holds at least `count` user-perceived characters.
bool holdsCharacters(const std::string& text, std::size_t count);

// Whether a text asked up to `request` may have been cut before the shown
// characters end, so that it must be asked whole.
bool mayLackShownCharacters(const std::string& text, std::int32_t request, const RecordParts& parts);

}  // namespace platform::atspi
