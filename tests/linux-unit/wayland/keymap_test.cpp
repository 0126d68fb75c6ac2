// The virtual keyboard's keymap: it must compile as the compositor and the
// clients compile it, give every keysym a key of its own, and make the
// modifier keys and masks mean what toolkits read from them.
#include "platform/linux/wayland/keymap.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>

#include <memory>
#include <set>

namespace {

using platform::KeySymbol;
using platform::wayland::Keymap;
using platform::wayland::KeyStroke;

struct Compiled {
    std::unique_ptr<xkb_context, void (*)(xkb_context*)> context{xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES),
                                                                 xkb_context_unref};
    std::unique_ptr<xkb_keymap, void (*)(xkb_keymap*)> keymap{nullptr, xkb_keymap_unref};

    explicit Compiled(const std::string& text) {
        keymap.reset(xkb_keymap_new_from_string(context.get(), text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                XKB_KEYMAP_COMPILE_NO_FLAGS));
    }

    // The keysym a key gives with these modifiers held (as a client reads it).
    xkb_keysym_t keysym(std::uint32_t keycode, std::uint32_t depressed) const {
        const std::unique_ptr<xkb_state, void (*)(xkb_state*)> state(xkb_state_new(keymap.get()), xkb_state_unref);
        xkb_state_update_mask(state.get(), depressed, 0, 0, 0, 0, 0);
        return xkb_state_key_get_one_sym(state.get(), keycode);
    }
};

constexpr KeySymbol shiftL = 0xffe1, controlL = 0xffe3, altL = 0xffe9, superL = 0xffeb, home = 0xff50;

TEST(WaylandKeymap, EveryKeysymTypesOnItsOwnKeyWithTheModifiersThatKeyNeeds) {
    const std::vector<KeySymbol> keysyms = {'a',
                                            'A',
                                            'Z',
                                            '?',
                                            home,
                                            0xff0d /* Return */,
                                            0xc9 /* Eacute */,
                                            0x6c4 /* Cyrillic_de */,
                                            0x1004e2d /* 中 */,
                                            0x101f44d /* 👍 */,
                                            0x1000301 /* combining acute */,
                                            0x1e5 /* ǅ, title case */,
                                            0xffe4 /* Control_R */,
                                            0xffe7 /* Meta_L */};
    Keymap keymap;
    ASSERT_TRUE(keymap.add(keysyms));
    const Compiled compiled(keymap.text());
    ASSERT_NE(compiled.keymap, nullptr) << keymap.text();

    std::set<std::uint32_t> unshiftedKeys;
    for (const KeySymbol keysym : keysyms) {
        const std::optional<KeyStroke> stroke = keymap.stroke(keysym);
        ASSERT_TRUE(stroke) << std::hex << keysym;
        EXPECT_EQ(compiled.keysym(stroke->keycode, stroke->shift ? platform::wayland::shiftMask : 0), keysym)
            << std::hex << keysym;
        if (!stroke->shift) {
            EXPECT_TRUE(unshiftedKeys.insert(stroke->keycode).second) << std::hex << keysym;
        }
        // GTK 3 finds the keys of a keysym only below the highest keycode.
        EXPECT_LT(stroke->keycode, xkb_keymap_max_keycode(compiled.keymap.get()));
    }
    // A capital letter is its small letter's key with Shift, as on a real
    // keyboard; one without a two-way partner stands alone.
    EXPECT_EQ(keymap.stroke('A'), (KeyStroke{keymap.stroke('a')->keycode, true}));
    EXPECT_EQ(keymap.stroke(0xc9)->shift, true);
    EXPECT_EQ(keymap.stroke(0x1e5)->shift, false);
    EXPECT_EQ(keymap.stroke('?')->shift, false);
    EXPECT_EQ(keymap.stroke(shiftL)->keycode, keymap.shiftKeycode());
}

