// Synthetic input through the XTest extension. Events are created as plain
// values and become X input only when posted; each post ends with XSync so
// the server has the input before the next step (and before the run ends).
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

#include "platform/events.h"
#include "platform/linux/mouse_buttons.h"
#include "platform/linux/x11/operations.h"
#include "platform/linux/x11/connection.h"
#include "platform/linux/interrupted_input.h"
#include "platform/linux/x11/typing.h"
#include "platform/timing.h"

namespace platform {
namespace {

// X11 wheel input is discrete: button 4 scrolls up, button 5 down, one
// step per press. The rule: one step per started 40 pixel units of the
// amount (1..40 gives one step, 41..80 two, -120 three steps down), at
// most 50 steps, so that even -2147483648 ends at once.
constexpr std::int64_t pixelsPerWheelStep = 40;
constexpr std::int64_t maximumWheelSteps = 50;
// Chromium merges wheel steps that arrive together over an inner
// scrollable box of a scrollable page: a burst of ten moved it by less
// than three steps. Measured: a 5 ms gap still lost a step now and then,
// 10 ms none; one 60 Hz frame leaves a margin (50 steps take 0.8 s).
constexpr std::uint32_t wheelStepGapMicroseconds = 16000;
constexpr unsigned wheelUpButton = 4;
constexpr unsigned wheelDownButton = 5;
constexpr unsigned wheelLeftButton = 6;
constexpr unsigned wheelRightButton = 7;

// The pixel that holds a point (X coordinates are whole 16-bit numbers).
int pixelCoordinate(double value) {
    if (!(value > -32768.0)) return -32768;
    if (!(value < 32767.0)) return 32767;
    return static_cast<int>(std::floor(value));
}

// Where the pointer is on the root window; nothing when it is on another
// screen of the display.
std::optional<std::pair<int, int>> rootPointer(Display* display) {
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX, &windowY, &mask))
        return std::nullopt;
    return std::pair{rootX, rootY};
}

void movePointer(Display* display, int x, int y, bool settle = true) {
    if (rootPointer(display) == std::pair{x, y}) return;
    // A press arriving with the pointer's entry into a window may be
    // dropped by the toolkit: the pointer gets there first, on its own.
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XSync(display, False);
    if (settle) sleepMicroseconds(10000);
}

// The button this run pressed and has not released yet (0: none).
unsigned heldButton = 0;

// A stop signal between press and release must not leave the button down
// (the next pointer move would drag).
void releaseHeldButton() {
    Display* display = x11::connection();
    if (!heldButton || !display) return;
    const unsigned button = heldButton;
    heldButton = 0;
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
    interrupted_input::endOutstanding();
}

// The X button of a press or release (1 left, 2 middle, 3 right); 0 for a
// move. A toolkit counts a double or triple click itself from presses at
// one place within its double-click time, so the click state needs no
// event field here.
unsigned buttonOf(MouseEventType type) {
    switch (type) {
        case MouseEventType::leftMouseDown:
        case MouseEventType::leftMouseUp: return 1;
        case MouseEventType::otherMouseDown:
        case MouseEventType::otherMouseUp: return 2;
        case MouseEventType::rightMouseDown:
        case MouseEventType::rightMouseUp: return 3;
        case MouseEventType::mouseMoved:
        case MouseEventType::leftMouseDragged: break;
    }
    return 0;
}

void postMouse(Display* display, const MouseEvent& mouse) {
    interrupted_input::honourInterrupt();
    const unsigned button = buttonOf(mouse.type);
    // The steps of a drag follow each other at the caller's pace.
    movePointer(display, pixelCoordinate(mouse.position.x), pixelCoordinate(mouse.position.y),
                mouse.type != MouseEventType::leftMouseDragged);
    if (!button) return;
    const bool down = isButtonPress(mouse.type);
    if (down && !heldButton) {
        interrupted_input::onInterrupt(releaseHeldButton);
        interrupted_input::catchInterrupts(x11::syncConnection);
        interrupted_input::beginOutstanding();
        heldButton = button;
    }
    XTestFakeButtonEvent(display, button, down ? True : False, CurrentTime);
    XSync(display, False);
    if (!down && heldButton == button) {
        heldButton = 0;
        interrupted_input::endOutstanding();
    }
}

// Wheel steps of one wheel: one press and release of the button per step.
void postWheel(Display* display, std::int64_t amount, unsigned positiveButton, unsigned negativeButton) {
    const std::int64_t magnitude = amount < 0 ? -amount : amount;
    const std::int64_t steps = std::min(maximumWheelSteps, (magnitude + pixelsPerWheelStep - 1) / pixelsPerWheelStep);
    const unsigned button = amount > 0 ? positiveButton : negativeButton;
    for (std::int64_t i = 0; i < steps; ++i) {
        if (i > 0) sleepMicroseconds(wheelStepGapMicroseconds);
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        XTestFakeButtonEvent(display, button, False, CurrentTime);
        XSync(display, False);
    }
}

void postScroll(Display* display, const ScrollWheelEvent& scroll) {
    postWheel(display, scroll.wheel1, wheelUpButton, wheelDownButton);
    postWheel(display, scroll.wheel2, wheelLeftButton, wheelRightButton);
}

}  // namespace

namespace x11 {

bool hasConnection() { return x11::connection() != nullptr; }

// An X server that takes synthetic input: reachable, with XTest.
bool canPostInput() {
    Display* display = x11::connection();
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    return display && XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor);
}

std::optional<Point> pointerLocation() {
    Display* display = x11::connection();
    if (!display) return std::nullopt;
    const auto pointer = rootPointer(display);
    if (!pointer) return std::nullopt;
    return Point{static_cast<double>(pointer->first), static_cast<double>(pointer->second)};
}

void postEvent(const Event& event) {
    Display* display = x11::connection();
    if (!display) return;
    if (const auto* mouse = std::get_if<MouseEvent>(&event)) {
        postMouse(display, *mouse);
    } else if (const auto* scroll = std::get_if<ScrollWheelEvent>(&event)) {
        postScroll(display, *scroll);
    } else if (const auto* key = std::get_if<KeyboardEvent>(&event)) {
        // The whole cluster is typed with the key-down event; the key-up
        // event marks it done so later clusters can be mapped.
        if (key->keyDown)
            x11::typeCluster(key->characters);
        else
            x11::clusterReleased(key->characters);
    }
}

std::optional<TypingFailure> beginTyping(const std::vector<std::u16string>& clusters) {
    return x11::startTyping(clusters);
}

std::optional<TypingFailure> endTyping() { return x11::finishTyping(); }

std::optional<TypingFailure> beginKeyPresses(const std::vector<KeyCombination>& combinations) {
    return x11::startKeyPresses(combinations);
}

void postKeyCombination(const KeyCombination& combination) { x11::pressCombination(combination); }

std::optional<TypingFailure> endKeyPresses() { return x11::finishTyping(); }

}  // namespace x11
}  // namespace platform
