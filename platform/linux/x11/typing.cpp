#include "platform/linux/x11/typing.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstddef>
#include <optional>

#include "platform/linux/x11/connection.h"
#include "platform/linux/input_lock.h"
#include "platform/linux/interrupted_input.h"
#include "platform/linux/x11/keyboard_layout.h"
#include "platform/linux/x11/remap_record.h"
#include "platform/timing.h"

namespace platform::x11 {
namespace {

// Time the target application gets to take in a new mapping before a key
// that needs it arrives, when the mapping could not be made ahead.
constexpr std::uint32_t settleMicroseconds = 50000;
// Time it gets to read the last keys before their keycodes lose their
// keysyms at the end of typing.
constexpr std::uint32_t drainMicroseconds = 100000;
// How many clusters beyond the next one are mapped ahead.
constexpr std::size_t lookahead = 3;
// The core keyboard's keycode 8 is left alone: some clients treat it
// specially.
constexpr int firstUsableKeycode = 9;
// How long a run waits while another one types on the display.
constexpr unsigned turnTimeoutMilliseconds = 10000;

// The keysym that types one code point: Latin-1 keysyms equal their code
// points, the control characters have their function keys, everything
// else uses the Unicode keysym range.
KeySym keysymOf(char32_t codePoint) {
    switch (codePoint) {
        case 0x08: return 0xff08;  // BackSpace
        case 0x09: return 0xff09;  // Tab
        case 0x0A:
        case 0x0D: return 0xff0d;  // Return
        case 0x1B: return 0xff1b;  // Escape
        case 0x7F: return 0xffff;  // Delete
        default: break;
    }
    if ((codePoint >= 0x20 && codePoint < 0x7F) || (codePoint >= 0xA0 && codePoint < 0x100)) return codePoint;
    return 0x01000000 + codePoint;
}

// The keysyms of one cluster, in order. A CR LF pair is one line break.
std::vector<KeySym> keysymsOf(const std::u16string& units) {
    std::vector<KeySym> keysyms;
    char32_t previous = 0;
    const std::int32_t length = static_cast<std::int32_t>(units.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 next;
        U16_NEXT(units.data(), i, length, next);
        const char32_t codePoint = U_IS_SURROGATE(next) ? 0xFFFD : static_cast<char32_t>(next);  // unpaired
        if (!(codePoint == 0x0A && previous == 0x0D)) keysyms.push_back(keysymOf(codePoint));
        previous = codePoint;
    }
    return keysyms;
}

// One key press: a key of the layout (with Shift when its level needs
// it) or a spare keycode mapped to the keysym on both levels.
struct Stroke {
    KeyCode keycode = 0;
    bool shift = false;
};

struct Cluster {
    std::u16string units;
    std::vector<KeySym> keysyms;
    std::vector<Stroke> strokes;  // filled once mapped
    bool mapped = false;
};

struct SpareKey {
    KeyCode keycode = 0;
    std::vector<KeySym> original;  // its keysyms before typing
    KeySym current = NoSymbol;
    bool changed = false;
    long lastCluster = -1;  // the last cluster (index) that uses it
};

struct TypingState {
    bool active = false;
    bool cleanupRegistered = false;
    bool dropped = false;  // a keysym had no key to type it
    std::vector<SpareKey> pool;
    std::vector<RemappedKey> record;  // the changed keys, as on the server
    KeyboardLayout layout;  // read when typing starts, before any change
    std::vector<Cluster> clusters;
    std::size_t next = 0;  // the cluster whose keys come next
};

// Namespace scope, so it outlives the connection's cleanup at exit.
TypingState state;

// The keycodes without any keysym, with their (empty) mapping saved.
std::vector<SpareKey> findSpareKeys(Display* display) {
    std::vector<SpareKey> spare;
    int minimum = 0;
    int maximum = 0;
    XDisplayKeycodes(display, &minimum, &maximum);
    minimum = std::max(minimum, firstUsableKeycode);
    if (maximum < minimum) return spare;
    const int count = maximum - minimum + 1;
    int width = 0;
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minimum), count, &width);
    if (!map) return spare;
    for (int i = 0; i < count; ++i) {
        const KeySym* row = map + static_cast<std::ptrdiff_t>(i) * width;
        if (std::all_of(row, row + width, [](KeySym keysym) { return keysym == NoSymbol; }))
            spare.push_back(SpareKey{static_cast<KeyCode>(minimum + i), std::vector<KeySym>(row, row + width)});
    }
    XFree(map);
    return spare;
}

