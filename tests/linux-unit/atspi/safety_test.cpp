// Which objects the AT-SPI2 backend follows and which buses it connects to.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/atspi/bus.h"
#include "platform/linux/atspi/bus_owners.h"
#include "platform/linux/atspi/embedding.h"
#include "platform/linux/atspi/peer_connection.h"

namespace {

using platform::atspi::ObjectAddress;

TEST(AtspiEmbedding, ChildrenOnAnotherConnectionMustNameTheirParent) {
    using platform::atspi::BusOwners;
    const ObjectAddress socket{":1.10", "/org/a11y/atspi/accessible/7"};
    const ObjectAddress plug{":1.20", "/org/a11y/atspi/accessible/root"};
    const ObjectAddress desktop{"org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"};
    // A web process's page root goes by a well-known name, the rest of its
    // page by the unique name that owns it.
    const std::string webProcess = "org.gnome.Epiphany.WebProcess-1";
    const ObjectAddress pageRoot{webProcess, "/org/a11y/webkit/accessible/1"};
    const ObjectAddress document{":1.20", "/org/a11y/atspi/accessible/2"};
    const BusOwners owners{{webProcess, ":1.20"}, {"org.a11y.atspi.Registry", ":1.1"}, {"org.example.Gone", std::nullopt}};
    struct Case {
        const char* what;
        ObjectAddress parent, child;
        std::optional<ObjectAddress> claimed;
        bool checked, own;
    };
    const Case cases[] = {
        {"same bus, whatever it claims", socket, {":1.10", "/x"}, std::nullopt, false, true},
        {"a plug naming its socket", socket, plug, socket, true, true},
        {"naming nothing", socket, plug, std::nullopt, true, false},
        {"naming another element of the same application", socket, plug,
         ObjectAddress{":1.10", "/org/a11y/atspi/accessible/8"}, true, false},
        {"naming the same path on another bus", socket, plug, ObjectAddress{":1.30", socket.path}, true, false},
        {"an application root naming the desktop", socket, {":1.40", "/org/a11y/atspi/accessible/root"}, desktop, true,
         false},
        {"the desktop, whatever it claims", socket, desktop, socket, true, false},
        {"the desktop by its unique name, whatever it claims", socket, {":1.1", desktop.path}, socket, true, false},
        {"a page root on a well-known name naming its socket", socket, pageRoot, socket, true, true},
        {"a page root naming its socket by a well-known name of the socket's owner", plug, pageRoot,
         ObjectAddress{webProcess, plug.path}, false, true},
        {"the page under its root, by the root's owner", pageRoot, document, std::nullopt, false, true},
        {"a page root's child on another connection naming the root by its owner", pageRoot,
         {":1.50", "/x"}, ObjectAddress{":1.20", pageRoot.path}, true, true},
        {"a well-known name without an owner", pageRoot, {"org.example.Gone", "/x"}, pageRoot, true, true},
        {"a well-known name without an owner naming nothing", pageRoot, {"org.example.Gone", "/x"}, std::nullopt,
         true, false},
        {"a well-known name never asked, naming another parent", socket, {"org.example.Unknown", "/x"}, plug, true,
         false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::atspi::needsParentCheck(c.parent, c.child, owners), c.checked) << c.what;
        EXPECT_EQ(platform::atspi::isOwnChild(c.parent, c.child, c.claimed, owners), c.own) << c.what;
    }
}

TEST(AtspiBusOwners, NamesAreTheSameConnectionByTheirOwner) {
    using platform::atspi::isSameConnection;
    const platform::atspi::BusOwners owners{{"org.example.A", ":1.5"}, {"org.example.B", ":1.5"},
                                            {"org.example.C", ":1.6"}, {"org.example.None", std::nullopt}};
    EXPECT_TRUE(isSameConnection(":1.5", ":1.5", owners));
    EXPECT_TRUE(isSameConnection("org.example.A", ":1.5", owners));
    EXPECT_TRUE(isSameConnection(":1.5", "org.example.B", owners));
    EXPECT_TRUE(isSameConnection("org.example.A", "org.example.B", owners));
    EXPECT_FALSE(isSameConnection("org.example.A", "org.example.C", owners));
    EXPECT_FALSE(isSameConnection("org.example.None", ":1.5", owners));
    EXPECT_FALSE(isSameConnection("org.example.Unasked", ":1.5", owners));
    EXPECT_TRUE(isSameConnection("org.example.Unasked", "org.example.Unasked", owners));
    EXPECT_FALSE(isSameConnection("", "", owners));
}

TEST(AtspiBus, OnlyAddressesOfRunningBusesAreUsed) {
    const std::pair<const char*, bool> cases[] = {
        {"unix:path=/run/user/1000/bus", true},
        {"unix:abstract=/tmp/dbus-XXXX,guid=0123456789abcdef0123456789abcdef", true},
        {"tcp:host=localhost,port=4000", true},
        {"unix:path=/tmp/a;tcp:host=localhost,port=4000", true},
        {"autolaunch:", false},                          // runs dbus-launch
        {"unixexec:path=/bin/sh,argv1=-c", false},        // runs a program
        {"unix:path=/tmp/a;autolaunch:", false},
        {"", false},
        {"not an address", false},
    };
    for (const auto& [address, usable] : cases) EXPECT_EQ(platform::atspi::onlyConnects(address), usable) << address;
}

TEST(AtspiPeerConnection, OnlyLocalSocketsByNameAreUsed) {
    const std::pair<const char*, bool> cases[] = {
        {"unix:path=/run/user/1000/at-spi2-socket-42", true},
        {"unix:abstract=/tmp/dbus-XYZ", true},
        {"unix:path=/a;unix:path=/b", true},
        {"unix:dir=/tmp", false},  // a server's form, not a socket
        {"unix:path=/a;tcp:host=localhost,port=1", false},
        {"tcp:host=localhost,port=4000", false},
        {"unixexec:path=/bin/sh", false},
        {"autolaunch:", false},
        {"", false},
    };
    for (const auto& [address, local] : cases) {
        EXPECT_EQ(platform::atspi::isLocalSocketAddress(address), local) << address;
    }
}

// A reply carrying one basic value, as an application or the bus daemon sends it.
platform::atspi::Message replyWith(int type, const void* value) {
    platform::atspi::Message reply(dbus_message_new(DBUS_MESSAGE_TYPE_METHOD_RETURN));
    dbus_message_append_args(reply.get(), type, value, DBUS_TYPE_INVALID);
    return reply;
}

// A listening socket in this process; with `answers`, it takes connections
// and completes the D-Bus handshake (SASL EXTERNAL) on each, as an
// application's own server does; without, it never accepts.
class OwnSocket {
public:
    OwnSocket(const std::string& path, bool answers) : path_(path) {
        listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un name{};
        name.sun_family = AF_UNIX;
        std::strncpy(name.sun_path, path.c_str(), sizeof name.sun_path - 1);
        bound_ = listener_ >= 0 && bind(listener_, reinterpret_cast<sockaddr*>(&name), sizeof name) == 0 &&
                 listen(listener_, 4) == 0;
        if (bound_ && answers) server_ = std::thread([this] { serve(); });
    }
    ~OwnSocket() {
        shutdown(listener_, SHUT_RDWR);
        if (server_.joinable()) server_.join();
        for (int peer : peers_) close(peer);
        close(listener_);
    }
    bool bound() const { return bound_; }
    std::string address() const { return "unix:path=" + path_; }

private:
    void serve() {
        for (int peer; (peer = accept(listener_, nullptr, nullptr)) >= 0;) {
            peers_.push_back(peer);
            handshake(peer);
        }
    }

