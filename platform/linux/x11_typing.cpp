#include "platform/linux/x11_typing.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <cstddef>

#include "platform/linux/x11_connection.h"
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

struct Cluster {
    std::u16string units;
    std::vector<KeySym> keysyms;
    std::vector<KeyCode> keycodes;  // filled once mapped
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
    std::vector<SpareKey> pool;
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

void assign(Display* display, SpareKey& key, KeySym keysym) {
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
    XSync(display, False);
}

// Makes sure the pool is known and the mapping is restored at exit even
// when typing is cut short.
bool preparePool(Display* display) {
    if (!state.cleanupRegistered) {
        state.cleanupRegistered = true;
        state.pool = findSpareKeys(display);
        atDisconnect(restoreMapping);
    }
    return !state.pool.empty();
}

// Maps the keycodes of cluster index, leaving alone every keycode used by
// a cluster at or after protectFrom. False (and nothing changed) when the
// pool has too few keycodes to spare.
bool mapCluster(Display* display, std::size_t index, long protectFrom) {
    Cluster& cluster = state.clusters[index];
    std::vector<std::size_t> chosen(cluster.keysyms.size(), state.pool.size());
    std::vector<bool> taken(state.pool.size(), false);
    // A keycode that already carries the keysym is used again.
    for (std::size_t i = 0; i < cluster.keysyms.size(); ++i)
        for (std::size_t k = 0; k < state.pool.size(); ++k)
            if (state.pool[k].current == cluster.keysyms[i]) {
                chosen[i] = k;
                taken[k] = true;
                break;
            }
    // The others get the free keycode used longest ago.
    for (std::size_t i = 0; i < cluster.keysyms.size(); ++i) {
        if (chosen[i] != state.pool.size()) continue;
        for (std::size_t j = 0; j < i; ++j)
            if (cluster.keysyms[j] == cluster.keysyms[i]) chosen[i] = chosen[j];
        if (chosen[i] != state.pool.size()) continue;
        std::size_t best = state.pool.size();
        for (std::size_t k = 0; k < state.pool.size(); ++k) {
            if (taken[k] || state.pool[k].lastCluster >= protectFrom) continue;
            if (best == state.pool.size() || state.pool[k].lastCluster < state.pool[best].lastCluster) best = k;
        }
        if (best == state.pool.size()) return false;
        chosen[i] = best;
        taken[best] = true;
    }
    cluster.keycodes.clear();
    for (std::size_t i = 0; i < cluster.keysyms.size(); ++i) {
        SpareKey& key = state.pool[chosen[i]];
        if (key.current != cluster.keysyms[i]) assign(display, key, cluster.keysyms[i]);
        key.lastCluster = static_cast<long>(index);
        cluster.keycodes.push_back(key.keycode);
    }
    cluster.mapped = true;
    return true;
}

// Maps the next clusters ahead, in order, as far as the pool allows
// without touching the keycodes of the two clusters sent last.
void mapAhead(Display* display) {
    const long protectFrom = static_cast<long>(state.next) - 2;
    for (std::size_t index = state.next; index < state.clusters.size() && index <= state.next + lookahead; ++index) {
        if (state.clusters[index].mapped) continue;
        if (!mapCluster(display, index, protectFrom)) break;
    }
    XSync(display, False);
}

void pressAndRelease(Display* display, KeyCode keycode) {
    XTestFakeKeyEvent(display, keycode, True, CurrentTime);
    XTestFakeKeyEvent(display, keycode, False, CurrentTime);
}

// Types keysyms that have no prepared keycodes: lets the application read
// the keys sent so far, then maps as many distinct keysyms as the pool
// holds, waits for the mapping to be taken in, types them, and so on.
// The keys used are kept for cluster index until it is safely read.
void typeUnprepared(Display* display, const std::vector<KeySym>& keysyms, long index) {
    std::size_t done = 0;
    while (done < keysyms.size()) {
        sleepMicroseconds(drainMicroseconds);
        for (SpareKey& key : state.pool) key.lastCluster = -1;
        std::vector<KeyCode> keycodes;
        std::size_t end = done;
        std::size_t used = 0;
        for (; end < keysyms.size(); ++end) {
            auto same = std::find_if(state.pool.begin(), state.pool.begin() + static_cast<std::ptrdiff_t>(used),
                                     [&](const SpareKey& key) { return key.current == keysyms[end]; });
            if (same != state.pool.begin() + static_cast<std::ptrdiff_t>(used)) {
                keycodes.push_back(same->keycode);
                continue;
            }
            if (used == state.pool.size()) break;
            SpareKey& key = state.pool[used++];
            if (key.current != keysyms[end]) assign(display, key, keysyms[end]);
            key.lastCluster = index;
            keycodes.push_back(key.keycode);
        }
        XSync(display, False);
        sleepMicroseconds(settleMicroseconds);
        for (KeyCode keycode : keycodes) pressAndRelease(display, keycode);
        XSync(display, False);
        done = end;
    }
    // Nothing prepared ahead is valid any more.
    for (std::size_t index = state.next; index < state.clusters.size(); ++index) {
        state.clusters[index].mapped = false;
        state.clusters[index].keycodes.clear();
    }
}

}  // namespace

void startTyping(const std::vector<std::u16string>& clusters) {
    Display* display = connection();
    if (!display || !preparePool(display)) return;
    state.active = true;
    state.clusters.clear();
    for (const std::u16string& units : clusters) state.clusters.push_back(Cluster{units, keysymsOf(units), {}, false});
    state.next = 0;
    for (SpareKey& key : state.pool) key.lastCluster = -1;
    mapAhead(display);
    sleepMicroseconds(settleMicroseconds);
}

void typeCluster(const std::u16string& units) {
    Display* display = connection();
    if (units.empty() || !display || !preparePool(display)) return;
    // Key events arrive in the announced order; one that was not announced
    // (or a run without startTyping) is typed on its own.
    std::size_t index = state.next;
    while (state.active && index < state.clusters.size() && state.clusters[index].units != units) ++index;
    if (!state.active || index == state.clusters.size()) {
        typeUnprepared(display, keysymsOf(units), static_cast<long>(state.next));
        return;
    }
    state.next = index;
    Cluster& cluster = state.clusters[index];
    if (!cluster.mapped) {
        typeUnprepared(display, cluster.keysyms, static_cast<long>(index));
        return;
    }
    for (KeyCode keycode : cluster.keycodes) pressAndRelease(display, keycode);
    XSync(display, False);
}

void clusterReleased(const std::u16string& units) {
    Display* display = connection();
    if (!display || !state.active) return;
    if (state.next < state.clusters.size() && state.clusters[state.next].units == units) ++state.next;
    mapAhead(display);
}

void finishTyping() {
    Display* display = connection();
    if (!display) return;
    if (std::any_of(state.pool.begin(), state.pool.end(), [](const SpareKey& key) { return key.changed; })) {
        sleepMicroseconds(drainMicroseconds);
        restoreMapping();
    }
    state.active = false;
    state.clusters.clear();
    state.next = 0;
}

}  // namespace platform::x11
