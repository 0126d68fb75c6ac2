#pragma once

#include <string>

// The standard streams of a program whose standard output carries only its
// documents (the tool's answer, the MCP server's messages).

// A standard stream the caller closed is opened on /dev/null: otherwise the
// next file the program opens (the X connection, a call's pipe) would take
// its number, and what is written to "standard output" would go into that.
void reopenClosedStandardStreams();

// Writes all of text to standard output, retrying short writes and waiting
// while a non-blocking output is full; false when it could not all be
// written (a full device, a reader gone).
bool writeAll(const std::string& text);
