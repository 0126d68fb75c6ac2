#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// sway's IPC socket ($SWAYSOCK): one request and its reply per call, in
// i3's framing ("i3-ipc", then the payload's length and the message type as
// 32-bit little-endian numbers, then the payload). Every exchange has a
// deadline: a compositor that does not answer in time is a failure, never
// a hang.
namespace platform::sway {

enum class MessageType : std::uint32_t {
    RunCommand = 0,
    GetTree = 4,
    GetVersion = 7,
};

// How long one exchange (connect, send, the whole reply) may take.
inline constexpr std::chrono::milliseconds exchangeTimeLimit{2000};

// A reply longer than this is refused: a real tree is a few hundred
// kilobytes at most.
inline constexpr std::uint32_t replyLengthLimit = 64u << 20;

// The reply's payload to a request of this type, over a new connection to
// the socket at socketPath; nothing when the socket cannot be reached, the
// reply is malformed, too long, of another type, or late.
std::optional<std::string> exchange(const std::string& socketPath, MessageType type, std::string_view payload,
                                    std::chrono::milliseconds timeLimit = exchangeTimeLimit);

// The same over $SWAYSOCK; nothing when it is not set.
std::optional<std::string> request(MessageType type, std::string_view payload = {});

// The frame that carries a request: the header and the payload.
std::string frame(MessageType type, std::string_view payload);

}  // namespace platform::sway