// The layout's own key for a keysym. A Latin-1 character may sit in the
// layout under its Unicode keysym too.
std::optional<Stroke> layoutStroke(KeySym keysym) {
    std::optional<LayoutKey> key = state.layout.find(keysym);
    if (!key && keysym >= 0x20 && keysym < 0x100) key = state.layout.find(0x01000000 + keysym);
    if (!key) return std::nullopt;
    return Stroke{key->keycode, key->shift};
}

void assign(Display* display, SpareKey& key, KeySym keysym) {
    if (!key.changed) {
        // The first change of the run must be undone even if it is cut
        // short; the record reaches the server before the change does.
        if (state.record.empty()) interrupted_input::beginOutstanding();
        if (std::none_of(state.record.begin(), state.record.end(),
                         [&](const RemappedKey& kept) { return kept.keycode == key.keycode; })) {
            std::vector<unsigned long> original(key.original.begin(), key.original.end());
            if (original.empty()) original.push_back(NoSymbol);
            state.record.push_back(RemappedKey{key.keycode, original});
            writeRemapRecord(display, state.record);
        }
    }
    // Both shift levels carry the keysym, so neither Shift nor the case
    // rules of a single-keysym key change what it types.
    KeySym both[2] = {keysym, keysym};
    XChangeKeyboardMapping(display, key.keycode, 2, both, 1);
    key.current = keysym;
    key.changed = true;
}

void restoreMapping() {
    Display* display = connection();
    if (!display) return;
    for (SpareKey& key : state.pool) {
        if (!key.changed) continue;
        std::vector<KeySym> original = key.original;
        if (original.empty()) original.push_back(NoSymbol);
        XChangeKeyboardMapping(display, key.keycode, static_cast<int>(original.size()), original.data(), 1);
        key.changed = false;
        key.current = NoSymbol;
    }
    const bool recorded = !state.record.empty();
    if (recorded) {
        state.record.clear();
        writeRemapRecord(display, state.record);
    }
    XSync(display, False);
    if (recorded) interrupted_input::endOutstanding();
}

// Makes sure the pool is known and the mapping is restored at exit or
// on a stop signal even when typing is cut short.
void preparePool(Display* display) {
    if (state.cleanupRegistered) return;
    state.cleanupRegistered = true;
    state.pool = findSpareKeys(display);
    atDisconnect(restoreMapping);
    interrupted_input::onInterrupt(restoreMapping);
    interrupted_input::catchInterrupts(syncConnection);
}

// Whether keys of the layout type what they were chosen for: the
// modifiers and group are still those the layout was read in.
bool layoutHolds(Display* display) {
    return state.layout.state() && currentKeyboardState(display) == state.layout.state();
}

