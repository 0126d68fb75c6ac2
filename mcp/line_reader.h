#pragma once

#include <cstddef>
#include <string>
#include <variant>

// Reads newline-delimited messages from a file descriptor. A line longer
// than the limit is never held whole: its bytes are dropped up to the next
// line feed, and the reader reports that a line was too long.
class LineReader {
public:
    struct Line {
        std::string text;
    };
    struct TooLong {};
    struct End {};
    using Next = std::variant<Line, TooLong, End>;

    LineReader(int fd, std::size_t limit);

    // The next non-blank line (without its line feed and a carriage return
    // before it), a too-long line, or the end of the input (also on a read
    // error). The last line needs no line feed.
    Next next();

private:
    bool fill();

    int fd_;
    std::size_t limit_;
    std::string pending_;  // bytes read but not yet handed out
    bool ended_ = false;
};
