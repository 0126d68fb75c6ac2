#include "mcp/line_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

bool isBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
}

}  // namespace

LineReader::LineReader(int fd, std::size_t limit) : fd_(fd), limit_(limit) {}

// Appends what one read gives; false at the end of the input.
bool LineReader::fill() {
    if (ended_) return false;
    char chunk[kReadChunk];
    for (;;) {
        const ssize_t got = ::read(fd_, chunk, sizeof chunk);
        if (got > 0) {
            pending_.append(chunk, static_cast<std::size_t>(got));
            return true;
        }
        if (got < 0 && errno == EINTR) continue;
        ended_ = true;
        return false;
    }
}

LineReader::Next LineReader::next() {
    for (;;) {
        std::size_t scanned = 0;
        bool tooLong = false;
        std::size_t feed = std::string::npos;
        for (;;) {
            feed = pending_.find('\n', scanned);
            if (feed != std::string::npos) break;
            if (pending_.size() > limit_) {
                // Too long already: drop what is held and keep dropping
                // until the line ends.
                tooLong = true;
                pending_.clear();
                scanned = 0;
            } else {
                scanned = pending_.size();
            }
            if (!fill()) break;
        }

        if (tooLong) {
            if (feed != std::string::npos)
                pending_.erase(0, feed + 1);
            else
                pending_.clear();
            return TooLong{};
        }
        std::string text;
        if (feed == std::string::npos) {
            if (pending_.empty()) return End{};
            text = std::move(pending_);
            pending_.clear();
        } else {
            text = pending_.substr(0, feed);
            pending_.erase(0, feed + 1);
        }
        if (text.size() > limit_) return TooLong{};
        if (isBlank(text)) continue;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        return Line{std::move(text)};
    }
}
