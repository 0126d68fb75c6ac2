#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The tools the server offers: one per command of tavik-ax, each with the
// parameters an agent passes and where each goes on the command line.

enum class ParamType {
    Integer,
    Number,
    String,
    Boolean,
    Point,       // {"x": number, "y": number}: two texts on the command line
    StringList,  // an array of strings: one text each
};

enum class Placement {
    Positional,  // the value, in parameter order
    Option,      // the option word, then the value
    Flag,        // the option word alone, when the value is true
    Server,      // read by the server itself, not passed on
};

// click and type name their element either by path or by query, never
// both: which of the two ways a parameter belongs to.
enum class Addressing {
    Any,
    Path,       // the element path
    Criterion,  // role, label, value: at least one makes the query
    Choice,     // nth: only with a query
};

struct ToolParam {
    std::string name;
    ParamType type = ParamType::String;
    bool required = false;
    std::string description;
    Placement placement = Placement::Positional;
    std::string option;    // Option and Flag: the option word
    std::string fallback;  // Positional: given when absent but a later positional is present
    std::optional<std::int64_t> minimum;
    std::optional<std::int64_t> maximum;
    std::vector<std::string> choices;  // String: the only texts accepted
    // Integer: a number of milliseconds the command may wait on purpose,
    // added to the call's time-out.
    bool extendsTimeout = false;
    Addressing addressing = Addressing::Any;
    // Positional: in a call by query, given after this option word instead
    // (type's text).
    std::string queryOption;
};

struct Tool {
    std::string name;
    std::string title;
    std::string description;
    std::string command;  // the tavik-ax command it runs
    std::vector<ToolParam> params;
    bool readOnly = false;
    bool returnsImage = false;  // screenshot: the PNG as image content
};

const std::vector<Tool>& toolTable();
const Tool* findTool(std::string_view name);
