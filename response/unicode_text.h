#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Unicode text as users perceive it, on ICU: grapheme clusters, the
// locale-independent full lower-case mapping, and containment that counts
// canonically equivalent sequences as equal. The ICU objects behind these
// are made once per run. Input is UTF-8; ill-formed bytes count as U+FFFD.

// The first maxClusters extended grapheme clusters of text (all of it when
// it has no more).
std::string firstGraphemeClusters(std::string_view text, std::size_t maxClusters);

// The extended grapheme clusters of text, each as its UTF-16 code units.
std::vector<std::u16string> graphemeClustersUtf16(std::string_view text);

// The pieces of text between the clusters that consist of exactly the
// separator. A separator that joins what follows into one cluster (a "."
// carrying a combining mark) does not cut. Empty pieces are kept.
std::vector<std::string_view> splitAtClusters(std::string_view text, std::string_view separator);

// A search text prepared once (lower-cased, normalised) for many tests.
struct TextNeedle {
    std::u16string folded;
    // The folded form is plain ASCII: an ASCII haystack is then searched
    // byte by byte, without conversion.
    bool asciiOnly = false;
    std::string asciiFolded;
};
TextNeedle prepareNeedle(std::string_view needle);

// The form in which containment is judged: canonical decomposition of the
// default full lower-case mapping.
std::u16string foldForSearch(std::string_view text);

// Whether the lower-cased haystack contains the lower-cased needle, with
// canonically equivalent sequences counted as equal.
bool containsIgnoringCase(std::string_view haystack, const TextNeedle& needle);
