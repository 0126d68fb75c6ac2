#include "platform/linux/x11/keyboard_layout.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <memory>

namespace platform::x11 {
namespace {

struct FreeKeyboard {
    void operator()(XkbDescPtr keyboard) const { XkbFreeKeyboard(keyboard, 0, True); }
};

// The keysym a key gives under a state, or NoSymbol.
KeySym translate(XkbDescPtr keyboard, KeyCode keycode, unsigned modifiers, unsigned group) {
    unsigned consumed = 0;
    KeySym keysym = NoSymbol;
    if (!XkbTranslateKeyCode(keyboard, keycode, XkbBuildCoreState(modifiers, group), &consumed, &keysym))
        return NoSymbol;
    return keysym;
}

// The first key the modifier map gives for Shift, or 0.
KeyCode findShiftKeycode(Display* display) {
    XModifierKeymap* modifiers = XGetModifierMapping(display);
    if (!modifiers) return 0;
    KeyCode found = 0;
    for (int i = 0; i < modifiers->max_keypermod && !found; ++i)
        found = modifiers->modifiermap[ShiftMapIndex * modifiers->max_keypermod + i];
    XFreeModifiermap(modifiers);
    return found;
}

}  // namespace

std::optional<KeyboardState> currentKeyboardState(Display* display) {
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success) return std::nullopt;
    return KeyboardState{state.mods, state.group};
}

KeyboardLayout KeyboardLayout::read(Display* display) {
    KeyboardLayout layout;
    const std::unique_ptr<XkbDescRec, FreeKeyboard> keyboard(
        XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd));
    const std::optional<KeyboardState> state = currentKeyboardState(display);
    if (!keyboard || !state) return layout;
    layout.state_ = state;
    layout.shiftKeycode_ = findShiftKeycode(display);
    // Shift can be added for a key, never taken away: a Shift that is down
    // already belongs to the user or another client.
    const bool canAddShift = layout.shiftKeycode_ != 0 && (state->modifiers & ShiftMask) == 0;
    for (const bool shift : {false, true}) {
        if (shift && !canAddShift) break;
        const unsigned modifiers = state->modifiers | (shift ? ShiftMask : 0U);
        for (int keycode = keyboard->min_key_code; keycode <= keyboard->max_key_code; ++keycode) {
            const KeySym keysym = translate(keyboard.get(), static_cast<KeyCode>(keycode), modifiers, state->group);
            if (keysym != NoSymbol) layout.keys_.try_emplace(keysym, LayoutKey{static_cast<unsigned char>(keycode), shift});
        }
    }
    return layout;
}

std::optional<LayoutKey> KeyboardLayout::find(unsigned long keysym) const {
    const auto found = keys_.find(keysym);
    if (found == keys_.end()) return std::nullopt;
    return found->second;
}

}  // namespace platform::x11
