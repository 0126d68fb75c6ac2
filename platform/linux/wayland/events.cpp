// Synthetic input through this run's virtual pointer and virtual keyboard.
// Events are created as plain values and become input only when posted;
// each post ends with a round trip, so the compositor has handled the input
// before the next step (and before the run ends).
#include <wayland-client.h>

#include <optional>

#include "platform/linux/wayland/connection.h"
#include "platform/linux/interrupted_input.h"
#include "platform/linux/mouse_buttons.h"
#include "platform/linux/wayland/keyboard.h"
#include "platform/linux/wayland/layout.h"
#include "platform/linux/wayland/platform.h"
#include "platform/linux/wayland/proxy.h"
#include "platform/linux/wayland/typing.h"
#include "platform/linux/wayland/wheel.h"
#include "platform/timing.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace platform::wayland {
namespace {

// Chromium merges wheel steps that arrive together (measured on X11, where
// the same gap is used): one 60 Hz frame between steps.
constexpr std::uint32_t wheelStepGapMicroseconds = 16000;
// The scroll distance of one wheel step, as libinput reports a mouse
// wheel's click (15 degrees); toolkits scroll by the discrete step.
constexpr double wheelStepDistance = 15.0;
// A press arriving with the pointer's entry into a window may be dropped by
// the toolkit: the pointer gets there first, on its own.
constexpr std::uint32_t moveSettleMicroseconds = 10000;

struct PointerState {
    Proxy<zwlr_virtual_pointer_v1, zwlr_virtual_pointer_v1_destroy> device;
    std::uint32_t heldButton = 0;  // evdev code of the button this run holds, 0 for none
    // Where this run last put the pointer. Wayland tells no client where
    // the pointer is on the screen (only where it is over the client's own
    // surfaces), so the position a run set itself is all there is to know.
    std::optional<Point> position;
};

// Namespace scope, so it outlives the connection's cleanup at exit.
PointerState state;

void sendButton(zwlr_virtual_pointer_v1* pointer, std::uint32_t button, bool down) {
    zwlr_virtual_pointer_v1_button(pointer, eventTime(), button,
                                   down ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
    zwlr_virtual_pointer_v1_frame(pointer);
}

// A stop signal between press and release must not leave the button down:
// wlroots keeps a virtual pointer's button pressed in the seat even after
// the pointer is gone, and the next move would drag.
void releaseHeldButton() {
    if (!state.heldButton || !state.device) return;
    const std::uint32_t button = state.heldButton;
    state.heldButton = 0;
    sendButton(state.device.get(), button, false);
    if (Connection* connection = Connection::shared()) connection->roundtrip();
    interrupted_input::endOutstanding();
}

void closePointer(Connection& connection) {
    if (state.heldButton && state.device) {
        sendButton(state.device.get(), state.heldButton, false);
        state.heldButton = 0;
        connection.roundtrip();
    }
    state.device.reset();
}

zwlr_virtual_pointer_v1* pointerDevice(Connection& connection) {
    if (state.device) return state.device.get();
    if (!connection.pointerManager()) return nullptr;
    state.device.reset(
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(connection.pointerManager(), connection.seat()));
    if (!state.device) return nullptr;
    connection.atDisconnect(closePointer);
    connection.awaitNewDevice(WL_SEAT_CAPABILITY_POINTER);
    return state.device.get();
}

Rect layoutOf(const Connection& connection) {
    std::vector<Rect> areas;
    for (const Output& output : connection.outputs()) areas.push_back(output.logical);
    return layoutBounds(areas);
}

// The motion is sent even when this run put the pointer there last: the
// user's mouse may have moved it since, and no client can tell.
void movePointer(Connection& connection, zwlr_virtual_pointer_v1* pointer, Point point, bool settle) {
    const Rect layout = layoutOf(connection);
    const std::optional<AbsoluteMotion> motion = absoluteMotion(point, layout);
    if (!motion) return;
    const Point target = motionTarget(*motion, layout);
    const bool moved = !state.position || state.position->x != target.x || state.position->y != target.y;
    zwlr_virtual_pointer_v1_motion_absolute(pointer, eventTime(), motion->x, motion->y, motion->xExtent,
                                            motion->yExtent);
    zwlr_virtual_pointer_v1_frame(pointer);
    connection.roundtrip();
    state.position = target;
    if (settle && moved) sleepMicroseconds(moveSettleMicroseconds);
}

void postMouse(Connection& connection, const MouseEvent& mouse) {
    interrupted_input::honourInterrupt();
    zwlr_virtual_pointer_v1* pointer = pointerDevice(connection);
    if (!pointer) return;
    const std::uint32_t button = evdevButtonOf(mouse.type);
    // The steps of a drag follow each other at the caller's pace.
    movePointer(connection, pointer, mouse.position, mouse.type != MouseEventType::leftMouseDragged);
    if (!button) return;
    const bool down = isButtonPress(mouse.type);
    if (down && !state.heldButton) {
        interrupted_input::onInterrupt(releaseHeldButton);
        interrupted_input::catchInterrupts(flushConnection);
        interrupted_input::beginOutstanding();
        state.heldButton = button;
    }
    sendButton(pointer, button, down);
    connection.roundtrip();
    if (!down && state.heldButton == button) {
        state.heldButton = 0;
        interrupted_input::endOutstanding();
    }
}

// Wheel steps of one axis, each a discrete step in a frame of its own.
// Wayland's axis values grow downwards and to the right.
void postWheel(Connection& connection, zwlr_virtual_pointer_v1* pointer, std::int64_t amount, std::uint32_t axis) {
    const int steps = wheelSteps(amount);
    const int direction = amount > 0 ? -1 : 1;
    for (int i = 0; i < steps; ++i) {
        if (i > 0) sleepMicroseconds(wheelStepGapMicroseconds);
        zwlr_virtual_pointer_v1_axis_discrete(pointer, eventTime(), axis,
                                              wl_fixed_from_double(direction * wheelStepDistance), direction);
        zwlr_virtual_pointer_v1_axis_source(pointer, WL_POINTER_AXIS_SOURCE_WHEEL);
        zwlr_virtual_pointer_v1_frame(pointer);
        connection.roundtrip();
    }
}

void postScroll(Connection& connection, const ScrollWheelEvent& scroll) {
    zwlr_virtual_pointer_v1* pointer = pointerDevice(connection);
    if (!pointer) return;
    postWheel(connection, pointer, scroll.wheel1, WL_POINTER_AXIS_VERTICAL_SCROLL);
    postWheel(connection, pointer, scroll.wheel2, WL_POINTER_AXIS_HORIZONTAL_SCROLL);
}

}  // namespace

bool hasConnection() { return Connection::shared() != nullptr; }

// A compositor that takes synthetic input: virtual pointers and keyboards
// on a seat.
bool canPostInput() {
    const Connection* connection = Connection::shared();
    return connection && connection->seat() && connection->pointerManager() && connection->keyboardManager();
}

std::optional<Point> pointerLocation() {
    if (!Connection::shared()) return std::nullopt;
    return state.position;
}

void postEvent(const Event& event) {
    Connection* connection = Connection::shared();
    if (!connection || !connection->usable()) return;
    if (const auto* mouse = std::get_if<MouseEvent>(&event)) {
        postMouse(*connection, *mouse);
    } else if (const auto* scroll = std::get_if<ScrollWheelEvent>(&event)) {
        postScroll(*connection, *scroll);
    } else if (const auto* key = std::get_if<KeyboardEvent>(&event)) {
        // The whole cluster is typed with the key-down event; the key-up
        // event marks it done.
        if (key->keyDown)
            typeCluster(key->characters);
        else
            clusterReleased(key->characters);
    }
}

// Only type takes the turn before it focuses its target, and judges the
// focus before typing: the keyboard must be on the seat by then.
bool takeTypingTurn() {
    if (!takeTurn()) return false;
    joinKeyboardlessSeat();
    return true;
}

std::optional<TypingFailure> beginTyping(const std::vector<std::u16string>& clusters) { return startTyping(clusters); }

std::optional<TypingFailure> endTyping() { return finishTyping(); }

std::optional<TypingFailure> beginKeyPresses(const std::vector<KeyCombination>& combinations) {
    return startKeyPresses(combinations);
}

void postKeyCombination(const KeyCombination& combination) { pressCombination(combination); }

std::optional<TypingFailure> endKeyPresses() { return finishTyping(); }

}  // namespace platform::wayland
