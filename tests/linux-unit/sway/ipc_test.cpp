#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/sway/ipc.h"
#include "platform/linux/sway/windows.h"
#include "fixture_trees.h"

namespace {

using platform::sway::exchange;
using platform::sway::frame;
using platform::sway::MessageType;

std::string littleEndian(std::uint32_t value) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((value >> shift) & 0xff));
    return bytes;
}

std::string replyFrame(std::uint32_t type, const std::string& payload, std::string magic = "i3-ipc") {
    return magic + littleEndian(static_cast<std::uint32_t>(payload.size())) + littleEndian(type) + payload;
}

// A stand-in for sway on a Unix socket of its own: each connection sends
// one request, answered with what the handler gives (raw bytes), or with
// silence (nothing until the client hangs up).
class FakeSway {
public:
    using Handler = std::function<std::optional<std::string>(std::uint32_t type, const std::string& payload)>;

    explicit FakeSway(Handler handler) : handler_(std::move(handler)) {
        char folder[] = "/tmp/fake-sway.XXXXXX";
        folder_ = mkdtemp(folder);
        path_ = folder_ + "/ipc.sock";
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path_.c_str(), sizeof(address.sun_path) - 1);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(listener_, 8) != 0)
            ADD_FAILURE() << "the fake socket could not listen";
        server_ = std::thread([this] { serve(); });
    }
    ~FakeSway() {
        stop_ = true;
        server_.join();
        ::close(listener_);
        ::unlink(path_.c_str());
        ::rmdir(folder_.c_str());
    }
    const std::string& path() const { return path_; }
    std::vector<std::pair<std::uint32_t, std::string>> requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    static bool readAll(int descriptor, char* into, std::size_t length) {
        while (length > 0) {
            const ssize_t got = ::read(descriptor, into, length);
            if (got <= 0) return false;
            into += got;
            length -= static_cast<std::size_t>(got);
        }
        return true;
    }
    static std::uint32_t numberAt(const char* bytes) {
        std::uint32_t value = 0;
        for (int index = 3; index >= 0; --index) value = (value << 8) | static_cast<unsigned char>(bytes[index]);
        return value;
    }
    void serve() {
        while (!stop_) {
            pollfd watched{listener_, POLLIN, 0};
            if (::poll(&watched, 1, 20) <= 0) continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) continue;
            answer(client);
            ::close(client);
        }
    }
    void answer(int client) {
        char header[14];
        if (!readAll(client, header, sizeof(header)) || std::string(header, 6) != "i3-ipc") return;
        std::string payload(numberAt(header + 6), '\0');
        if (!readAll(client, payload.data(), payload.size())) return;
        const std::uint32_t type = numberAt(header + 10);
        {
            std::lock_guard lock(mutex_);
            requests_.emplace_back(type, payload);
        }
        if (const auto reply = handler_(type, payload)) {
            (void)!::send(client, reply->data(), reply->size(), MSG_NOSIGNAL);
        } else {
            char ignored;
            (void)!::read(client, &ignored, 1);  // until the client gives up
        }
    }

    Handler handler_;
    std::string folder_, path_;
    int listener_ = -1;
    std::atomic<bool> stop_{false};
    std::thread server_;
    std::mutex mutex_;
    std::vector<std::pair<std::uint32_t, std::string>> requests_;
};

TEST(SwayIpc, FramesARequestInI3sFormat) {
    EXPECT_EQ(frame(MessageType::RunCommand, "focus"),
              std::string("i3-ipc") + std::string("\x05\x00\x00\x00\x00\x00\x00\x00", 8) + "focus");
    EXPECT_EQ(frame(MessageType::GetTree, ""), std::string("i3-ipc") + std::string("\x00\x00\x00\x00\x04\x00\x00\x00", 8));
}

TEST(SwayIpc, ExchangesOneRequestForItsReply) {
    FakeSway sway([](std::uint32_t type, const std::string& payload) {
        return replyFrame(type, "reply to " + payload);
    });
    EXPECT_EQ(exchange(sway.path(), MessageType::RunCommand, "nop"), "reply to nop");
    const auto requests = sway.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], std::make_pair(std::uint32_t(0), std::string("nop")));
}