// Works out the keys of cluster index: the layout's own keys where it has
// the keysym, spare keycodes for the rest, leaving alone every spare used
// by a cluster at or after protectFrom. False (and nothing changed) when
// the pool has too few keycodes to spare. Sets changed when a spare got a
// new keysym.
bool mapCluster(Display* display, std::size_t index, long protectFrom, bool& changed) {
    Cluster& cluster = state.clusters[index];
    const std::size_t none = state.pool.size();
    std::vector<std::optional<Stroke>> own(cluster.keysyms.size());
    std::vector<std::size_t> chosen(cluster.keysyms.size(), none);
    std::vector<bool> taken(state.pool.size(), false);
    for (std::size_t i = 0; i < cluster.keysyms.size(); ++i) own[i] = layoutStroke(cluster.keysyms[i]);
    // A keycode that already carries the keysym is used again.
    for (std::size_t i = 0; i < cluster.keysyms.size(); ++i)
        for (std::size_t k = 0; k < state.pool.size() && !own[i]; ++k)
            if (state.pool[k].current == cluster.keysyms[i]) {
                chosen[i] = k;
                taken[k] = true;
                break;
            }
    // The others get the free keycode used longest ago.
    for (std::size_t i = 0; i < cluster.keysyms.size(); ++i) {
        if (own[i] || chosen[i] != none) continue;
        for (std::size_t j = 0; j < i; ++j)
            if (cluster.keysyms[j] == cluster.keysyms[i]) chosen[i] = chosen[j];
        if (chosen[i] != none) continue;
        std::size_t best = none;
        for (std::size_t k = 0; k < state.pool.size(); ++k) {
            if (taken[k] || state.pool[k].lastCluster >= protectFrom) continue;
            if (best == none || state.pool[k].lastCluster < state.pool[best].lastCluster) best = k;
        }
        if (best == none) return false;
        chosen[i] = best;
        taken[best] = true;
    }
    cluster.strokes.clear();
    for (std::size_t i = 0; i < cluster.keysyms.size(); ++i) {
        if (own[i]) {
            cluster.strokes.push_back(*own[i]);
            continue;
        }
        SpareKey& key = state.pool[chosen[i]];
        if (key.current != cluster.keysyms[i]) {
            assign(display, key, cluster.keysyms[i]);
            changed = true;
        }
        key.lastCluster = static_cast<long>(index);
        cluster.strokes.push_back(Stroke{key.keycode, false});
    }
    cluster.mapped = true;
    return true;
}

// Maps the next clusters ahead, in order, as far as the pool allows
// without touching the keycodes of the two clusters sent last. True when
// the mapping changed.
bool mapAhead(Display* display) {
    const long protectFrom = static_cast<long>(state.next) - 2;
    bool changed = false;
    for (std::size_t index = state.next; index < state.clusters.size() && index <= state.next + lookahead; ++index) {
        if (state.clusters[index].mapped) continue;
        if (!mapCluster(display, index, protectFrom, changed)) break;
    }
    XSync(display, False);
    return changed;
}

// Presses and releases a key, with Shift around it when its level needs
// it. The events leave in one flush, so no Shift is left down; the Shift
// pressed is never one that was down already (the layout adds Shift only
// in a state without it, and is not used once the state differs).
void press(Display* display, const Stroke& stroke) {
    const KeyCode shift = stroke.shift ? state.layout.shiftKeycode() : 0;
    if (shift) XTestFakeKeyEvent(display, shift, True, CurrentTime);
    XTestFakeKeyEvent(display, stroke.keycode, True, CurrentTime);
    XTestFakeKeyEvent(display, stroke.keycode, False, CurrentTime);
    if (shift) XTestFakeKeyEvent(display, shift, False, CurrentTime);
}

