#include "input/key_names.h"

#include <algorithm>
#include <vector>

namespace {

struct KeyName {
    std::string_view name;
    platform::KeySymbol keysym;
};

constexpr KeyName keysymNames[] = {
#include "input/key_names_table.inc"
};

// Names people use for keys that X names otherwise. The modifiers stand
// for their left-hand keys.
constexpr KeyName aliases[] = {
    {"enter", 0xff0d},    {"esc", 0xff1b},     {"del", 0xffff},      {"pageup", 0xff55},  {"pagedown", 0xff56},
    {"pgup", 0xff55},     {"pgdn", 0xff56},    {"capslock", 0xffe5}, {"ctrl", 0xffe3},    {"control", 0xffe3},
    {"shift", 0xffe1},    {"alt", 0xffe9},     {"option", 0xffe9},   {"super", 0xffeb},   {"cmd", 0xffeb},
    {"command", 0xffeb},  {"meta", 0xffeb},    {"win", 0xffeb},
};

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

bool startsLowerCase(std::string_view name) { return !name.empty() && asciiLower(name.front()) == name.front(); }

// The code point of a text that is exactly one Latin-1 character in UTF-8.
std::optional<platform::KeySymbol> singleLatin1Character(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (text.size() == 1 && byte(0) > 0x20 && byte(0) < 0x7f) return byte(0);
    if (text.size() == 2 && (byte(0) == 0xc2 || byte(0) == 0xc3) && (byte(1) & 0xc0) == 0x80) {
        const platform::KeySymbol codePoint = ((byte(0) & 0x1fU) << 6) | (byte(1) & 0x3fU);
        if (codePoint >= 0xa0) return codePoint;
    }
    return std::nullopt;
}

}  // namespace

std::optional<platform::KeySymbol> keySymbolFromName(std::string_view name) {
    if (name.empty()) return std::nullopt;
    for (const KeyName& entry : keysymNames)
        if (entry.name == name) return entry.keysym;
    for (const KeyName& entry : aliases)
        if (equalIgnoringCase(entry.name, name)) return entry.keysym;
    std::optional<platform::KeySymbol> found;
    for (const KeyName& entry : keysymNames) {
        if (!equalIgnoringCase(entry.name, name)) continue;
        if (startsLowerCase(entry.name)) return entry.keysym;
        if (!found) found = entry.keysym;
    }
    if (found) return found;
    return singleLatin1Character(name);
}

std::optional<platform::KeyCombination> parseKeyCombination(std::string_view combination, std::string& unknownName) {
    std::vector<std::string_view> names;
    std::string_view rest = combination;
    // A "+" at the very end, after a separator or alone, is the plus key.
    const bool endsWithPlusKey = rest == "+" || (rest.size() >= 2 && rest.substr(rest.size() - 2) == "++");
    if (endsWithPlusKey) rest.remove_suffix(rest == "+" ? 1 : 2);
    while (!rest.empty() || (names.empty() && !endsWithPlusKey)) {
        const std::size_t separator = rest.find('+');
        names.push_back(rest.substr(0, separator));
        if (separator == std::string_view::npos) break;
        rest.remove_prefix(separator + 1);
        if (rest.empty()) names.push_back(rest);  // a trailing separator: an empty name
    }
    if (endsWithPlusKey) names.push_back("+");

    platform::KeyCombination parsed;
    std::vector<platform::KeySymbol> keysyms;
    for (const std::string_view name : names) {
        if (name.empty()) {
            unknownName = std::string(combination);
            return std::nullopt;
        }
        const std::optional<platform::KeySymbol> keysym = keySymbolFromName(name);
        if (!keysym) {
            unknownName = std::string(name);
            return std::nullopt;
        }
        keysyms.push_back(*keysym);
    }
    parsed.key = keysyms.back();
    keysyms.pop_back();
    parsed.held = std::move(keysyms);
    return parsed;
}