TEST(WaylandKeymap, ModifierKeysAndMasksMeanWhatToolkitsReadFromThem) {
    Keymap keymap;
    ASSERT_TRUE(keymap.add({0xffec /* Super_R */, 'x'}));
    const Compiled compiled(keymap.text());
    ASSERT_NE(compiled.keymap, nullptr);
    const std::unique_ptr<xkb_state, void (*)(xkb_state*)> state(xkb_state_new(compiled.keymap.get()), xkb_state_unref);
    struct Case {
        KeySymbol key;
        std::uint32_t mask;
        const char* realName;
        const char* virtualName;  // as GTK and Qt ask for it, or null
    };
    const Case cases[] = {{shiftL, platform::wayland::shiftMask, XKB_MOD_NAME_SHIFT, nullptr},
                          {controlL, platform::wayland::controlMask, XKB_MOD_NAME_CTRL, nullptr},
                          {altL, platform::wayland::mod1Mask, XKB_MOD_NAME_ALT, "Alt"},
                          {superL, platform::wayland::mod4Mask, XKB_MOD_NAME_LOGO, "Super"},
                          {0xffec, platform::wayland::mod4Mask, XKB_MOD_NAME_LOGO, "Super"}};
    for (const Case& c : cases) {
        EXPECT_EQ(platform::wayland::modifierMaskOf(c.key), c.mask);
        // The mask sent in the modifiers request is the named modifier.
        EXPECT_EQ(c.mask, 1U << xkb_keymap_mod_get_index(compiled.keymap.get(), c.realName));
        xkb_state_update_mask(state.get(), c.mask, 0, 0, 0, 0, 0);
        EXPECT_TRUE(xkb_state_mod_name_is_active(state.get(), c.realName, XKB_STATE_MODS_EFFECTIVE) > 0);
        if (c.virtualName) {
            // The virtual modifier stands for the real one the mask sets.
            const xkb_mod_index_t index = xkb_keymap_mod_get_index(compiled.keymap.get(), c.virtualName);
            ASSERT_NE(index, XKB_MOD_INVALID) << c.virtualName;
            xkb_state_update_mask(state.get(), 1U << index, 0, 0, 0, 0, 0);
            EXPECT_EQ(xkb_state_serialize_mods(state.get(), XKB_STATE_MODS_EFFECTIVE) & 0xff, c.mask) << c.virtualName;
        }
        // A client that runs the key itself through XKB (Xwayland) gets the
        // same modifier from the key press.
        xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, 0);
        const std::unique_ptr<xkb_state, void (*)(xkb_state*)> keyed(xkb_state_new(compiled.keymap.get()),
                                                                     xkb_state_unref);
        xkb_state_update_key(keyed.get(), keymap.stroke(c.key)->keycode, XKB_KEY_DOWN);
        EXPECT_EQ(xkb_state_serialize_mods(keyed.get(), XKB_STATE_MODS_DEPRESSED), c.mask) << std::hex << c.key;
    }
    EXPECT_EQ(platform::wayland::modifierMaskOf('x'), 0U);
}

TEST(WaylandKeymap, AFullKeymapRefusesMoreKeysAndStaysAsItWas) {
    Keymap keymap;
    std::vector<KeySymbol> many;
    const std::uint32_t room = Keymap::lastKeycode - Keymap::firstKeycode + 1 - 4;  // less the modifier keys
    for (std::uint32_t i = 0; i < room; ++i) many.push_back(0x1004e00 + i);
    ASSERT_TRUE(keymap.add(many));
    const Keymap full = keymap;
    EXPECT_TRUE(keymap.add({0x1004e00, 0x1004e01}));  // keysyms it has take no room
    EXPECT_FALSE(keymap.add({'q', 0x1009fff}));
    EXPECT_EQ(keymap, full);
    EXPECT_FALSE(keymap.stroke('q'));
    EXPECT_EQ(keymap.stroke(0x1004e00 + room - 1)->keycode, Keymap::lastKeycode);
    EXPECT_TRUE(platform::wayland::keymapCompiles(keymap.text()));
}

TEST(WaylandKeymap, CharactersBecomeTheKeysymsThatTypeThem) {
    using platform::wayland::keysymsOf;
    struct Case {
        std::u16string units;
        std::vector<KeySymbol> keysyms;
    };
    const Case cases[] = {
        {u"aZ é", {'a', 'Z', ' ', 0xe9}},
        {u"\r\n", {0xff0d}},  // one line break
        {u"\n\t\b\x1b\x7f", {0xff0d, 0xff09, 0xff08, 0xff1b, 0xffff}},
        {u"д", {0x6c4}},  // a named keysym where XKB has one
        {u"中", {0x1004e2d}},
        {u"👍🏽", {0x101f44d, 0x101f3fd}},  // a surrogate pair is one character
        {u"e\u0301", {'e', 0x1000301}},
        {std::u16string(1, u'\xd800'), {0x100fffd}},  // unpaired surrogate
    };
    for (const Case& c : cases) EXPECT_EQ(keysymsOf(c.units), c.keysyms);
}

TEST(WaylandKeymap, DeclaresTheLockIndicatorsXwaylandNeeds) {
    const Compiled compiled(Keymap().text());
    ASSERT_NE(compiled.keymap, nullptr);
    for (const char* led : {XKB_LED_NAME_CAPS, XKB_LED_NAME_NUM, XKB_LED_NAME_SCROLL})
        EXPECT_NE(xkb_keymap_led_get_index(compiled.keymap.get(), led), XKB_LED_INVALID) << led;
}

TEST(WaylandKeymap, BrokenTextDoesNotCompile) {
    EXPECT_FALSE(platform::wayland::keymapCompiles("xkb_keymap { xkb_symbols { key <I9> { [ a ] }; };"));
    EXPECT_TRUE(platform::wayland::keymapCompiles(Keymap().text()));
}

}  // namespace
