#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/geometry.h"

struct wl_display;
struct wl_seat;
struct wl_shm;
struct wl_output;
struct zwlr_virtual_pointer_manager_v1;
struct zwp_virtual_keyboard_manager_v1;
struct zwlr_screencopy_manager_v1;

// The one connection of a run to the Wayland compositor, shared by input,
// displays and capture. It is made on first use from WAYLAND_DISPLAY and
// binds the globals the backend uses; the outputs are read once, so
// display identifiers, bounds and the main display stay consistent within
// the run. Every wait for the compositor has a deadline: a compositor
// that stops answering makes the connection fail instead of hanging the
// run, and from then on every operation fails at once.
namespace platform::wayland {

// An output as the compositor describes it.
struct Output {
    wl_output* handle = nullptr;
    std::string name;             // such as HEADLESS-1 or DP-1 (may be empty)
    Rect logical;                 // its area in the output layout
    std::int32_t pixelWidth = 0;  // its current mode, in device pixels
    std::int32_t pixelHeight = 0;
    std::int32_t scale = 1;
    std::int32_t transform = 0;  // wl_output_transform; 0 is upright
    bool logicalKnown = false;   // xdg-output gave its place and size
};

class Connection {
public:
    // The shared connection; null when no compositor answers.
    static Connection* shared();

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    wl_display* display() const { return display_; }
    // Each null when the compositor does not offer it.
    wl_seat* seat() const;
    wl_shm* shm() const;
    zwlr_virtual_pointer_manager_v1* pointerManager() const;
    zwp_virtual_keyboard_manager_v1* keyboardManager() const;
    zwlr_screencopy_manager_v1* screencopyManager() const;
    std::uint32_t screencopyVersion() const;

    // The seat's wl_seat capabilities as they were when the connection was
    // made (before this run added devices of its own).
    std::uint32_t initialSeatCapabilities() const { return initialSeatCapabilities_; }

    // The seat's capabilities as the compositor last announced them (up to
    // date after a round trip).
    std::uint32_t seatCapabilities() const;

    // The outputs with a known place in the layout, in the compositor's
    // order, read when the connection was made.
    const std::vector<Output>& outputs() const { return outputs_; }

    // The path of the compositor's socket.
    const std::string& socketPath() const { return path_; }

    // Sends the requests made so far and waits until the compositor has
    // handled them; false (and the connection unusable) on a timeout, a
    // protocol error or a lost compositor.
    bool roundtrip();

    // Called once this run made a device of a seat capability (a
    // WL_SEAT_CAPABILITY_* bit): waits until the compositor has the device
    // and, when the seat had no such device before, until the clients have
    // had time to start listening to it (see the .cpp).
    void awaitNewDevice(std::uint32_t capability);

    // Dispatches events until done() holds; false on a timeout or error.
    bool dispatchUntil(const std::function<bool()>& done, int timeoutMilliseconds);

    // Whether the connection still works.
    bool usable() const;

    // Runs once at exit, before the last round trip and the disconnect,
    // for example to release a held button. It is given the connection
    // (the shared one is being taken down).
    void atDisconnect(void (*cleanup)(Connection&));

    struct Globals;

private:
    Connection(wl_display* display, std::string path);
    bool start();
    void markBroken();

    wl_display* display_ = nullptr;
    std::string path_;
    std::unique_ptr<Globals> globals_;
    std::vector<Output> outputs_;
    std::vector<void (*)(Connection&)> cleanups_;
    std::uint32_t initialSeatCapabilities_ = 0;
    bool broken_ = false;
};

// A Wayland session is there: WAYLAND_DISPLAY is set and a compositor
// answered on its socket.
bool sessionAvailable();

// A millisecond timestamp for input events (the compositor only compares
// them with each other).
std::uint32_t eventTime();

// Waits (bounded) until the compositor has handled every request sent so
// far, when there is a connection.
void flushConnection();

}  // namespace platform::wayland
