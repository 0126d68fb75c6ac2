// Typing turns and key combinations on macOS. Keys carry their characters
// themselves, whatever the keyboard layout, so nothing has to be prepared.
#include <ApplicationServices/ApplicationServices.h>

#include "platform/events.h"
#include "platform/macos/cg/key_codes.h"
#include "platform/macos/cg/post.h"

namespace platform {

// The window server takes synthetic input whenever a user is logged in;
// without the Accessibility permission it drops it without a word.
bool canPostInput() { return true; }
std::string inputRefusal() { return {}; }

// No keyboard mapping is changed, so runs need not take turns.
bool takeTypingTurn() { return true; }
std::optional<TypingFailure> beginTyping(const std::vector<std::u16string>&) { return std::nullopt; }
std::optional<TypingFailure> endTyping() { return std::nullopt; }

std::optional<TypingFailure> beginKeyPresses(const std::vector<KeyCombination>&) { return std::nullopt; }

void postKeyCombination(const KeyCombination& combination) {
    // Held keys go down in order, each adding its modifier flag; the key
    // (with Shift when its character needs it) goes down and up; the held
    // keys come up in reverse order.
    std::vector<macos::KeyStroke> held;
    CGEventFlags flags = 0;
    for (KeySymbol symbol : combination.held) {
        const auto stroke = macos::keyStrokeOf(symbol);
        if (!stroke) continue;
        flags |= stroke->modifierFlag;
        macos::postKeyboardEvent(KeyboardEvent{stroke->virtualKey, true, stroke->characters}, flags);
        held.push_back(*stroke);
    }
    if (const auto stroke = macos::keyStrokeOf(combination.key)) {
        CGEventFlags keyFlags = flags | stroke->modifierFlag;
        if (stroke->needsShift) keyFlags |= kCGEventFlagMaskShift;
        macos::postKeyboardEvent(KeyboardEvent{stroke->virtualKey, true, stroke->characters}, keyFlags);
        macos::postKeyboardEvent(KeyboardEvent{stroke->virtualKey, false, stroke->characters}, keyFlags);
    }
    for (auto it = held.rbegin(); it != held.rend(); ++it) {
        flags &= ~it->modifierFlag;
        macos::postKeyboardEvent(KeyboardEvent{it->virtualKey, false, it->characters}, flags);
    }
}

std::optional<TypingFailure> endKeyPresses() { return std::nullopt; }

}  // namespace platform