// Types keysyms that have no prepared keys: keysyms the layout holds (when
// useLayout) go out on their own keys; for the others, lets the
// application read the keys sent so far, then maps as many distinct
// keysyms as the pool holds, waits for the mapping to be taken in, types
// them, and so on. The spares used are kept for cluster index until it is
// safely read.
void typeUnprepared(Display* display, const std::vector<KeySym>& keysyms, long index, bool useLayout) {
    bool remapped = false;
    std::size_t done = 0;
    while (done < keysyms.size()) {
        std::vector<Stroke> strokes;
        std::vector<KeySym> planned;  // the keysym of pool key k, k < planned.size()
        std::size_t end = done;
        for (; end < keysyms.size(); ++end) {
            if (const std::optional<Stroke> own = useLayout ? layoutStroke(keysyms[end]) : std::nullopt) {
                strokes.push_back(*own);
                continue;
            }
            const auto same = std::find(planned.begin(), planned.end(), keysyms[end]);
            if (same == planned.end() && planned.size() == state.pool.size()) {
                if (state.pool.empty()) {
                    state.dropped = true;  // no key can type it
                    continue;
                }
                break;
            }
            if (same == planned.end()) planned.push_back(keysyms[end]);
            const std::size_t k = static_cast<std::size_t>(std::find(planned.begin(), planned.end(), keysyms[end]) - planned.begin());
            strokes.push_back(Stroke{state.pool[k].keycode, false});
        }
        bool changes = false;
        for (std::size_t k = 0; k < planned.size(); ++k) changes = changes || state.pool[k].current != planned[k];
        if (changes) {
            sleepMicroseconds(drainMicroseconds);
            interrupted_input::honourInterrupt();
            for (SpareKey& key : state.pool) key.lastCluster = -1;
            for (std::size_t k = 0; k < planned.size(); ++k)
                if (state.pool[k].current != planned[k]) assign(display, state.pool[k], planned[k]);
            XSync(display, False);
            sleepMicroseconds(settleMicroseconds);
            interrupted_input::honourInterrupt();
            remapped = true;
        }
        for (std::size_t k = 0; k < planned.size(); ++k) state.pool[k].lastCluster = index;
        for (const Stroke& stroke : strokes) press(display, stroke);
        XSync(display, False);
        done = end;
    }
    if (!remapped) return;
    // Nothing prepared ahead is valid any more.
    for (std::size_t later = state.next; later < state.clusters.size(); ++later) {
        state.clusters[later].mapped = false;
        state.clusters[later].strokes.clear();
    }
}

// The key that types a keysym now: the layout's own, or a spare keycode
// that carries it.
std::optional<Stroke> strokeFor(KeySym keysym) {
    if (const std::optional<Stroke> own = layoutStroke(keysym)) return own;
    for (const SpareKey& key : state.pool)
        if (key.changed && key.current == keysym) return Stroke{key.keycode, false};
    return std::nullopt;
}

}  // namespace

bool takeTypingTurn() {
    Display* display = connection();
    if (!display) return true;  // nothing will be typed anyway
    return acquireInputLock(DisplayString(display), turnTimeoutMilliseconds);
}

std::optional<TypingFailure> startTyping(const std::vector<std::u16string>& clusters) {
    Display* display = connection();
    if (!display) return std::nullopt;
    if (!takeTypingTurn()) return TypingFailure::displayBusy;
    // Holding the turn, no other run is typing: a record left on the
    // server belongs to a run that ended without cleaning up.
    restoreLeftoverRemapping(display);
    preparePool(display);
    state.active = true;
    state.dropped = false;
    // Read before any spare changes (they are all restored by now).
    state.layout = KeyboardLayout::read(display);
    state.clusters.clear();
    for (const std::u16string& units : clusters) state.clusters.push_back(Cluster{units, keysymsOf(units), {}, false});
    if (state.pool.empty()) {
        // Without a spare key a character the layout lacks cannot be
        // typed: nothing is typed rather than part of the text.
        for (const Cluster& cluster : state.clusters)
            for (const KeySym keysym : cluster.keysyms)
                if (!layoutStroke(keysym)) {
                    state.active = false;
                    state.clusters.clear();
                    releaseInputLock();
                    return TypingFailure::noFreeKey;
                }
    }
    state.next = 0;
    for (SpareKey& key : state.pool) key.lastCluster = -1;
    if (mapAhead(display)) sleepMicroseconds(settleMicroseconds);
    interrupted_input::honourInterrupt();
    return std::nullopt;
}

