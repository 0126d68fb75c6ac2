#include "platform/linux/x11/remap_record.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstddef>

namespace platform::x11 {
namespace {

constexpr const char* propertyName = "_TAVIK_AX_REMAPPED";
// A core keyboard mapping has at most a few keysyms per key.
constexpr long mostKeysymsPerKey = 64;
constexpr long mostItems = 65536;

Atom recordAtom(Display* display) { return XInternAtom(display, propertyName, False); }

// The first screen's root: the same for every run on the display,
// whichever screen its display name selects.
Window recordWindow(Display* display) { return RootWindow(display, 0); }

}  // namespace

std::vector<long> encodeRemappedKeys(const std::vector<RemappedKey>& keys) {
    std::vector<long> items;
    for (const RemappedKey& key : keys) {
        items.push_back(key.keycode);
        items.push_back(static_cast<long>(key.original.size()));
        for (const unsigned long keysym : key.original) items.push_back(static_cast<long>(keysym));
    }
    return items;
}

std::vector<RemappedKey> decodeRemappedKeys(const std::vector<long>& items) {
    std::vector<RemappedKey> keys;
    std::size_t at = 0;
    while (at + 2 <= items.size()) {
        const long keycode = items[at];
        const long count = items[at + 1];
        if (keycode < 8 || keycode > 255 || count < 1 || count > mostKeysymsPerKey) break;
        if (items.size() - at - 2 < static_cast<std::size_t>(count)) break;
        RemappedKey key{static_cast<unsigned char>(keycode), {}};
        for (long i = 0; i < count; ++i)
            key.original.push_back(static_cast<unsigned long>(items[at + 2 + static_cast<std::size_t>(i)]) & 0xffffffffUL);
        keys.push_back(key);
        at += 2 + static_cast<std::size_t>(count);
    }
    return keys;
}

void writeRemapRecord(Display* display, const std::vector<RemappedKey>& keys) {
    const Window root = recordWindow(display);
    if (keys.empty()) {
        XDeleteProperty(display, root, recordAtom(display));
        return;
    }
    std::vector<long> items = encodeRemappedKeys(keys);
    XChangeProperty(display, root, recordAtom(display), XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(items.data()), static_cast<int>(items.size()));
}

void restoreLeftoverRemapping(Display* display) {
    const Window root = recordWindow(display);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, root, recordAtom(display), 0, mostItems, False, XA_INTEGER, &type, &format, &count,
                           &after, &data) != Success)
        return;
    if (!data) return;
    std::vector<long> items;
    if (type == XA_INTEGER && format == 32) {
        const long* values = reinterpret_cast<const long*>(data);
        items.assign(values, values + count);
    }
    XFree(data);
    int minimum = 0;
    int maximum = 0;
    XDisplayKeycodes(display, &minimum, &maximum);
    for (RemappedKey& key : decodeRemappedKeys(items)) {
        if (key.keycode < minimum || key.keycode > maximum) continue;
        std::vector<KeySym> original(key.original.begin(), key.original.end());
        XChangeKeyboardMapping(display, key.keycode, static_cast<int>(original.size()), original.data(), 1);
    }
    XDeleteProperty(display, root, recordAtom(display));
    XSync(display, False);
}

}  // namespace platform::x11