    static void handshake(int peer) {
        std::string received;
        char buffer[256];
        for (ssize_t n; (n = read(peer, buffer, sizeof buffer)) > 0;) {
            received.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = received.find("\r\n")) != std::string::npos; received.erase(0, end + 2)) {
                const std::string line = received.substr(0, end);
                std::string answer;
                if (line.find("AUTH") != std::string::npos) answer = "OK 0123456789abcdef0123456789abcdef\r\n";
                if (line == "NEGOTIATE_UNIX_FD") answer = "AGREE_UNIX_FD\r\n";
                if (line == "BEGIN") return;
                if (!answer.empty() && write(peer, answer.data(), answer.size()) < 0) return;
            }
        }
    }

    std::string path_;
    int listener_ = -1;
    std::vector<int> peers_;
    bool bound_ = false;
    std::thread server_;
};

// An application names a socket as its own; the tool uses it only when the
// process listening there is the one that owns the application's bus name,
// and only once it has completed the handshake.
TEST(AtspiPeerConnection, OnlyTheApplicationsOwnAnsweringSocketIsUsed) {
    char folderTemplate[] = "/tmp/tavik-peer-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    const std::string folder = folderTemplate;
    const dbus_uint32_t otherPid = static_cast<dbus_uint32_t>(getpid()) + 1;
    const dbus_uint32_t ownPid = static_cast<dbus_uint32_t>(getpid());
    auto open = [](const char* bus, const OwnSocket& own, dbus_uint32_t pid, bool pidKnown = true) {
        const std::string address = own.address();
        const char* addressText = address.c_str();
        platform::atspi::openPeerConnection(bus, replyWith(DBUS_TYPE_STRING, &addressText).get(),
                                            pidKnown ? replyWith(DBUS_TYPE_UINT32, &pid).get() : nullptr);
        return platform::atspi::connectionTo(bus);
    };
    {
        const OwnSocket answering(folder + "/answering", true);
        ASSERT_TRUE(answering.bound());
        EXPECT_EQ(open(":1.901", answering, otherPid), platform::atspi::accessibilityBus()) << "another process";
        EXPECT_EQ(open(":1.903", answering, ownPid, false), platform::atspi::accessibilityBus()) << "process unknown";
        DBusConnection* own = open(":1.902", answering, ownPid);
        EXPECT_NE(own, nullptr);
        EXPECT_NE(own, platform::atspi::accessibilityBus());
    }
    const OwnSocket silent(folder + "/silent", false);
    ASSERT_TRUE(silent.bound());
    EXPECT_EQ(open(":1.904", silent, ownPid), platform::atspi::accessibilityBus()) << "never answers";
    std::filesystem::remove_all(folder);
}

