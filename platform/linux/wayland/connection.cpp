#include "platform/linux/wayland/connection.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/linux/wayland/proxy.h"
#include "platform/linux/wayland/socket.h"
#include "platform/timing.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace platform::wayland {
namespace {

// A compositor answers a round trip within milliseconds; one that takes
// this long is taken for hung.
constexpr int roundtripTimeoutMilliseconds = 2000;

// The versions this backend speaks (sway 1.7 offers wl_output 4,
// xdg-output 3, screencopy 3, virtual pointer 2, virtual keyboard 1).
constexpr std::uint32_t outputVersion = 4;
constexpr std::uint32_t xdgOutputVersion = 3;
constexpr std::uint32_t screencopyVersionWanted = 3;

// A client learns that the seat gained a pointer or keyboard from a
// capabilities event and only then asks for its wl_pointer or wl_keyboard;
// input the compositor sends before that is lost to it. A run's virtual
// device is the seat's first on a desktop without input devices (a
// headless one), and the next run's device again after the last one went.
// Measured with GTK 3 on sway: without a pause the first click of a run
// was lost now and then.
constexpr std::uint32_t newCapabilitySettleMicroseconds = 100000;

// libwayland reports protocol errors and lost connections through its log
// handler, which prints to stderr by default; the failure is seen in the
// result of the call instead.
void quietLog(const char*, va_list) {}

struct OutputRecord {
    Proxy<wl_output, wl_output_destroy> output;
    Proxy<zxdg_output_v1, zxdg_output_v1_destroy> xdgOutput;
    Output facts;
    std::int32_t geometryX = 0;  // where wl_output places it, for a compositor without xdg-output
    std::int32_t geometryY = 0;
    bool logicalPosition = false;
    bool logicalSize = false;
};

void onGeometry(void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t, std::int32_t,
                const char*, const char*, std::int32_t transform) {
    auto* record = static_cast<OutputRecord*>(data);
    record->geometryX = x;
    record->geometryY = y;
    record->facts.transform = transform;
}

void onMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height, std::int32_t) {
    if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
    auto* record = static_cast<OutputRecord*>(data);
    record->facts.pixelWidth = width;
    record->facts.pixelHeight = height;
}

void onOutputDone(void*, wl_output*) {}

void onScale(void* data, wl_output*, std::int32_t factor) {
    static_cast<OutputRecord*>(data)->facts.scale = factor > 0 ? factor : 1;
}

void onOutputName(void* data, wl_output*, const char* name) {
    auto* record = static_cast<OutputRecord*>(data);
    if (record->facts.name.empty() && name) record->facts.name = name;
}

void onOutputDescription(void*, wl_output*, const char*) {}

const wl_output_listener outputListener{onGeometry, onMode, onOutputDone, onScale, onOutputName, onOutputDescription};

void onLogicalPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
    auto* record = static_cast<OutputRecord*>(data);
    record->facts.logical.x = x;
    record->facts.logical.y = y;
    record->logicalPosition = true;
}

void onLogicalSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
    auto* record = static_cast<OutputRecord*>(data);
    record->facts.logical.width = width;
    record->facts.logical.height = height;
    record->logicalSize = true;
}

void onXdgDone(void*, zxdg_output_v1*) {}

void onXdgName(void* data, zxdg_output_v1*, const char* name) {
    if (name) static_cast<OutputRecord*>(data)->facts.name = name;
}

void onXdgDescription(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener xdgOutputListener{onLogicalPosition, onLogicalSize, onXdgDone, onXdgName,
                                                onXdgDescription};

// Where an output lies when the compositor has no xdg-output: its
// wl_output position and its mode divided by its scale (turned sideways
// for a quarter turn).
void fillWithoutXdgOutput(OutputRecord& record) {
    Output& facts = record.facts;
    if (record.logicalPosition && record.logicalSize) return;
    const bool sideways = facts.transform % 2 == 1;
    const std::int32_t width = sideways ? facts.pixelHeight : facts.pixelWidth;
    const std::int32_t height = sideways ? facts.pixelWidth : facts.pixelHeight;
    facts.logical = Rect{static_cast<double>(record.geometryX), static_cast<double>(record.geometryY),
                         static_cast<double>(width / facts.scale), static_cast<double>(height / facts.scale)};
}

// Connects to the socket without waiting: a compositor whose listen queue
// is full does not get to stall the run.
wl_display* connectTo(const std::string& path) {
    const int descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor < 0) return nullptr;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(descriptor);
        return nullptr;
    }
    // libwayland prints every message to stderr when WAYLAND_DEBUG asks for
    // it, reading the variable as the connection is made: it is hidden for
    // that moment (a launched application still sees it).
    const char* debug = std::getenv("WAYLAND_DEBUG");
    const std::optional<std::string> savedDebug = debug ? std::optional<std::string>(debug) : std::nullopt;
    if (savedDebug) unsetenv("WAYLAND_DEBUG");
    wl_display* display = wl_display_connect_to_fd(descriptor);
    if (savedDebug) setenv("WAYLAND_DEBUG", savedDebug->c_str(), 1);
    if (!display) close(descriptor);
    return display;
}

