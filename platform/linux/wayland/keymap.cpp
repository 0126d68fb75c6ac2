#include "platform/linux/wayland/keymap.h"

#include <unicode/utf16.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdarg>
#include <memory>

namespace platform::wayland {
namespace {

constexpr KeySymbol noSymbol = 0;

// The modifier keys every keymap has, on its first keycodes.
constexpr KeySymbol alwaysThere[] = {0xffe1 /* Shift_L */, 0xffe3 /* Control_L */, 0xffe9 /* Alt_L */,
                                     0xffeb /* Super_L */};

// The virtual modifier a toolkit looks for on a modifier key (GTK and Qt
// ask for Alt, Super, Meta, Hyper by name), or null.
const char* virtualModifierOf(KeySymbol keysym) {
    switch (keysym) {
        case 0xffe9:
        case 0xffea: return "Alt";
        case 0xffe7:
        case 0xffe8: return "Meta";
        case 0xffeb:
        case 0xffec: return "Super";
        case 0xffed:
        case 0xffee: return "Hyper";
        default: return nullptr;
    }
}

const char* realModifierName(std::uint32_t mask) {
    switch (mask) {
        case shiftMask: return "Shift";
        case controlMask: return "Control";
        case mod1Mask: return "Mod1";
        case mod4Mask: return "Mod4";
        default: return nullptr;
    }
}

std::string keysymName(KeySymbol keysym) {
    char name[64];
    const int length = xkb_keysym_get_name(keysym, name, sizeof name);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof name) return "NoSymbol";
    return name;
}

std::string keyName(std::uint32_t keycode) { return "<I" + std::to_string(keycode) + ">"; }

void quietLog(xkb_context*, xkb_log_level, const char*, va_list) {}

}  // namespace

std::uint32_t modifierMaskOf(KeySymbol keysym) {
    switch (keysym) {
        case 0xffe1:
        case 0xffe2: return shiftMask;
        case 0xffe3:
        case 0xffe4: return controlMask;
        case 0xffe7:
        case 0xffe8:
        case 0xffe9:
        case 0xffea: return mod1Mask;
        case 0xffeb:
        case 0xffec:
        case 0xffed:
        case 0xffee: return mod4Mask;
        default: return 0;
    }
}

KeySymbol keysymOf(char32_t codePoint) {
    switch (codePoint) {
        case 0x08: return 0xff08;  // BackSpace
        case 0x09: return 0xff09;  // Tab
        case 0x0A:
        case 0x0D: return 0xff0d;  // Return
        case 0x1B: return 0xff1b;  // Escape
        case 0x7F: return 0xffff;  // Delete
        default: break;
    }
    const xkb_keysym_t keysym = xkb_utf32_to_keysym(codePoint);
    if (keysym != XKB_KEY_NoSymbol) return keysym;
    return 0x01000000 + 0xFFFD;
}

std::vector<KeySymbol> keysymsOf(const std::u16string& units) {
    std::vector<KeySymbol> keysyms;
    char32_t previous = 0;
    const auto length = static_cast<std::int32_t>(units.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 next;
        U16_NEXT(units.data(), i, length, next);
        const char32_t codePoint = U_IS_SURROGATE(next) ? 0xFFFD : static_cast<char32_t>(next);
        if (!(codePoint == 0x0A && previous == 0x0D)) keysyms.push_back(keysymOf(codePoint));
        previous = codePoint;
    }
    return keysyms;
}

Keymap::Keymap() {
    for (const KeySymbol keysym : alwaysThere) keys_.push_back(Key{keysym, noSymbol});
}

// A letter with a case partner both ways (a and A, é and É) shares a key
// with it; a keysym that is neither form of its letter (a title-case
// digraph) or has no partner has a key of one level.
Keymap::Key Keymap::keyFor(KeySymbol keysym) {
    if (modifierMaskOf(keysym)) return Key{keysym, noSymbol};
    const xkb_keysym_t lower = xkb_keysym_to_lower(keysym);
    const xkb_keysym_t upper = xkb_keysym_to_upper(keysym);
    if (lower != upper && (keysym == lower || keysym == upper) && xkb_keysym_to_upper(lower) == upper &&
        xkb_keysym_to_lower(upper) == lower)
        return Key{lower, upper};
    return Key{keysym, noSymbol};
}

bool Keymap::holds(KeySymbol keysym) const { return stroke(keysym).has_value(); }

bool Keymap::add(const std::vector<KeySymbol>& keysyms) {
    const std::size_t before = keys_.size();
    for (const KeySymbol keysym : keysyms) {
        if (holds(keysym)) continue;
        if (keys_.size() > lastKeycode - firstKeycode) {
            keys_.resize(before);
            return false;
        }
        keys_.push_back(keyFor(keysym));
    }
    return true;
}

