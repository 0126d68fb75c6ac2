#include "platform/linux/atspi/text_cut.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>

namespace platform::atspi {
namespace {

std::size_t codePoints(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }));
}

}  // namespace

std::int32_t cutTextRequest(const RecordParts& parts) {
    if (parts.shownTextCharacters == 0) return -1;
    return static_cast<std::int32_t>(std::clamp<std::size_t>(parts.shownTextCharacters * 10, 2048, 1 << 20));
}

bool holdsCharacters(const std::string& text, std::size_t count) {
    if (codePoints(text) < count) return false;
    static const std::unique_ptr<icu::BreakIterator> clusters = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> iterator(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(iterator) : nullptr;
    }();
    if (!clusters) return false;
    const icu::UnicodeString units = icu::UnicodeString::fromUTF8(text);
    clusters->setText(units);
    clusters->first();
    std::size_t seen = 0;
    while (seen < count && clusters->next() != icu::BreakIterator::DONE) ++seen;
    return seen >= count;
}

bool mayLackShownCharacters(const std::string& text, std::int32_t request, const RecordParts& parts) {
    // Toolkits count offsets in characters or in UTF-16 units: a text cut
    // either way holds at least half the request.
    if (request < 0 || codePoints(text) < static_cast<std::size_t>(request) / 2) return false;
    // The shown ones, one more so the last shown one is known to be whole,
    // and one more in case the cut split that one.
    return !holdsCharacters(text, parts.shownTextCharacters + 2);
}

}  // namespace platform::atspi