std::int64_t nowMilliseconds() { return static_cast<std::int64_t>(monotonicMicroseconds() / 1000); }

}  // namespace

struct Connection::Globals {
    struct Offer {
        std::uint32_t name = 0;
        std::string interface;
        std::uint32_t version = 0;
    };
    std::vector<Offer> offers;
    Proxy<wl_registry, wl_registry_destroy> registry;
    Proxy<wl_seat, wl_seat_destroy> seat;
    Proxy<wl_shm, wl_shm_destroy> shm;
    Proxy<zxdg_output_manager_v1, zxdg_output_manager_v1_destroy> xdgOutputs;
    Proxy<zwlr_virtual_pointer_manager_v1, zwlr_virtual_pointer_manager_v1_destroy> pointers;
    Proxy<zwp_virtual_keyboard_manager_v1, zwp_virtual_keyboard_manager_v1_destroy> keyboards;
    Proxy<zwlr_screencopy_manager_v1, zwlr_screencopy_manager_v1_destroy> screencopy;
    std::uint32_t screencopyVersion = 0;
    std::uint32_t seatCapabilities = 0;
    std::vector<std::unique_ptr<OutputRecord>> outputRecords;  // listener data: fixed addresses

    // The first offer of an interface; null when there is none.
    const Offer* find(const char* interface) const {
        for (const Offer& offer : offers)
            if (offer.interface == interface) return &offer;
        return nullptr;
    }

    template <typename T>
    T* bind(const Offer& offer, const wl_interface* interface, std::uint32_t highest) {
        return static_cast<T*>(
            wl_registry_bind(registry.get(), offer.name, interface, std::min(offer.version, highest)));
    }
};

namespace {

void onGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version) {
    static_cast<Connection::Globals*>(data)->offers.push_back({name, interface ? interface : "", version});
}

void onGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener registryListener{onGlobal, onGlobalRemove};

void onCapabilities(void* data, wl_seat*, std::uint32_t capabilities) {
    static_cast<Connection::Globals*>(data)->seatCapabilities = capabilities;
}

void onSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener seatListener{onCapabilities, onSeatName};

}  // namespace

