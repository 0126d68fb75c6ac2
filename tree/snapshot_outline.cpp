#include "tree/snapshot_outline.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

#include "accessibility/attributes.h"
#include "accessibility/geometry_conversion.h"
#include "response/text_cut.h"
#include "response/unicode_text.h"
#include "tree/record_fields.h"
#include "tree/tree_walk.h"

namespace {

// Roles whose number value is their checked state: 0 off, 1 on, 2 mixed.
// A toggle button that cannot be checked is a button with such a value.
constexpr std::array<std::string_view, 5> kCheckableRoles{"AXCheckBox", "AXRadioButton", "AXButton",
                                                          "AXCheckMenuItem", "AXRadioMenuItem"};

// A text in double quotes, escaped as JSON escapes a string, except "/":
// the document's writer escapes the outline once more, so only what would
// end the quotes or break the line is escaped here. The line separators
// of Unicode count as line breaks too.
void appendQuoted(std::string& out, std::string_view text) {
    constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::string_view rest = text.substr(i);
        if (byte == '"' || byte == '\\') {
            out.push_back('\\');
            out.push_back(text[i]);
        } else if (byte == '\n') {
            out.append("\\n");
        } else if (byte == '\r') {
            out.append("\\r");
        } else if (byte == '\t') {
            out.append("\\t");
        } else if (byte < 0x20 || byte == 0x7f) {
            out.append("\\u00");
            out.push_back(hex[byte >> 4]);
            out.push_back(hex[byte & 0xf]);
        } else if (rest.starts_with("\xc2\x85")) {  // U+0085 NEXT LINE
            out.append("\\u0085");
            ++i;
        } else if (rest.starts_with("\xe2\x80\xa8") || rest.starts_with("\xe2\x80\xa9")) {  // U+2028, U+2029
            out.append(rest[2] == '\xa8' ? "\\u2028" : "\\u2029");
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    out.push_back('"');
}

std::optional<std::string> nonEmpty(std::optional<std::string> text) {
    if (text && text->empty()) return std::nullopt;
    return text;
}

// The one name a line shows: the title, or failing that the label, or the
// description (the texts find matches a label against).
std::optional<std::string> nameOf(const platform::Element& element) {
    for (const char* attribute : {"AXTitle", "AXLabel", "AXDescription"}) {
        if (auto text = nonEmpty(getStringAttr(element, attribute))) return cutText(std::move(*text));
    }
    return std::nullopt;
}

bool isCheckable(const std::string& role) {
    return std::find(kCheckableRoles.begin(), kCheckableRoles.end(), role) != kCheckableRoles.end();
}

// "checked", "mixed", or nothing, from a checkable element's number value.
std::optional<std::string_view> checkedWord(const platform::Element& element, const std::string& role,
                                            double number) {
    // A menu item shows its check mark as a mark character.
    if (role == "AXMenuItem") {
        if (!nonEmpty(getStringAttr(element, "AXMenuItemMarkChar"))) return std::nullopt;
        return "checked";
    }
    const double state = isCheckable(role) ? number : 0;
    if (state == 1) return "checked";
    if (state == 2) return "mixed";
    return std::nullopt;
}

// A number as a value shows it: whole numbers without a fraction, others
// in their shortest exact form; nothing for one that is not finite.
std::optional<std::string> numberText(double number) {
    if (!std::isfinite(number)) return std::nullopt;
    char digits[32];
    const double whole = std::trunc(number);
    const auto written = whole == number && std::fabs(number) < 1e15
                             ? std::to_chars(digits, digits + sizeof digits, static_cast<std::int64_t>(whole))
                             : std::to_chars(digits, digits + sizeof digits, number);
    return std::string(digits, written.ptr);
}

// " @x,y" and " widthxheight", each pair whole or not at all.
void appendGeometry(std::string& line, const platform::Element& element) {
    auto appendPair = [&line](const char* before, double first, char between, double second) {
        const auto a = truncateToInt64(first);
        const auto b = truncateToInt64(second);
        if (!a || !b) return;
        line.append(before).append(std::to_string(*a));
        line.push_back(between);
        line.append(std::to_string(*b));
    };
    if (const auto position = getPosition(element)) appendPair(" @", position->x, ',', position->y);
    if (const auto size = getSize(element)) appendPair(" ", size->width, 'x', size->height);
}

struct OutlineWriter {
    static constexpr bool skipsRepeats = true;
    const OutlineOptions& options;
    Outline& outline;
    std::vector<bool> shownOnPath;  // whether each element on the current path has a line
    std::vector<std::string> shownNames;  // the names of those that have one ("" for none)
    bool cut = false;

    // The line of one element without its indent, or nothing when it is
    // left out. What a left-out element would not show is not read.
    std::optional<std::string> lineOf(const platform::Element& element, bool root, const std::string& path,
                                      std::string& shownName) {
        const bool hidden = getBoolAttr(element, "AXHidden").value_or(false);
        if (hidden && !options.all && !root) return std::nullopt;
        std::string role = getStringAttr(element, "AXRole").value_or("");
        if (role.empty()) role = "unknown";
        const std::optional<std::string> name = nameOf(element);
        std::optional<std::string> value = nonEmpty(getStringAttr(element, "AXValue"));
        const bool hasText = value.has_value();
        // A label's text is both its name and its value: said once.
        if (value && value == name) value.reset();
        if (value) value = firstGraphemeClusters(*value, kValueClusterLimit);
        // A number value (a slider's) is shown bare; a checkable element's is its state.
        std::optional<std::string> shownNumber;
        double number = 0;
        if (!hasText) {
            const std::optional<double> read = getNumberAttr(element, "AXValue");
            if (read && isCheckable(role)) number = *read;
            else if (read) shownNumber = numberText(*read);
            // GTK 3 names a scale after the number it shows.
            if (shownNumber == name) shownNumber.reset();
        }

        std::vector<std::string_view> states;
        if (getBoolAttr(element, "AXEnabled") == std::optional<bool>(false)) states.push_back("disabled");
        if (getBoolAttr(element, "AXFocused").value_or(false)) states.push_back("focused");
        if (const auto checked = checkedWord(element, role, number)) states.push_back(*checked);
        if (getBoolAttr(element, "AXSelected").value_or(false)) states.push_back("selected");
        if (const auto expanded = getBoolAttr(element, "AXExpanded"))
            states.push_back(*expanded ? "expanded" : "collapsed");
        if (hidden && options.all) states.push_back("hidden");
        const bool acts = !getActions(element).empty();

        // Disabled alone tells nothing of an element that has nothing else.
        const bool telling = std::any_of(states.begin(), states.end(),
                                         [](std::string_view state) { return state != "disabled" && state != "hidden"; });
        const bool nameAlone = !value && !shownNumber && !acts && !telling;
        // A text that only repeats the name of the element it is shown
        // under (a list row's label, a link's or a button's text) says
        // nothing new.
        const bool repeatsParent = nameAlone && name && !shownNames.empty() && *name == shownNames.back();
        const bool tells = !nameAlone || (name && !repeatsParent);
        // An editable field tells where text goes even while empty and unnamed.
        if (!root && !options.all && !tells && !isSettable(element, "AXValue")) return std::nullopt;

        std::string line = "- " + role;
        if (name) {
            line.push_back(' ');
            appendQuoted(line, *name);
        }
        if (value) {
            line.append(" = ");
            appendQuoted(line, *value);
        } else if (shownNumber) {
            line.append(" = ").append(*shownNumber);
        }
        for (std::string_view state : states) {
            line.push_back(' ');
            line.append(state);
        }
        if (options.all) appendGeometry(line, element);
        line.append(" [").append(path).push_back(']');
        shownName = name.value_or("");
        return line;
    }

    void add(const std::string& line) {
        const std::size_t indent = shownNames.size();
        const std::size_t length = (outline.text.empty() ? 0 : 1) + 2 * indent + line.size();
        if (!cut && outline.text.size() + length > options.characterLimit) cut = true;
        if (cut) {
            ++outline.leftOut;
            return;
        }
        if (!outline.text.empty()) outline.text.push_back('\n');
        outline.text.append(2 * indent, ' ');
        outline.text.append(line);
        ++outline.elements;
    }

    bool enter(const platform::Element& element, std::int64_t depth, const std::string& path) {
        std::string name;
        const std::optional<std::string> line = lineOf(element, depth == 0, path, name);
        shownOnPath.push_back(line.has_value());
        if (line) {
            add(*line);
            shownNames.push_back(std::move(name));
        }
        return true;
    }
    void descend(std::int64_t) {}
    void leave(std::int64_t, bool) {
        if (shownOnPath.back()) shownNames.pop_back();
        shownOnPath.pop_back();
    }
};

std::string leftOutLine(std::int64_t count, std::size_t limit) {
    return "... " + std::to_string(count) + " more elements left out (the outline stops at " +
           std::to_string(limit) + " characters)";
}

// Takes whole lines off the end until the closing line fits.
void closeCutOutline(Outline& outline, std::size_t limit) {
    for (;;) {
        const std::string closing = leftOutLine(outline.leftOut, limit);
        if (outline.text.size() + 1 + closing.size() <= limit || outline.text.empty()) {
            if (!outline.text.empty()) outline.text.push_back('\n');
            outline.text.append(closing);
            return;
        }
        const std::size_t lineStart = outline.text.rfind('\n');
        outline.text.resize(lineStart == std::string::npos ? 0 : lineStart);
        --outline.elements;
        ++outline.leftOut;
    }
}

}  // namespace

Outline writeOutline(const platform::Element& window, const OutlineOptions& options) {
    Outline outline;
    OutlineWriter writer{options, outline, {}, {}, false};
    platform::SubtreeReading reading;
    reading.levels = options.maxDepth;
    reading.shownValueCharacters = kValueClusterLimit;
    platform::prefetchSubtree(window, reading);
    outline.complete = walkTree(window, 0, options.maxDepth, "0", writer) == WalkEnd::completed;
    if (outline.leftOut > 0) closeCutOutline(outline, options.characterLimit);
    return outline;
}
