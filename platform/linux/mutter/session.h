#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/mutter/display_config.h"

// A session of mutter's remote-desktop and screen-cast services
// (org.gnome.Mutter.RemoteDesktop, org.gnome.Mutter.ScreenCast), which
// answer a process of the same user on the session bus without asking
// anyone. A session belongs to the bus connection that made it and ends
// with it; this run stops its own at exit.
//
// Input needs a remote-desktop session with a screen-cast session linked
// to it: pointer motion is absolute only within a screen-cast stream
// (there is no motion in screen coordinates), so every monitor is
// recorded. A screenshot needs a screen-cast session alone, whose streams
// mutter hands to PipeWire (without PipeWire running, Start fails).
namespace platform::mutter {

// One monitor's stream.
struct CastStream {
    std::string path;  // its object, named in pointer motion
    LogicalMonitor monitor;
    std::optional<std::uint32_t> node;  // its PipeWire node, once announced
};

class Session {
public:
    enum class Purpose { input, capture };

    // Creates and starts a session for the purpose; nothing (with the
    // reason in refusal) when mutter refused a step or is not there.
    static std::optional<Session> start(Purpose purpose, std::string& refusal);

    Session(Session&&) noexcept;
    Session& operator=(Session&&) noexcept;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session();

    // The remote-desktop session's object (input sessions only).
    const std::string& remoteDesktop() const { return remoteDesktop_; }
    const std::vector<CastStream>& streams() const { return streams_; }

    // Waits (bounded) until every stream named its PipeWire node; false
    // when one did not in time.
    bool awaitNodes(int timeoutMs);

private:
    Session() = default;
    std::string remoteDesktop_;
    std::string screenCast_;
    std::vector<CastStream> streams_;
    bool started_ = false;
};

}  // namespace platform::mutter
