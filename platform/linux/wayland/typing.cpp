#include "platform/linux/wayland/typing.h"

#include <cstdlib>

#include "platform/linux/wayland/connection.h"
#include "platform/linux/interrupted_input.h"
#include "platform/linux/wayland/keyboard.h"
#include "platform/linux/wayland/keymap.h"
#include "platform/linux/wayland/socket.h"
#include "platform/linux/input_lock.h"

namespace platform::wayland {
namespace {

// How long a run waits while another one types on the compositor.
constexpr unsigned turnTimeoutMilliseconds = 10000;

struct Cluster {
    std::u16string units;
    std::vector<KeySymbol> keysyms;
    std::size_t part = 0;  // its keymap
    bool typable = true;   // false: too many keysyms for any keymap
};

struct TypingState {
    bool active = false;
    bool dropped = false;  // a keysym had no key to type it
    std::vector<Cluster> clusters;
    std::vector<Keymap> parts;
    std::size_t next = 0;  // the cluster whose keys come next
};

TypingState state;

// Splits the clusters into parts whose keysyms fit one keymap each.
void planParts() {
    state.parts.assign(1, Keymap());
    for (Cluster& cluster : state.clusters) {
        if (state.parts.back().add(cluster.keysyms)) {
            cluster.part = state.parts.size() - 1;
            continue;
        }
        Keymap fresh;
        if (!fresh.add(cluster.keysyms)) {
            cluster.typable = false;
            continue;
        }
        state.parts.push_back(fresh);
        cluster.part = state.parts.size() - 1;
    }
}

// Presses and releases the keys of the keysyms with the current keymap,
// Shift around each shifted one, then waits until the compositor has them.
void pressKeysyms(const std::vector<KeySymbol>& keysyms) {
    const Keymap& keymap = currentKeymap();
    for (const KeySymbol keysym : keysyms) {
        const std::optional<KeyStroke> stroke = keymap.stroke(keysym);
        if (!stroke) {
            state.dropped = true;
            continue;
        }
        if (stroke->shift) {
            sendKey(keymap.shiftKeycode(), true);
            sendModifiers(shiftMask);
        }
        sendKey(stroke->keycode, true);
        sendKey(stroke->keycode, false);
        if (stroke->shift) {
            sendKey(keymap.shiftKeycode(), false);
            sendModifiers(0);
        }
    }
    flushKeys();
}

}  // namespace

bool takeTurn() {
    Connection* connection = Connection::shared();
    if (!connection) return true;  // nothing will be typed anyway
    return acquireInputLock(turnName(connection->socketPath(), std::getenv("XDG_RUNTIME_DIR")),
                                 turnTimeoutMilliseconds);
}

std::optional<TypingFailure> startTyping(const std::vector<std::u16string>& clusters) {
    if (!Connection::shared()) return std::nullopt;
    if (!takeTurn()) return TypingFailure::displayBusy;
    state = TypingState{};
    for (const std::u16string& units : clusters) state.clusters.push_back(Cluster{units, keysymsOf(units)});
    planParts();
    if (!useKeymap(state.parts.front())) {
        state = TypingState{};
        releaseInputLock();
        return TypingFailure::noFreeKey;
    }
    state.active = true;
    interrupted_input::honourInterrupt();
    return std::nullopt;
}

void typeCluster(const std::u16string& units) {
    if (units.empty() || !Connection::shared()) return;
    interrupted_input::honourInterrupt();
    // Key events arrive in the announced order; one that was not announced
    // (or a run without startTyping) gets a keymap of its own when the
    // current one lacks its keysyms.
    std::size_t index = state.next;
    while (state.active && index < state.clusters.size() && state.clusters[index].units != units) ++index;
    if (!state.active || index == state.clusters.size()) {
        const std::vector<KeySymbol> keysyms = keysymsOf(units);
        Keymap keymap = currentKeymap();
        if (!keymap.add(keysyms)) keymap = Keymap();
        if (!keymap.add(keysyms) || !useKeymap(keymap)) {
            state.dropped = true;
            return;
        }
        pressKeysyms(keysyms);
        return;
    }
    state.next = index;
    const Cluster& cluster = state.clusters[index];
    if (!cluster.typable || !useKeymap(state.parts[cluster.part])) {
        state.dropped = true;
        return;
    }
    pressKeysyms(cluster.keysyms);
}

void clusterReleased(const std::u16string& units) {
    if (!state.active) return;
    interrupted_input::honourInterrupt();
    if (state.next < state.clusters.size() && state.clusters[state.next].units == units) ++state.next;
}

std::optional<TypingFailure> startKeyPresses(const std::vector<KeyCombination>& combinations) {
    if (!Connection::shared()) return std::nullopt;
    if (!takeTurn()) return TypingFailure::displayBusy;
    state = TypingState{};
    std::vector<KeySymbol> keysyms;
    for (const KeyCombination& combination : combinations) {
        keysyms.insert(keysyms.end(), combination.held.begin(), combination.held.end());
        keysyms.push_back(combination.key);
    }
    Keymap keymap;
    if (!keymap.add(keysyms) || !useKeymap(keymap)) {
        releaseInputLock();
        return TypingFailure::noFreeKey;
    }
    interrupted_input::honourInterrupt();
    return std::nullopt;
}

void pressCombination(const KeyCombination& combination) {
    if (!Connection::shared()) return;
    interrupted_input::honourInterrupt();
    const Keymap& keymap = currentKeymap();
    std::vector<KeySymbol> held;  // keysyms whose keys are down
    std::uint32_t modifiers = 0;
    for (const KeySymbol keysym : combination.held) {
        const std::optional<KeyStroke> stroke = keymap.stroke(keysym);
        if (!stroke) {
            state.dropped = true;
            continue;
        }
        sendKey(stroke->keycode, true);
        held.push_back(keysym);
        modifiers |= modifierMaskOf(keysym);
        sendModifiers(modifiers);
    }
    if (const std::optional<KeyStroke> stroke = keymap.stroke(combination.key)) {
        // No second Shift when the combination holds one already.
        const bool addShift = stroke->shift && !(modifiers & shiftMask);
        if (addShift) {
            sendKey(keymap.shiftKeycode(), true);
            sendModifiers(modifiers | shiftMask);
        }
        sendKey(stroke->keycode, true);
        sendKey(stroke->keycode, false);
        if (addShift) {
            sendKey(keymap.shiftKeycode(), false);
            sendModifiers(modifiers);
        }
    } else {
        state.dropped = true;
    }
    while (!held.empty()) {
        const KeySymbol keysym = held.back();
        held.pop_back();
        sendKey(keymap.stroke(keysym)->keycode, false);
        modifiers = 0;
        for (const KeySymbol still : held) modifiers |= modifierMaskOf(still);
        sendModifiers(modifiers);
    }
    flushKeys();
}

std::optional<TypingFailure> finishTyping() {
    if (!Connection::shared()) return std::nullopt;
    interrupted_input::honourInterrupt();
    releaseKeys();
    releaseInputLock();
    const bool dropped = state.dropped;
    state = TypingState{};
    if (dropped) return TypingFailure::noFreeKey;
    return std::nullopt;
}

}  // namespace platform::wayland