// Sets an environment variable for one test, restoring it afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(AtspiBus, SessionBusIsFoundWithoutLaunchingOne) {
    char folderTemplate[] = "/tmp/tavik-session-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    const std::filesystem::path folder = folderTemplate;
    ScopedVariable display("DISPLAY", ":99");  // libdbus would autolaunch on this display
    ScopedVariable runtime("XDG_RUNTIME_DIR", folder.c_str());
    {
        ScopedVariable session("DBUS_SESSION_BUS_ADDRESS", "unix:path=/elsewhere");
        EXPECT_EQ(platform::atspi::sessionBusAddress(), "unix:path=/elsewhere");
    }
    ScopedVariable session("DBUS_SESSION_BUS_ADDRESS", nullptr);
    EXPECT_EQ(platform::atspi::sessionBusAddress(), std::nullopt);  // no bus socket
    EXPECT_EQ(platform::atspi::sessionBus(), nullptr);
    const std::filesystem::path socketPath = folder / "bus";
    {
        std::FILE* file = std::fopen(socketPath.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
        EXPECT_EQ(platform::atspi::sessionBusAddress(), std::nullopt);  // a file, no socket
        std::filesystem::remove(socketPath);
    }
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_EQ(platform::atspi::sessionBusAddress(), "unix:path=" + socketPath.string());
    close(listener);
    std::filesystem::remove_all(folder);
}

}  // namespace
