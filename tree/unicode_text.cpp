#include "tree/unicode_text.h"

// Placeholder until the ICU-based module is built.
std::string firstGraphemeClusters(std::string_view text, std::size_t) { return std::string(text); }
std::vector<std::u16string> graphemeClustersUtf16(std::string_view) { return {}; }
TextNeedle prepareNeedle(std::string_view) { return {}; }
bool containsIgnoringCase(std::string_view, const TextNeedle&) { return false; }