Connection* Connection::shared() {
    static const std::unique_ptr<Connection> instance = []() -> std::unique_ptr<Connection> {
        const std::optional<std::string> path =
            wayland::socketPath(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_RUNTIME_DIR"));
        if (!path) return nullptr;
        wl_log_set_handler_client(quietLog);
        wl_display* display = connectTo(*path);
        if (!display) return nullptr;
        std::unique_ptr<Connection> made(new Connection(display, *path));
        if (!made->start()) return nullptr;
        return made;
    }();
    return instance.get();
}

Connection::Connection(wl_display* display, std::string path)
    : display_(display), path_(std::move(path)), globals_(std::make_unique<Globals>()) {}

// Binds the globals, then reads the outputs: two round trips.
bool Connection::start() {
    Globals& globals = *globals_;
    globals.registry.reset(wl_display_get_registry(display_));
    if (!globals.registry) return false;
    wl_registry_add_listener(globals.registry.get(), &registryListener, &globals);
    if (!roundtrip()) return false;

    if (const auto* offer = globals.find(wl_seat_interface.name))
        globals.seat.reset(globals.bind<wl_seat>(*offer, &wl_seat_interface, 1));
    if (globals.seat) wl_seat_add_listener(globals.seat.get(), &seatListener, &globals);
    if (const auto* offer = globals.find(wl_shm_interface.name))
        globals.shm.reset(globals.bind<wl_shm>(*offer, &wl_shm_interface, 1));
    if (const auto* offer = globals.find(zxdg_output_manager_v1_interface.name))
        globals.xdgOutputs.reset(
            globals.bind<zxdg_output_manager_v1>(*offer, &zxdg_output_manager_v1_interface, xdgOutputVersion));
    if (const auto* offer = globals.find(zwlr_virtual_pointer_manager_v1_interface.name))
        globals.pointers.reset(
            globals.bind<zwlr_virtual_pointer_manager_v1>(*offer, &zwlr_virtual_pointer_manager_v1_interface, 1));
    if (const auto* offer = globals.find(zwp_virtual_keyboard_manager_v1_interface.name))
        globals.keyboards.reset(
            globals.bind<zwp_virtual_keyboard_manager_v1>(*offer, &zwp_virtual_keyboard_manager_v1_interface, 1));
    if (const auto* offer = globals.find(zwlr_screencopy_manager_v1_interface.name)) {
        globals.screencopy.reset(globals.bind<zwlr_screencopy_manager_v1>(*offer, &zwlr_screencopy_manager_v1_interface,
                                                                          screencopyVersionWanted));
        globals.screencopyVersion = std::min(offer->version, screencopyVersionWanted);
    }
    for (const Globals::Offer& offer : globals.offers) {
        if (offer.interface != wl_output_interface.name) continue;
        auto record = std::make_unique<OutputRecord>();
        record->output.reset(globals.bind<wl_output>(offer, &wl_output_interface, outputVersion));
        if (!record->output) continue;
        wl_output_add_listener(record->output.get(), &outputListener, record.get());
        if (globals.xdgOutputs) {
            record->xdgOutput.reset(
                zxdg_output_manager_v1_get_xdg_output(globals.xdgOutputs.get(), record->output.get()));
            if (record->xdgOutput)
                zxdg_output_v1_add_listener(record->xdgOutput.get(), &xdgOutputListener, record.get());
        }
        globals.outputRecords.push_back(std::move(record));
    }
    if (!roundtrip()) return false;
    initialSeatCapabilities_ = globals.seatCapabilities;
    for (const auto& record : globals.outputRecords) {
        fillWithoutXdgOutput(*record);
        record->facts.handle = record->output.get();
        record->facts.logicalKnown = record->facts.logical.width > 0 && record->facts.logical.height > 0;
        if (record->facts.logicalKnown) outputs_.push_back(record->facts);
    }
    return true;
}

Connection::~Connection() {
    for (auto cleanup : cleanups_) cleanup(*this);
    // The compositor drops a client's unread requests when it sees the
    // socket close: the last requests must have been handled first.
    if (usable()) roundtrip();
    globals_.reset();
    wl_display_disconnect(display_);
}

wl_seat* Connection::seat() const { return globals_->seat.get(); }
wl_shm* Connection::shm() const { return globals_->shm.get(); }
std::uint32_t Connection::seatCapabilities() const { return globals_->seatCapabilities; }
zwlr_virtual_pointer_manager_v1* Connection::pointerManager() const { return globals_->pointers.get(); }
zwp_virtual_keyboard_manager_v1* Connection::keyboardManager() const { return globals_->keyboards.get(); }
zwlr_screencopy_manager_v1* Connection::screencopyManager() const { return globals_->screencopy.get(); }
std::uint32_t Connection::screencopyVersion() const { return globals_->screencopyVersion; }

void Connection::awaitNewDevice(std::uint32_t capability) {
    if (!roundtrip()) return;
    if (!(initialSeatCapabilities_ & capability)) sleepMicroseconds(newCapabilitySettleMicroseconds);
}

bool Connection::usable() const { return !broken_ && wl_display_get_error(display_) == 0; }

void Connection::markBroken() { broken_ = true; }

void Connection::atDisconnect(void (*cleanup)(Connection&)) {
    if (std::find(cleanups_.begin(), cleanups_.end(), cleanup) == cleanups_.end()) cleanups_.push_back(cleanup);
}

bool Connection::dispatchUntil(const std::function<bool()>& done, int timeoutMilliseconds) {
    const std::int64_t deadline = nowMilliseconds() + timeoutMilliseconds;
    const int descriptor = wl_display_get_fd(display_);
    while (!done()) {
        if (!usable()) return false;
        const std::int64_t left = deadline - nowMilliseconds();
        if (left <= 0) {
            markBroken();
            return false;
        }
        // Requests go out first; a full socket waits for room.
        if (wl_display_flush(display_) < 0) {
            if (errno != EAGAIN) {
                markBroken();
                return false;
            }
            pollfd writable{descriptor, POLLOUT, 0};
            poll(&writable, 1, static_cast<int>(left));
            continue;
        }
        if (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0) markBroken();
            continue;
        }
        pollfd readable{descriptor, POLLIN, 0};
        const int ready = poll(&readable, 1, static_cast<int>(left));
        if (ready > 0) {
            if (wl_display_read_events(display_) < 0) {
                markBroken();
                return false;
            }
        } else {
            // A timeout is found at the top; a signal just comes round.
            wl_display_cancel_read(display_);
        }
        if (wl_display_dispatch_pending(display_) < 0) markBroken();
    }
    return true;
}

bool Connection::roundtrip() {
    if (!usable()) return false;
    bool done = false;
    static const wl_callback_listener listener{
        [](void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }};
    // Destroyed on return even after a timeout: a late answer then finds
    // no listener.
    const Proxy<wl_callback, wl_callback_destroy> callback(wl_display_sync(display_));
    if (!callback) return false;
    wl_callback_add_listener(callback.get(), &listener, &done);
    return dispatchUntil([&done] { return done; }, roundtripTimeoutMilliseconds);
}

bool sessionAvailable() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    return name && *name && Connection::shared() != nullptr;
}

std::uint32_t eventTime() { return static_cast<std::uint32_t>(monotonicMicroseconds() / 1000); }

void flushConnection() {
    if (Connection* connection = Connection::shared()) connection->roundtrip();
}

}  // namespace platform::wayland