// A compositor that answers wrongly, partly or not at all gives nothing,
// within the time limit.
TEST(SwayIpc, AMalformedLateOrMissingReplyIsNothing) {
    struct Case {
        const char* what;
        std::optional<std::string> reply;
    };
    const Case cases[] = {
        {"another magic", replyFrame(4, "{}", "i3-ipx")},
        {"another message type", replyFrame(0, "{}")},
        {"an event instead of the reply", replyFrame(0x80000004u, "{}")},
        {"a length beyond the limit", "i3-ipc" + littleEndian(platform::sway::replyLengthLimit + 1) + littleEndian(4)},
        {"a payload cut short", "i3-ipc" + littleEndian(100) + littleEndian(4) + "{\"id\":"},
        {"a header cut short", std::string("i3-ipc\x02\x00", 8)},
        {"nothing before hanging up", std::string()},
        {"silence", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeSway sway([&](std::uint32_t, const std::string&) { return c.reply; });
        EXPECT_FALSE(exchange(sway.path(), MessageType::GetTree, "", std::chrono::milliseconds(300)));
    }
}

TEST(SwayIpc, ASocketThatCannotBeReachedIsNothing) {
    EXPECT_FALSE(exchange("/nonexistent/sway-ipc.sock", MessageType::GetVersion, ""));
    EXPECT_FALSE(exchange(std::string(200, 'x'), MessageType::GetVersion, ""));
    EXPECT_FALSE(exchange("", MessageType::GetVersion, ""));
}

// The session's operations over $SWAYSOCK, against the stand-in.
class SwaySession : public ::testing::Test {
protected:
    void useSocket(const std::string& path) { ::setenv("SWAYSOCK", path.c_str(), 1); }
    void TearDown() override { ::unsetenv("SWAYSOCK"); }
};

TEST_F(SwaySession, WithoutSwaysockNothingIsAvailable) {
    ::unsetenv("SWAYSOCK");
    EXPECT_FALSE(platform::sway::available());
    EXPECT_TRUE(platform::sway::windows().empty());
    EXPECT_FALSE(platform::sway::activateWindow(1514, "Tavik Fixture Second"));
}

TEST_F(SwaySession, ReadsWindowsAndOriginsFromTheTree) {
    const std::string tree = sway_test::recordedTree("floating_over_tiled.json");
    FakeSway sway([&](std::uint32_t type, const std::string&) {
        return replyFrame(type, type == 7 ? R"({"major":1,"minor":7})" : tree);
    });
    useSocket(sway.path());
    EXPECT_TRUE(platform::sway::available());
    EXPECT_EQ(platform::sway::windows().size(), 5u);
    const auto origin = platform::sway::topLevelContentOrigin(1494, "Tavik Twin", 260, 180);
    ASSERT_TRUE(origin);
    EXPECT_EQ(origin->x, 510);
    EXPECT_EQ(origin->y, 422);
    EXPECT_TRUE(platform::sway::isWindowActive(1514, "Tavik Fixture Second"));
    EXPECT_FALSE(platform::sway::isWindowActive(1620, "Tavik Fixture Many"));
    EXPECT_EQ(platform::sway::windowOwnerAt({480, 450}), 1620);
}

// Activation focuses the window by its container id and waits until the
// tree says it is focused.
TEST_F(SwaySession, ActivationFocusesByContainerIdAndWaitsForIt) {
    const std::string before = sway_test::recordedTree("floating_over_tiled.json");
    std::string after = before;
    // Focus moves from window 9 to window 8 ("Tavik Fixture Many").
    const auto nine = after.find(R"("id": 9)");
    after.replace(after.find(R"("focused": true)", nine), 15, R"("focused": false)");
    const auto eight = after.find(R"("id": 8)");
    after.replace(after.find(R"("focused": false)", eight), 16, R"("focused": true)");
    std::atomic<bool> commanded{false};
    FakeSway sway([&](std::uint32_t type, const std::string& payload) -> std::optional<std::string> {
        if (type == 0) {
            commanded = payload == "[con_id=8] focus";
            return replyFrame(0, R"([{"success":true}])");
        }
        return replyFrame(type, commanded ? after : before);
    });
    useSocket(sway.path());
    EXPECT_TRUE(platform::sway::activateWindow(1620, "Tavik Fixture Many"));
    EXPECT_TRUE(commanded);
}

TEST_F(SwaySession, ActivationFailsWhenSwayRefusesOrNeverFocuses) {
    const std::string tree = sway_test::recordedTree("floating_over_tiled.json");
    for (const std::string commandReply : {R"([{"success":false,"error":"No matching node"}])", R"({"success":true})",
                                           R"([{"success":true}])"}) {
        SCOPED_TRACE(commandReply);
        FakeSway sway([&](std::uint32_t type, const std::string&) {
            return replyFrame(type, type == 0 ? commandReply : tree);
        });
        useSocket(sway.path());
        EXPECT_FALSE(platform::sway::activateWindow(1620, "Tavik Fixture Many"));
    }
}

}  // namespace
