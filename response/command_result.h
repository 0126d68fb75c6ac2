#pragma once

#include <string>
#include <string_view>

#include "response/json.h"

// What a command handler hands back to the driver: the one document to
// print (without its line feed) and the exit status.
struct CommandResult {
    std::string document;
    int status = 0;
};

// The error exit: the error document with status 1.
inline CommandResult errorExit(std::string_view message) { return {errorResponse(message), 1}; }

// A handler's normal end: a document with status 0.
inline CommandResult completed(std::string document) { return {std::move(document), 0}; }
