#include "response/text_cut.h"

#include "response/unicode_text.h"

std::string cutText(std::string text) {
    // A text of at most that many bytes has at most that many characters.
    if (text.size() <= kTextClusterLimit) return text;
    return firstGraphemeClusters(text, kTextClusterLimit);
}
