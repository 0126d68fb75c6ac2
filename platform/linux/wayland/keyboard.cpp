#include "platform/linux/wayland/keyboard.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/linux/wayland/connection.h"
#include "platform/linux/interrupted_input.h"
#include "platform/linux/wayland/proxy.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

namespace platform::wayland {
namespace {

// Evdev key codes are XKB keycodes less 8.
constexpr std::uint32_t evdevOffset = 8;

struct KeyboardState {
    Proxy<zwp_virtual_keyboard_v1, zwp_virtual_keyboard_v1_destroy> device;
    std::optional<Keymap> keymap;
    std::vector<std::uint32_t> pressed;  // keycodes down, in order
    std::uint32_t modifiers = 0;
    bool outstanding = false;
};

// Namespace scope, so it outlives the connection's cleanup at exit.
KeyboardState state;

bool holding() { return !state.pressed.empty() || state.modifiers != 0; }

// Keeps the interrupt mechanism told whether anything is held.
void noteHolding() {
    if (holding() && !state.outstanding) {
        state.outstanding = true;
        interrupted_input::beginOutstanding();
    } else if (!holding() && state.outstanding) {
        state.outstanding = false;
        interrupted_input::endOutstanding();
    }
}

void releaseHeld() {
    if (!state.device) return;
    for (auto key = state.pressed.rbegin(); key != state.pressed.rend(); ++key)
        zwp_virtual_keyboard_v1_key(state.device.get(), eventTime(), *key - evdevOffset,
                                    WL_KEYBOARD_KEY_STATE_RELEASED);
    state.pressed.clear();
    if (state.modifiers) zwp_virtual_keyboard_v1_modifiers(state.device.get(), 0, 0, 0, 0);
    state.modifiers = 0;
}

// At exit: nothing stays held, and the device goes before the connection.
void closeKeyboard(Connection&) {
    releaseHeld();
    state.device.reset();
    state.keymap.reset();
}

// The keymap as a sealed memory file, as the protocol hands it over.
int keymapFile(const std::string& text) {
    const int descriptor = memfd_create("tavik-ax-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (descriptor < 0) return -1;
    const std::size_t size = text.size() + 1;  // with the terminating zero
    std::size_t written = 0;
    while (written < size) {
        const ssize_t step = write(descriptor, text.c_str() + written, size - written);
        if (step <= 0) {
            close(descriptor);
            return -1;
        }
        written += static_cast<std::size_t>(step);
    }
    fcntl(descriptor, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return descriptor;
}

zwp_virtual_keyboard_v1* device(Connection& connection) {
    if (state.device) return state.device.get();
    if (!connection.keyboardManager() || !connection.seat()) return nullptr;
    state.device.reset(
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(connection.keyboardManager(), connection.seat()));
    if (!state.device) return nullptr;
    connection.atDisconnect(closeKeyboard);
    interrupted_input::onInterrupt(releaseKeys);
    interrupted_input::catchInterrupts(flushConnection);
    connection.awaitNewDevice(WL_SEAT_CAPABILITY_KEYBOARD);
    return state.device.get();
}

}  // namespace

bool useKeymap(const Keymap& keymap) {
    Connection* connection = Connection::shared();
    if (!connection || !connection->usable()) return false;
    if (state.keymap && *state.keymap == keymap) return true;
    zwp_virtual_keyboard_v1* keyboard = device(*connection);
    if (!keyboard) return false;
    const std::string text = keymap.text();
    // The compositor ends the connection of a client whose keymap does not
    // compile.
    if (!keymapCompiles(text)) return false;
    const int file = keymapFile(text);
    if (file < 0) return false;
    // A new keymap while keys are held would change what they are.
    releaseHeld();
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, file,
                                   static_cast<std::uint32_t>(text.size() + 1));
    close(file);  // the request carries a copy
    // A modifier state makes the keyboard the seat's active one, which
    // hands its keymap to the clients now rather than with the first key.
    zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 0, 0);
    // No pause follows: a client gets the keymap in the same stream as the
    // keys, before them. Measured with GTK 3 natively and under Xwayland:
    // text typed right after a new keymap, and a text that switched keymaps
    // in the middle, arrived whole and right.
    if (!connection->roundtrip()) return false;
    state.keymap = keymap;
    noteHolding();
    return true;
}

const Keymap& currentKeymap() {
    static const Keymap none;
    return state.keymap ? *state.keymap : none;
}

// The state changes first and the interrupt mechanism learns of a key
// going down before it is sent; it learns that nothing is held only after
// the release is sent, since a stop signal may end the run right then.
void sendKey(std::uint32_t keycode, bool down) {
    if (!state.device || !state.keymap || keycode < evdevOffset) return;
    const auto held = std::find(state.pressed.begin(), state.pressed.end(), keycode);
    if (down && held == state.pressed.end()) state.pressed.push_back(keycode);
    if (!down && held != state.pressed.end()) state.pressed.erase(held);
    if (holding()) noteHolding();
    zwp_virtual_keyboard_v1_key(state.device.get(), eventTime(), keycode - evdevOffset,
                                down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    noteHolding();
}

void sendModifiers(std::uint32_t depressed) {
    if (!state.device || !state.keymap || depressed == state.modifiers) return;
    state.modifiers = depressed;
    if (holding()) noteHolding();
    zwp_virtual_keyboard_v1_modifiers(state.device.get(), depressed, 0, 0, 0);
    noteHolding();
}

void flushKeys() {
    if (Connection* connection = Connection::shared()) connection->roundtrip();
}

void releaseKeys() {
    releaseHeld();
    flushKeys();
    noteHolding();
}

void joinKeyboardlessSeat() {
    const Connection* connection = Connection::shared();
    if (!connection || (connection->initialSeatCapabilities() & WL_SEAT_CAPABILITY_KEYBOARD)) return;
    // The keyboard needs a keymap before the compositor makes it the
    // seat's active one: the plain one serves until typing brings its own.
    useKeymap(currentKeymap());
}

}  // namespace platform::wayland
