#include "platform/linux/mutter/session.h"

#include <utility>

#include "platform/linux/mutter/bus.h"

namespace platform::mutter {
namespace {

constexpr const char* remoteDesktopName = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* remoteDesktopPath = "/org/gnome/Mutter/RemoteDesktop";
constexpr const char* remoteSessionInterface = "org.gnome.Mutter.RemoteDesktop.Session";
constexpr const char* screenCastName = "org.gnome.Mutter.ScreenCast";
constexpr const char* screenCastPath = "/org/gnome/Mutter/ScreenCast";
constexpr const char* castSessionInterface = "org.gnome.Mutter.ScreenCast.Session";
constexpr const char* streamInterface = "org.gnome.Mutter.ScreenCast.Stream";
// RecordMonitor's cursor-mode: the pointer is left out of the frames, as
// on the other display servers.
constexpr std::uint32_t cursorHidden = 0;

std::string refused(const char* what, const std::string& error) {
    return std::string("GNOME refused ") + what + (error.empty() ? "" : ": " + error);
}

}  // namespace

std::optional<Session> Session::start(Purpose purpose, std::string& refusal) {
    if (!sessionBus()) {
        refusal = "no session bus to reach GNOME's remote-desktop and screen-cast services on";
        return std::nullopt;
    }
    Session session;
    std::vector<Option> castOptions;
    if (purpose == Purpose::input) {
        const Reply created = call(methodCall(remoteDesktopName, remoteDesktopPath, remoteDesktopName, "CreateSession"));
        const auto path = readPath(created.message.get());
        if (!path) {
            refusal = refused("a remote-desktop session (org.gnome.Mutter.RemoteDesktop.CreateSession)", created.error);
            return std::nullopt;
        }
        session.remoteDesktop_ = *path;
        const Reply id = getProperty(remoteDesktopName, *path, remoteSessionInterface, "SessionId");
        const auto sessionId = readVariantString(id.message.get());
        if (!sessionId) {
            refusal = refused("the remote-desktop session's SessionId", id.error);
            return std::nullopt;
        }
        castOptions.push_back(Option{"remote-desktop-session-id", std::nullopt, *sessionId});
    }
    Message create = methodCall(screenCastName, screenCastPath, screenCastName, "CreateSession");
    if (!create || !appendOptions(create.get(), castOptions)) return std::nullopt;
    const Reply cast = call(std::move(create));
    const auto castPath = readPath(cast.message.get());
    if (!castPath) {
        refusal = refused("a screen-cast session (org.gnome.Mutter.ScreenCast.CreateSession)", cast.error);
        return std::nullopt;
    }
    session.screenCast_ = *castPath;
    const std::vector<LogicalMonitor>& monitors = logicalMonitors();
    if (monitors.empty()) {
        refusal = "GNOME lists no monitors (org.gnome.Mutter.DisplayConfig.GetCurrentState)";
        return std::nullopt;
    }
    for (const LogicalMonitor& monitor : monitors) {
        Message record = methodCall(screenCastName, *castPath, castSessionInterface, "RecordMonitor");
        if (!record || !appendString(record.get(), monitor.connector) ||
            !appendOptions(record.get(), {Option{"cursor-mode", cursorHidden, {}}}))
            return std::nullopt;
        const Reply stream = call(std::move(record));
        const auto streamPath = readPath(stream.message.get());
        if (!streamPath) {
            refusal = refused(("the recording of monitor " + monitor.connector + " (RecordMonitor)").c_str(),
                              stream.error);
            return std::nullopt;
        }
        session.streams_.push_back(CastStream{*streamPath, monitor, std::nullopt});
    }
    if (purpose == Purpose::capture) watchSignal(streamInterface, "PipeWireStreamAdded");
    // A screen-cast session linked to a remote-desktop one starts with it.
    const bool input = purpose == Purpose::input;
    const Reply started = call(methodCall(input ? remoteDesktopName : screenCastName,
                                          input ? session.remoteDesktop_ : session.screenCast_,
                                          input ? remoteSessionInterface : castSessionInterface, "Start"));
    if (!started) {
        refusal = refused(input ? "to start the remote-desktop session" : "to start the screen-cast session",
                          started.error);
        return std::nullopt;
    }
    session.started_ = true;
    return session;
}

Session::Session(Session&& other) noexcept
    : remoteDesktop_(std::move(other.remoteDesktop_)),
      screenCast_(std::move(other.screenCast_)),
      streams_(std::move(other.streams_)),
      started_(std::exchange(other.started_, false)) {
    other.remoteDesktop_.clear();
    other.screenCast_.clear();
}

Session& Session::operator=(Session&& other) noexcept {
    if (this != &other) {
        Session gone(std::move(*this));
        remoteDesktop_ = std::move(other.remoteDesktop_);
        screenCast_ = std::move(other.screenCast_);
        streams_ = std::move(other.streams_);
        started_ = std::exchange(other.started_, false);
        other.remoteDesktop_.clear();
        other.screenCast_.clear();
    }
    return *this;
}

// Mutter also ends a session when its connection closes; stopping it
// first ends the streams before the run's last input is judged done.
Session::~Session() {
    if (!remoteDesktop_.empty())
        send(methodCall(remoteDesktopName, remoteDesktop_, remoteSessionInterface, "Stop"));
    else if (!screenCast_.empty())
        send(methodCall(screenCastName, screenCast_, castSessionInterface, "Stop"));
    else
        return;
    flush();
}

bool Session::awaitNodes(int timeoutMs) {
    const auto missing = [this] {
        for (const CastStream& stream : streams_)
            if (!stream.node) return true;
        return false;
    };
    while (missing()) {
        Message signal = nextSignal(streamInterface, "PipeWireStreamAdded", timeoutMs);
        if (!signal) return false;
        const char* path = dbus_message_get_path(signal.get());
        dbus_uint32_t node = 0;
        if (!path || !dbus_message_get_args(signal.get(), nullptr, DBUS_TYPE_UINT32, &node, DBUS_TYPE_INVALID))
            continue;
        for (CastStream& stream : streams_)
            if (stream.path == path) stream.node = node;
    }
    return true;
}

}  // namespace platform::mutter