std::optional<KeyStroke> Keymap::stroke(KeySymbol keysym) const {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const auto keycode = static_cast<std::uint32_t>(firstKeycode + i);
        if (keys_[i].base == keysym) return KeyStroke{keycode, false};
        if (keys_[i].shifted != noSymbol && keys_[i].shifted == keysym) return KeyStroke{keycode, true};
    }
    return std::nullopt;
}

// The sections a keymap needs and little more: keycodes named <I9> and
// up (four characters at most, as X key names are), a one-level and a
// Shift-two-level type, modifier actions so that a client that runs the
// keys through its own XKB state (Xwayland) sets the modifiers, and the
// keys. The compositor itself takes the modifiers from the virtual
// keyboard's modifiers requests, not from the keys. The three lock
// indicators are declared although nothing lights them: Xwayland 22.1
// crashed when the seat's keymap changed from a full one to one without
// indicators (reproduced every time).
std::string Keymap::text() const {
    const auto last = static_cast<std::uint32_t>(firstKeycode + keys_.size() - 1);
    std::string text =
        "xkb_keymap {\nxkb_keycodes \"tavik-ax\" {\n    minimum = 8;\n    maximum = " + std::to_string(maximumKeycode) +
        ";\n";
    text +=
        "    indicator 1 = \"Caps Lock\";\n"
        "    indicator 2 = \"Num Lock\";\n"
        "    indicator 3 = \"Scroll Lock\";\n";
    for (std::uint32_t keycode = firstKeycode; keycode <= last; ++keycode)
        text += "    " + keyName(keycode) + " = " + std::to_string(keycode) + ";\n";
    text += "    " + keyName(maximumKeycode) + " = " + std::to_string(maximumKeycode) + ";\n";
    text +=
        "};\n"
        "xkb_types \"tavik-ax\" {\n"
        "    virtual_modifiers Alt,Meta,Super,Hyper;\n"
        "    type \"ONE_LEVEL\" {\n"
        "        modifiers = none;\n"
        "        level_name[Level1] = \"Any\";\n"
        "    };\n"
        "    type \"TWO_LEVEL\" {\n"
        "        modifiers = Shift;\n"
        "        map[Shift] = Level2;\n"
        "        level_name[Level1] = \"Base\";\n"
        "        level_name[Level2] = \"Shift\";\n"
        "    };\n"
        "};\n"
        "xkb_compat \"tavik-ax\" {\n"
        "    virtual_modifiers Alt,Meta,Super,Hyper;\n";
    for (const Key& key : keys_)
        if (const char* virtualModifier = virtualModifierOf(key.base))
            text += "    interpret " + keysymName(key.base) +
                    "+AnyOfOrNone(all) {\n        virtualModifier = " + virtualModifier +
                    ";\n        action = SetMods(modifiers = modMapMods, clearLocks);\n    };\n";
    text +=
        "    indicator \"Caps Lock\" { whichModState = locked; modifiers = Lock; };\n"
        "    indicator \"Num Lock\" { whichModState = locked; modifiers = Mod2; };\n"
        "    indicator \"Scroll Lock\" { whichModState = locked; modifiers = Mod3; };\n"
        "    interpret Any+AnyOf(all) {\n"
        "        action = SetMods(modifiers = modMapMods, clearLocks);\n"
        "    };\n"
        "};\n"
        "xkb_symbols \"tavik-ax\" {\n";
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const Key& key = keys_[i];
        const std::string name = keyName(static_cast<std::uint32_t>(firstKeycode + i));
        if (key.shifted == noSymbol)
            text +=
                "    key " + name + " { type = \"ONE_LEVEL\", symbols[Group1] = [ " + keysymName(key.base) + " ] };\n";
        else
            text += "    key " + name + " { type = \"TWO_LEVEL\", symbols[Group1] = [ " + keysymName(key.base) + ", " +
                    keysymName(key.shifted) + " ] };\n";
    }
    for (std::size_t i = 0; i < keys_.size(); ++i)
        if (const char* modifier = realModifierName(modifierMaskOf(keys_[i].base)))
            text += "    modifier_map " + std::string(modifier) + " { " +
                    keyName(static_cast<std::uint32_t>(firstKeycode + i)) + " };\n";
    text += "};\n};\n";
    return text;
}

bool keymapCompiles(const std::string& text) {
    // No include path and no environment: the text is complete, and
    // nothing is printed.
    const std::unique_ptr<xkb_context, void (*)(xkb_context*)> context(
        xkb_context_new(
            static_cast<xkb_context_flags>(XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES)),
        xkb_context_unref);
    if (!context) return false;
    xkb_context_set_log_fn(context.get(), quietLog);
    const std::unique_ptr<xkb_keymap, void (*)(xkb_keymap*)> keymap(
        xkb_keymap_new_from_string(context.get(), text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS),
        xkb_keymap_unref);
    return keymap != nullptr;
}

}  // namespace platform::wayland
