#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "response/arguments.h"
#include "tree/element_query.h"

// The query form of click and type: the element named by --role, --label
// and --value (as find takes them) instead of by path.

// Whether the operand after the pid starts the query form.
bool isQueryForm(const Arguments& arguments);

struct QueryArguments {
    std::int32_t pid = 0;
    std::int64_t windowIndex = 0;
    ElementQuery query;
    std::optional<std::string> text;  // --text, which type requires
};

// Reads "<pid> --role R --label L --value V --nth K --depth D --window N
// [--text T]"
// from position 2 on, options in any order, each with its value (the next
// argument, whatever it looks like); a later option replaces an earlier
// one. withText: the command is type, which takes --text and needs it.
// Anything else, an option without its value, an --nth or --window that is
// not a whole number (--nth from 0) is refused with a message that ends
// with the form's usage; a --depth out of its range with the message find
// and snapshot give for theirs.
std::variant<QueryArguments, std::string> parseQueryArguments(const Arguments& arguments, bool withText);

// The usage texts of the query form.
inline constexpr const char* clickQueryUsage =
    "Usage: tavik-ax click <pid> [--role R] [--label L] [--value V] [--nth K] [--depth D] [--window N]";
inline constexpr const char* typeQueryUsage =
    "Usage: tavik-ax type <pid> [--role R] [--label L] [--value V] [--nth K] [--depth D] [--window N] --text T";
