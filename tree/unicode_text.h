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

// A search text prepared once (lower-cased, normalised) for many tests.
struct TextNeedle {
    std::u16string folded;
};
TextNeedle prepareNeedle(std::string_view needle);

// Whether the lower-cased haystack contains the lower-cased needle, with
// canonically equivalent sequences counted as equal.
bool containsIgnoringCase(std::string_view haystack, const TextNeedle& needle);
