// Finding the compositor's socket and naming the typing turn after it.
#include "platform/linux/wayland/socket.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WaylandSocket, PathComesFromWaylandDisplayAndTheRuntimeFolder) {
    using platform::wayland::socketPath;
    EXPECT_EQ(socketPath("wayland-1", "/run/user/1000"), "/run/user/1000/wayland-1");
    EXPECT_EQ(socketPath("/tmp/other/wayland-5", nullptr), "/tmp/other/wayland-5");
    EXPECT_FALSE(socketPath(nullptr, "/run/user/1000"));
    EXPECT_FALSE(socketPath("", "/run/user/1000"));
    EXPECT_FALSE(socketPath("wayland-1", nullptr));
    EXPECT_FALSE(socketPath("wayland-1", "relative/dir"));
    EXPECT_FALSE(socketPath(("/" + std::string(200, 'x')).c_str(), nullptr));  // longer than a socket address
}

TEST(WaylandSocket, OneCompositorHasOneTurnNameHoweverItsSocketIsNamed) {
    using platform::wayland::turnName;
    EXPECT_EQ(turnName("/run/user/1000/wayland-1", "/run/user/1000"),
              turnName("/run/user/1000/wayland-1", "/run/user/1000/"));
    EXPECT_NE(turnName("/run/user/1000/wayland-1", "/run/user/1000"),
              turnName("/run/user/1000/wayland-2", "/run/user/1000"));
    // Names the X11 lock reads specially (host:display.screen) are defused.
    const std::string name = turnName("/tmp/a:b/wayland.1", "/run/user/1000");
    EXPECT_EQ(name.find(':'), std::string::npos);
    EXPECT_EQ(name.find('.'), std::string::npos);
    EXPECT_NE(turnName("/tmp/x/wayland-1", "/run/user/1000"), turnName("/run/user/1000/wayland-1", "/run/user/1000"));
}

}  // namespace