void typeCluster(const std::u16string& units) {
    Display* display = connection();
    if (units.empty() || !display) return;
    preparePool(display);
    interrupted_input::honourInterrupt();
    // Key events arrive in the announced order; one that was not announced
    // (or a run without startTyping) is typed on its own.
    std::size_t index = state.next;
    while (state.active && index < state.clusters.size() && state.clusters[index].units != units) ++index;
    // Keys of the layout are chosen for the modifiers of the start; when
    // they changed (the user holds Shift, say), spare keycodes, which type
    // the same on both levels, take over.
    const bool useLayout = layoutHolds(display);
    if (!state.active || index == state.clusters.size()) {
        typeUnprepared(display, keysymsOf(units), static_cast<long>(state.next), useLayout);
        return;
    }
    state.next = index;
    Cluster& cluster = state.clusters[index];
    const bool usesLayout = std::any_of(cluster.keysyms.begin(), cluster.keysyms.end(),
                                        [](KeySym keysym) { return layoutStroke(keysym).has_value(); });
    if (!cluster.mapped || (usesLayout && !useLayout)) {
        typeUnprepared(display, cluster.keysyms, static_cast<long>(index), useLayout);
        return;
    }
    for (const Stroke& stroke : cluster.strokes) press(display, stroke);
    XSync(display, False);
}

void clusterReleased(const std::u16string& units) {
    Display* display = connection();
    if (!display || !state.active) return;
    interrupted_input::honourInterrupt();
    if (state.next < state.clusters.size() && state.clusters[state.next].units == units) ++state.next;
    mapAhead(display);
}

std::optional<TypingFailure> startKeyPresses(const std::vector<KeyCombination>& combinations) {
    Display* display = connection();
    if (!display) return std::nullopt;
    if (!takeTypingTurn()) return TypingFailure::displayBusy;
    restoreLeftoverRemapping(display);
    preparePool(display);
    state.dropped = false;
    state.clusters.clear();
    state.next = 0;
    state.layout = KeyboardLayout::read(display);
    std::vector<KeySym> missing;
    for (const KeyCombination& combination : combinations) {
        std::vector<KeySymbol> keysyms = combination.held;
        keysyms.push_back(combination.key);
        for (const KeySymbol keysym : keysyms)
            if (!layoutStroke(keysym) && std::find(missing.begin(), missing.end(), keysym) == missing.end())
                missing.push_back(keysym);
    }
    if (missing.size() > state.pool.size()) {
        releaseInputLock();
        return TypingFailure::noFreeKey;
    }
    for (std::size_t k = 0; k < missing.size(); ++k) assign(display, state.pool[k], missing[k]);
    XSync(display, False);
    if (!missing.empty()) sleepMicroseconds(settleMicroseconds);
    interrupted_input::honourInterrupt();
    return std::nullopt;
}

void pressCombination(const KeyCombination& combination) {
    Display* display = connection();
    if (!display) return;
    interrupted_input::honourInterrupt();
    std::vector<KeyCode> held;
    for (const KeySymbol keysym : combination.held) {
        const std::optional<Stroke> stroke = strokeFor(keysym);
        if (!stroke) {
            state.dropped = true;
            continue;
        }
        XTestFakeKeyEvent(display, stroke->keycode, True, CurrentTime);
        held.push_back(stroke->keycode);
    }
    if (const std::optional<Stroke> stroke = strokeFor(combination.key)) {
        // No second Shift when the combination holds one already.
        const KeyCode shift = stroke->shift ? state.layout.shiftKeycode() : 0;
        const bool addShift = shift && std::find(held.begin(), held.end(), shift) == held.end();
        press(display, Stroke{stroke->keycode, addShift});
    } else {
        state.dropped = true;
    }
    for (auto key = held.rbegin(); key != held.rend(); ++key) XTestFakeKeyEvent(display, *key, False, CurrentTime);
    XSync(display, False);
}

std::optional<TypingFailure> finishTyping() {
    Display* display = connection();
    if (!display) return std::nullopt;
    interrupted_input::honourInterrupt();
    if (std::any_of(state.pool.begin(), state.pool.end(), [](const SpareKey& key) { return key.changed; })) {
        sleepMicroseconds(drainMicroseconds);
        restoreMapping();
    }
    releaseInputLock();
    state.active = false;
    state.clusters.clear();
    state.next = 0;
    if (state.dropped) return TypingFailure::noFreeKey;
    return std::nullopt;
}

}  // namespace platform::x11
