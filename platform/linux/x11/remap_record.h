#pragma once

#include <vector>

// Xlib's own name for its connection type (Display is a typedef of it).
struct _XDisplay;

// What a typing run changed in the key mapping, kept on the X server
// (a property of the root window) while the change lasts. The property is
// written before a key is remapped and removed once every key is back, so
// after a run that could not clean up (SIGKILL, a crash, a lost
// connection) the next typing run finds it and puts the keys back first;
// otherwise each such run would leave spare keys taken for good.
namespace platform::x11 {

// One remapped keycode and the keysyms it had before.
struct RemappedKey {
    unsigned char keycode = 0;
    std::vector<unsigned long> original;
    bool operator==(const RemappedKey&) const = default;
};

// The property's 32-bit items: per key its keycode, the number of its
// keysyms, then the keysyms.
std::vector<long> encodeRemappedKeys(const std::vector<RemappedKey>& keys);

// The keys of the items; a malformed rest (a keycode or count out of
// range, items missing) is left out.
std::vector<RemappedKey> decodeRemappedKeys(const std::vector<long>& items);

// Replaces the record (nothing: removes it).
void writeRemapRecord(_XDisplay* display, const std::vector<RemappedKey>& keys);

// Puts back the keys a run left remapped and removes the record. Only
// called while the display's input lock is held, so no live run's keys
// are touched.
void restoreLeftoverRemapping(_XDisplay* display);

}  // namespace platform::x11
