#include "response/unicode_text.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <climits>
#include <memory>

namespace {

// The grapheme cluster iterator of the root locale, made on first use and
// reused for every text of the run; nothing when ICU has no break data.
icu::BreakIterator* clusterIterator() {
    static const std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) made.reset();
        return made;
    }();
    return iterator.get();
}

// ICU's shared canonical decomposition instance; nothing when unavailable.
const icu::Normalizer2* decomposition() {
    static const icu::Normalizer2* const instance = [] {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2* found = icu::Normalizer2::getNFDInstance(status);
        return U_SUCCESS(status) ? found : nullptr;
    }();
    return instance;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

// Byte offsets of the cluster boundaries of UTF-8 text after the start,
// handed one by one to accept until it returns false. Without break data
// every code point counts as a cluster.
template <typename Accept>
void forEachClusterEnd(std::string_view text, Accept&& accept) {
    if (text.empty()) return;
    icu::BreakIterator* iterator = clusterIterator();
    if (!iterator || text.size() > static_cast<std::size_t>(INT32_MAX)) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
        const std::int64_t length = static_cast<std::int64_t>(text.size());
        std::int64_t i = 0;
        while (i < length) {
            U8_FWD_1(bytes, i, length);
            if (!accept(static_cast<std::size_t>(i))) return;
        }
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    UText utf8 = UTEXT_INITIALIZER;
    utext_openUTF8(&utf8, text.data(), static_cast<std::int64_t>(text.size()), &status);
    // The iterator keeps a shallow clone of the UText; the bytes stay ours.
    iterator->setText(&utf8, status);
    utext_close(&utf8);
    if (U_FAILURE(status)) {
        accept(text.size());
        return;
    }
    iterator->first();
    for (std::int32_t end = iterator->next(); end != icu::BreakIterator::DONE; end = iterator->next())
        if (!accept(static_cast<std::size_t>(end))) return;
}

std::u16string toU16(const icu::UnicodeString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.getBuffer()), static_cast<std::size_t>(text.length()));
}

}  // namespace

std::string firstGraphemeClusters(std::string_view text, std::size_t maxClusters) {
    // Every cluster takes at least one byte.
    if (text.size() <= maxClusters) return std::string(text);
    std::size_t cut = 0;
    std::size_t counted = 0;
    forEachClusterEnd(text, [&](std::size_t end) {
        if (counted == maxClusters) return false;
        cut = end;
        ++counted;
        return true;
    });
    return std::string(text.substr(0, cut));
}

std::vector<std::u16string> graphemeClustersUtf16(std::string_view text) {
    std::vector<std::u16string> clusters;
    std::size_t start = 0;
    forEachClusterEnd(text, [&](std::size_t end) {
        const icu::UnicodeString cluster =
            icu::UnicodeString::fromUTF8(icu::StringPiece(text.data() + start, static_cast<std::int32_t>(end - start)));
        clusters.push_back(toU16(cluster));
        start = end;
        return true;
    });
    return clusters;
}

std::vector<std::string_view> splitAtClusters(std::string_view text, std::string_view separator) {
    std::vector<std::string_view> pieces;
    std::size_t pieceStart = 0;
    std::size_t clusterStart = 0;
    forEachClusterEnd(text, [&](std::size_t end) {
        if (text.substr(clusterStart, end - clusterStart) == separator) {
            pieces.push_back(text.substr(pieceStart, clusterStart - pieceStart));
            pieceStart = end;
        }
        clusterStart = end;
        return true;
    });
    pieces.push_back(text.substr(pieceStart));
    return pieces;
}

std::u16string foldForSearch(std::string_view text) {
    icu::UnicodeString folded =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
    const icu::Normalizer2* nfd = decomposition();
    UErrorCode status = U_ZERO_ERROR;
    // Decomposing first lets the lower-case mapping see base letters and
    // marks apart; decomposing again puts marks that the mapping produced
    // (the dot of U+0130) into canonical order.
    if (nfd) folded = nfd->normalize(folded, status);
    folded.toLower(icu::Locale::getRoot());
    if (nfd && U_SUCCESS(status)) folded = nfd->normalize(folded, status);
    return toU16(folded);
}

TextNeedle prepareNeedle(std::string_view needle) {
    TextNeedle prepared;
    prepared.folded = foldForSearch(needle);
    prepared.asciiOnly = std::all_of(prepared.folded.begin(), prepared.folded.end(), [](char16_t c) { return c < 0x80; });
    if (prepared.asciiOnly)
        for (char16_t c : prepared.folded) prepared.asciiFolded.push_back(static_cast<char>(c));
    return prepared;
}

bool containsIgnoringCase(std::string_view haystack, const TextNeedle& needle) {
    if (isAscii(haystack)) {
        // ASCII is its own decomposition and lower-cases byte by byte, so
        // a needle whose folded form leaves ASCII cannot occur in it.
        if (!needle.asciiOnly) return false;
        const auto& wanted = needle.asciiFolded;
        return std::search(haystack.begin(), haystack.end(), wanted.begin(), wanted.end(),
                           [](char h, char n) { return asciiLower(h) == n; }) != haystack.end();
    }
    return foldForSearch(haystack).find(needle.folded) != std::u16string::npos;
}
