// Synthetic input through a remote-desktop session of mutter: absolute
// pointer motion in a monitor's screen-cast stream, buttons, discrete
// wheel steps and keys by keysym. Each notification is a method call
// whose answer is waited for, so mutter has handled the input before the
// next step (and before the run ends).
#include <wayland-client.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/linux/interrupted_input.h"
#include "platform/linux/mouse_buttons.h"
#include "platform/linux/mutter/bus.h"
#include "platform/linux/mutter/platform.h"
#include "platform/linux/mutter/session.h"
#include "platform/linux/wayland/connection.h"
#include "platform/linux/wayland/keymap.h"
#include "platform/linux/wayland/typing.h"
#include "platform/linux/wayland/wheel.h"
#include "platform/linux/input_lock.h"
#include "platform/timing.h"

namespace platform::mutter {
namespace {

constexpr const char* remoteDesktopName = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* sessionInterface = "org.gnome.Mutter.RemoteDesktop.Session";
// Mutter's discrete scroll axes.
constexpr std::uint32_t verticalAxis = 0;
constexpr std::uint32_t horizontalAxis = 1;
constexpr KeySymbol shiftKeysym = 0xffe1;  // Shift_L

// As on wlroots (see wayland/events.cpp): one 60 Hz frame between wheel
// steps, and a pause after the pointer entered a window before a press.
constexpr std::uint32_t wheelStepGapMicroseconds = 16000;
constexpr std::uint32_t moveSettleMicroseconds = 10000;
// The session's pointer and keyboard are new devices of the seat; on a
// seat that had none (a headless desktop) the clients first learn of them
// and ask for their wl_pointer and wl_keyboard, and input before that is
// lost to them. Mutter is given longer than sway (100 ms there): with
// 100 ms, input right after a session started was lost now and then.
constexpr std::uint32_t newDeviceSettleMicroseconds = 250000;
constexpr std::uint64_t newDeviceTimeoutMicroseconds = 1000000;
constexpr std::uint32_t keyboardFocusSettleMicroseconds = 100000;
constexpr std::uint32_t devicePollMicroseconds = 5000;

struct InputState {
    std::string refusal;
    bool tried = false;
    bool keyboardPrimed = false;
    std::uint32_t heldButton = 0;        // evdev code, 0 for none
    std::vector<KeySymbol> heldKeys;     // keysyms down, in order
    std::optional<Point> position;       // where this run put the pointer
    bool pointerAnnounced = false;       // see announcePointerBeforeWheel
};

InputState state;

// Waits (bounded) until the seat has the session's pointer and keyboard,
// then, when the seat had none before, lets the clients bind them.
void awaitSessionDevices() {
    wayland::Connection* connection = wayland::Connection::shared();
    const std::uint32_t both = WL_SEAT_CAPABILITY_POINTER | WL_SEAT_CAPABILITY_KEYBOARD;
    if (!connection) {
        sleepMicroseconds(newDeviceSettleMicroseconds);
        return;
    }
    const std::uint64_t deadline = monotonicMicroseconds() + newDeviceTimeoutMicroseconds;
    while (connection->roundtrip() && (connection->seatCapabilities() & both) != both &&
           monotonicMicroseconds() < deadline)
        sleepMicroseconds(devicePollMicroseconds);
    if ((connection->initialSeatCapabilities() & both) != both) sleepMicroseconds(newDeviceSettleMicroseconds);
}

// The run's session, stopped when the run ends: made after the bus
// connection, so it is stopped before the connection closes.
std::optional<Session>& sessionSlot() {
    sessionBus();
    static std::optional<Session> slot;
    return slot;
}

Session* session() {
    std::optional<Session>& slot = sessionSlot();
    if (state.tried) return slot ? &*slot : nullptr;
    state.tried = true;
    slot = Session::start(Session::Purpose::input, state.refusal);
    if (!slot) return nullptr;
    awaitSessionDevices();
    return &*slot;
}

Message notification(const char* method) {
    const std::optional<Session>& slot = sessionSlot();
    if (!slot) return nullptr;
    return methodCall(remoteDesktopName, slot->remoteDesktop(), sessionInterface, method);
}

void deliver(Message message) {
    if (message) call(std::move(message));
}

void notifyButton(std::uint32_t button, bool down) {
    Message message = notification("NotifyPointerButton");
    if (message && appendInt32(message.get(), static_cast<std::int32_t>(button)) && appendBoolean(message.get(), down))
        deliver(std::move(message));
}

void notifyKeysym(KeySymbol keysym, bool down) {
    Message message = notification("NotifyKeyboardKeysym");
    if (message && appendUint32(message.get(), keysym) && appendBoolean(message.get(), down))
        deliver(std::move(message));
}

// Undoing for a stop signal: releases go out without waiting for
// answers (the flush writes them), and the run ends right after.
void releaseHeld() {
    const auto sendRelease = [](Message message) { send(std::move(message)); };
    for (auto key = state.heldKeys.rbegin(); key != state.heldKeys.rend(); ++key) {
        Message message = notification("NotifyKeyboardKeysym");
        if (message && appendUint32(message.get(), *key) && appendBoolean(message.get(), false))
            sendRelease(std::move(message));
    }
    state.heldKeys.clear();
    if (state.heldButton) {
        Message message = notification("NotifyPointerButton");
        if (message && appendInt32(message.get(), static_cast<std::int32_t>(state.heldButton)) &&
            appendBoolean(message.get(), false))
            sendRelease(std::move(message));
        state.heldButton = 0;
    }
}

void watchInterrupts() {
    interrupted_input::onInterrupt(releaseHeld);
    interrupted_input::catchInterrupts(flush);
}

// Presses or releases a key and keeps count of what is held.
void key(KeySymbol keysym, bool down) {
    const auto held = std::find(state.heldKeys.begin(), state.heldKeys.end(), keysym);
    if (down && held == state.heldKeys.end()) {
        if (state.heldKeys.empty()) {
            watchInterrupts();
            interrupted_input::beginOutstanding();
        }
        state.heldKeys.push_back(keysym);
    }
    notifyKeysym(keysym, down);
    if (!down && held != state.heldKeys.end()) {
        state.heldKeys.erase(held);
        if (state.heldKeys.empty()) interrupted_input::endOutstanding();
    }
}

// GNOME (mutter 43 with GTK 3 and GTK 4): the first key of a new
// remote-desktop session does not reach the focused window, even a second
// after the session started: mutter gives the window the keyboard focus of
// the session's new keyboard only with that key, and only then does the
// toolkit mark the window active. A Shift press and release first takes
// that place, and every key after it arrives.
void primeKeyboard() {
    if (state.keyboardPrimed) return;
    state.keyboardPrimed = true;
    key(shiftKeysym, true);
    key(shiftKeysym, false);
    // The focus comes to the window after that key; a key sent at once may
    // still find none (measured with GTK 3: now and then its press was lost).
    sleepMicroseconds(keyboardFocusSettleMicroseconds);
}

void notifyMotion(const std::string& stream, double x, double y) {
    Message message = notification("NotifyPointerMotionAbsolute");
    if (message && appendString(message.get(), stream) && appendDouble(message.get(), x) &&
        appendDouble(message.get(), y))
        deliver(std::move(message));
}

void movePointer(const Session& current, Point point, bool settle) {
    std::vector<LogicalMonitor> monitors;
    for (const CastStream& stream : current.streams()) monitors.push_back(stream.monitor);
    const std::optional<MonitorPoint> target = monitorPoint(monitors, point);
    if (!target) return;
    const std::string& stream = current.streams()[target->monitor].path;
    // GTK on mutter: the session's pointer is a new device of the seat, and
    // a window learns the first place of a new pointer as the pointer
    // entering it, not as a motion; the first motion of a run goes to the
    // neighbouring pixel first, so the motion to the point is one.
    if (!state.position) {
        notifyMotion(stream, target->x > 0 ? target->x - 1 : target->x + 1, target->y);
        sleepMicroseconds(moveSettleMicroseconds);
    }
    notifyMotion(stream, target->x, target->y);
    const Point reached{std::floor(point.x), std::floor(point.y)};
    const bool moved = !state.position || state.position->x != reached.x || state.position->y != reached.y;
    state.position = reached;
    if (settle && moved) sleepMicroseconds(moveSettleMicroseconds);
}

void postMouse(const Session& current, const MouseEvent& mouse) {
    interrupted_input::honourInterrupt();
    movePointer(current, mouse.position, mouse.type != MouseEventType::leftMouseDragged);
    const std::uint32_t button = evdevButtonOf(mouse.type);
    if (!button) return;
    const bool down = isButtonPress(mouse.type);
    if (down && !state.heldButton) {
        watchInterrupts();
        interrupted_input::beginOutstanding();
        state.heldButton = button;
    }
    notifyButton(button, down);
    if (!down && state.heldButton == button) {
        state.heldButton = 0;
        interrupted_input::endOutstanding();
    }
}

void notifyRelativeMotion(double dx, double dy) {
    Message message = notification("NotifyPointerMotionRelative");
    if (message && appendDouble(message.get(), dx) && appendDouble(message.get(), dy)) deliver(std::move(message));
}

// Mutter 48 (Debian 13): wheel steps of a session whose pointer has not
// moved reach no window (mutter 43 gave them to the window under the
// pointer), as if the window had not yet learnt of the session's new
// pointer. A motion by one pixel and back, where the pointer is, lets it.
void announcePointerBeforeWheel() {
    if (state.position || state.pointerAnnounced) return;
    state.pointerAnnounced = true;
    notifyRelativeMotion(1, 0);
    notifyRelativeMotion(-1, 0);
    sleepMicroseconds(moveSettleMicroseconds);
}

// Wheel steps of one axis, one notification each; mutter's steps grow
// downwards and to the right (zero steps it does not take).
void postWheel(std::int64_t amount, std::uint32_t axis) {
    const int steps = wayland::wheelSteps(amount);
    if (steps > 0) announcePointerBeforeWheel();
    const std::int32_t direction = amount > 0 ? -1 : 1;
    for (int i = 0; i < steps; ++i) {
        if (i > 0) sleepMicroseconds(wheelStepGapMicroseconds);
        Message message = notification("NotifyPointerAxisDiscrete");
        if (!message || !appendUint32(message.get(), axis) || !appendInt32(message.get(), direction)) return;
        deliver(std::move(message));
    }
}

void typeKeysyms(const std::vector<KeySymbol>& keysyms) {
    primeKeyboard();
    for (const KeySymbol keysym : keysyms) {
        interrupted_input::honourInterrupt();
        key(keysym, true);
        key(keysym, false);
    }
}

void releaseAll() {
    while (!state.heldKeys.empty()) key(state.heldKeys.back(), false);
}

}  // namespace

bool serviceAvailable() { return nameHasOwner(remoteDesktopName); }

bool canPostInput() { return session() != nullptr; }

std::string inputRefusal() {
    session();
    return state.refusal;
}

std::optional<Point> pointerLocation() {
    if (!sessionSlot()) return std::nullopt;
    return state.position;
}

void postEvent(const Event& event) {
    const Session* current = session();
    if (!current) return;
    if (const auto* mouse = std::get_if<MouseEvent>(&event)) {
        postMouse(*current, *mouse);
    } else if (const auto* scroll = std::get_if<ScrollWheelEvent>(&event)) {
        postWheel(scroll->wheel1, verticalAxis);
        postWheel(scroll->wheel2, horizontalAxis);
    } else if (const auto* keyEvent = std::get_if<KeyboardEvent>(&event)) {
        // The whole cluster is typed with the key-down event.
        if (keyEvent->keyDown && !keyEvent->characters.empty())
            typeKeysyms(wayland::keysymsOf(keyEvent->characters));
    }
}

// Runs typing on one compositor take turns under the name of its Wayland
// socket, as on wlroots.
// Only type takes the turn before it focuses its target, and judges the
// focus before typing: the window must have the keyboard by then.
bool takeTypingTurn() {
    if (!wayland::takeTurn()) return false;
    if (session()) primeKeyboard();
    return true;
}

// Mutter finds the key of each keysym in the session's keyboard layout
// (adding Shift for the second level); a character the layout lacks is
// not typed, and mutter does not say so.
std::optional<TypingFailure> beginTyping(const std::vector<std::u16string>&) {
    if (!session()) return std::nullopt;
    if (!wayland::takeTurn()) return TypingFailure::displayBusy;
    interrupted_input::honourInterrupt();
    return std::nullopt;
}

std::optional<TypingFailure> endTyping() {
    if (!sessionSlot()) return std::nullopt;
    interrupted_input::honourInterrupt();
    releaseAll();
    releaseInputLock();
    return std::nullopt;
}

std::optional<TypingFailure> beginKeyPresses(const std::vector<KeyCombination>& combinations) {
    return beginTyping(std::vector<std::u16string>(combinations.size()));
}

void postKeyCombination(const KeyCombination& combination) {
    if (!session()) return;
    interrupted_input::honourInterrupt();
    primeKeyboard();
    for (const KeySymbol held : combination.held) key(held, true);
    key(combination.key, true);
    key(combination.key, false);
    for (auto held = combination.held.rbegin(); held != combination.held.rend(); ++held) key(*held, false);
}

std::optional<TypingFailure> endKeyPresses() { return endTyping(); }

}  // namespace platform::mutter
