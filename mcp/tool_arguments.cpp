#include "mcp/tool_arguments.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>

namespace {

const char* typeName(ParamType type) {
    switch (type) {
        case ParamType::Integer:
            return "integer";
        case ParamType::Number:
            return "number";
        case ParamType::String:
            return "string";
        case ParamType::Boolean:
            return "boolean";
        case ParamType::Point:
            return "object";
        case ParamType::StringList:
            return "array";
    }
    return "string";
}

nlohmann::json paramSchema(const ToolParam& param) {
    nlohmann::json schema{{"type", typeName(param.type)}, {"description", param.description}};
    if (param.minimum) schema["minimum"] = *param.minimum;
    if (param.maximum) schema["maximum"] = *param.maximum;
    if (!param.choices.empty()) schema["enum"] = param.choices;
    if (param.type == ParamType::Point) {
        schema["properties"] = {{"x", {{"type", "number"}}}, {"y", {{"type", "number"}}}};
        schema["required"] = {"x", "y"};
        schema["additionalProperties"] = false;
    }
    if (param.type == ParamType::StringList) {
        schema["items"] = {{"type", "string"}};
        schema["minItems"] = 1;
    }
    return schema;
}

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

// A JSON number that is a whole number within the signed 64-bit range
// (2.0 counts, as JSON Schema's integer does).
std::optional<std::int64_t> wholeNumber(const nlohmann::json& value) {
    if (value.is_number_integer() && !value.is_number_unsigned()) return value.get<std::int64_t>();
    if (value.is_number_unsigned()) {
        const auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
        return static_cast<std::int64_t>(unsignedValue);
    }
    if (value.is_number_float()) {
        const double number = value.get<double>();
        // 2^63 is exactly representable; everything below it fits.
        if (std::trunc(number) != number || number < -9223372036854775808.0 || number >= 9223372036854775808.0)
            return std::nullopt;
        return static_cast<std::int64_t>(number);
    }
    return std::nullopt;
}

// The shortest text that reads back as the same double.
std::string numberText(double number) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, number);
    if (error != std::errc{}) return std::to_string(number);
    return std::string(buffer, end);
}

struct ArgumentText {
    std::optional<std::vector<std::string>> texts;  // absent: the argument is wrong
    std::string error;
};

ArgumentText accepted(std::vector<std::string> texts) { return {std::move(texts), {}}; }
ArgumentText accepted(std::string text) { return accepted(std::vector<std::string>{std::move(text)}); }
ArgumentText refused(std::string error) { return {std::nullopt, std::move(error)}; }

std::string rangeText(const ToolParam& param) {
    if (param.minimum && param.maximum)
        return "from " + std::to_string(*param.minimum) + " to " + std::to_string(*param.maximum);
    if (param.minimum) return "at least " + std::to_string(*param.minimum);
    return "at most " + std::to_string(param.maximum.value_or(0));
}

// A number as the command reads it: whole numbers in decimal.
std::string numberArgument(const nlohmann::json& value) {
    if (const auto whole = wholeNumber(value)) return std::to_string(*whole);
    return numberText(value.get<double>());
}

// The command-line text of one argument, or the message saying what is wrong.
ArgumentText argumentText(const ToolParam& param, const nlohmann::json& value) {
    const std::string name = "Argument " + quoted(param.name);
    switch (param.type) {
        case ParamType::Integer: {
            const auto whole = wholeNumber(value);
            if (!whole) return refused(name + " must be an integer");
            if ((param.minimum && *whole < *param.minimum) || (param.maximum && *whole > *param.maximum))
                return refused(name + " must be " + rangeText(param));
            return accepted(std::to_string(*whole));
        }
        case ParamType::Number: {
            if (!value.is_number()) return refused(name + " must be a number");
            return accepted(numberArgument(value));
        }
        case ParamType::Point: {
            const bool point = value.is_object() && value.size() == 2 && value.contains("x") && value.contains("y") &&
                               value["x"].is_number() && value["y"].is_number();
            if (!point) return refused(name + " must be an object {\"x\": number, \"y\": number}");
            return accepted(std::vector<std::string>{numberArgument(value["x"]), numberArgument(value["y"])});
        }
        case ParamType::StringList: {
            if (!value.is_array() || value.empty()) return refused(name + " must be a non-empty array of strings");
            std::vector<std::string> texts;
            for (const auto& item : value) {
                if (!item.is_string()) return refused(name + " must be a non-empty array of strings");
                if (item.get_ref<const std::string&>().find('\0') != std::string::npos)
                    return refused(name + " must not contain the character U+0000");
                texts.push_back(item.get<std::string>());
            }
            return accepted(std::move(texts));
        }
        case ParamType::String: {
            if (!value.is_string()) return refused(name + " must be a string");
            const auto& text = value.get_ref<const std::string&>();
            // A command line cannot carry it.
            if (text.find('\0') != std::string::npos) return refused(name + " must not contain the character U+0000");
            if (!param.choices.empty() &&
                std::find(param.choices.begin(), param.choices.end(), text) == param.choices.end()) {
                std::string message = name + " must be one of:";
                for (std::size_t i = 0; i < param.choices.size(); ++i)
                    message += (i == 0 ? " " : ", ") + param.choices[i];
                return refused(message);
            }
            return accepted(text);
        }
        case ParamType::Boolean:
            if (!value.is_boolean()) return refused(name + " must be true or false");
            return accepted(value.get<bool>() ? "true" : "");
    }
    return refused(name + " has an unknown type");
}

std::string parameterNames(const Tool& tool) {
    if (tool.params.empty()) return tool.name + " takes no arguments";
    std::string names = tool.name + " takes:";
    for (std::size_t i = 0; i < tool.params.size(); ++i) names += (i == 0 ? " " : ", ") + tool.params[i].name;
    return names;
}

// The names of the parameters that address the element in this way.
std::vector<std::string> namesAddressing(const Tool& tool, Addressing addressing) {
    std::vector<std::string> names;
    for (const ToolParam& param : tool.params)
        if (param.addressing == addressing) names.push_back(param.name);
    return names;
}

bool anyGiven(const ToolArguments& arguments, const std::vector<std::string>& names) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) { return arguments.has(name); });
}

std::string joined(const std::vector<std::string>& names, const char* last) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? last : ", ") + names[i];
    return text;
}

// A tool that names its element by path or by query takes exactly one of
// the two; nothing when the arguments do so.
std::optional<std::string> addressingError(const Tool& tool, const ToolArguments& arguments) {
    const std::vector<std::string> paths = namesAddressing(tool, Addressing::Path);
    const std::vector<std::string> criteria = namesAddressing(tool, Addressing::Criterion);
    const std::vector<std::string> choices = namesAddressing(tool, Addressing::Choice);
    if (paths.empty()) return std::nullopt;
    const bool byPath = anyGiven(arguments, paths);
    const bool queried = anyGiven(arguments, criteria);
    if (byPath && (queried || anyGiven(arguments, choices))) {
        std::vector<std::string> query = criteria;
        query.insert(query.end(), choices.begin(), choices.end());
        return "Give either " + quoted(paths.front()) + " or a query (" + joined(query, ", ") + "), not both";
    }
    if (byPath || queried) return std::nullopt;
    for (const std::string& choice : choices)
        if (arguments.has(choice)) return "Argument " + quoted(choice) + " needs a query: " + joined(criteria, " or ");
    return "Missing required argument " + quoted(paths.front()) + " (or a query: " + joined(criteria, ", ") + ")";
}

// Whether the call names its element by query.
bool byQuery(const Tool& tool, const ToolArguments& arguments) {
    return anyGiven(arguments, namesAddressing(tool, Addressing::Criterion));
}

}  // namespace

nlohmann::json describeTool(const Tool& tool) {
    nlohmann::json properties = nlohmann::json::object();
    nlohmann::json required = nlohmann::json::array();
    for (const ToolParam& param : tool.params) {
        properties[param.name] = paramSchema(param);
        if (param.required) required.push_back(param.name);
    }
    nlohmann::json schema{{"type", "object"}, {"properties", properties}, {"additionalProperties", false}};
    if (!required.empty()) schema["required"] = required;
    nlohmann::json annotations{{"title", tool.title}, {"readOnlyHint", tool.readOnly}, {"openWorldHint", false}};
    if (!tool.readOnly) annotations["destructiveHint"] = true;
    return {{"name", tool.name},
            {"title", tool.title},
            {"description", tool.description},
            {"inputSchema", schema},
            {"annotations", annotations}};
}

std::variant<ToolArguments, std::string> checkArguments(const Tool& tool, const nlohmann::json& arguments) {
    if (!arguments.is_object()) return std::string("The arguments must be a JSON object");
    for (const auto& item : arguments.items()) {
        // Older clang cannot capture a structured binding.
        const std::string& name = item.key();
        const bool known = std::any_of(tool.params.begin(), tool.params.end(),
                                       [&](const ToolParam& param) { return param.name == name; });
        if (!known) return "Unknown argument " + quoted(name) + " (" + parameterNames(tool) + ")";
    }
    ToolArguments checked;
    for (const ToolParam& param : tool.params) {
        const auto found = arguments.find(param.name);
        // A null counts as left out.
        if (found == arguments.end() || found->is_null()) {
            if (param.required) return "Missing required argument " + quoted(param.name);
            continue;
        }
        ArgumentText text = argumentText(param, *found);
        if (!text.texts) return text.error;
        // A boolean that is false is left out.
        if (param.type == ParamType::Boolean && text.texts->front().empty()) continue;
        checked.values.emplace(param.name, std::move(*text.texts));
    }
    if (auto error = addressingError(tool, checked)) return *error;
    return checked;
}

std::vector<std::string> commandLine(const Tool& tool, const ToolArguments& arguments) {
    std::vector<std::string> line{tool.command};
    // A call by query gives type's text after its option word.
    const bool query = byQuery(tool, arguments);
    const auto placementOf = [&](const ToolParam& param) {
        if (query && !param.queryOption.empty()) return Placement::Option;
        return param.placement;
    };
    const auto optionOf = [&](const ToolParam& param) {
        return query && !param.queryOption.empty() ? param.queryOption : param.option;
    };
    // Positionals up to the last one given; a gap before it takes its fallback.
    std::size_t lastPositional = tool.params.size();
    for (std::size_t i = 0; i < tool.params.size(); ++i)
        if (placementOf(tool.params[i]) == Placement::Positional && arguments.has(tool.params[i].name)) lastPositional = i;
    if (lastPositional < tool.params.size()) {
        for (std::size_t i = 0; i <= lastPositional; ++i) {
            const ToolParam& param = tool.params[i];
            if (placementOf(param) != Placement::Positional) continue;
            const auto found = arguments.values.find(param.name);
            if (found == arguments.values.end())
                line.push_back(param.fallback);
            else
                line.insert(line.end(), found->second.begin(), found->second.end());
        }
    }
    for (const ToolParam& param : tool.params) {
        const auto found = arguments.values.find(param.name);
        if (found == arguments.values.end()) continue;
        if (placementOf(param) == Placement::Option) {
            line.push_back(optionOf(param));
            line.insert(line.end(), found->second.begin(), found->second.end());
        } else if (placementOf(param) == Placement::Flag) {
            line.push_back(param.option);
        }
    }
    return line;
}

std::chrono::milliseconds callTimeout(const Tool& tool, const ToolArguments& arguments,
                                      std::chrono::milliseconds base) {
    std::chrono::milliseconds timeout = base;
    for (const ToolParam& param : tool.params) {
        const auto found = arguments.values.find(param.name);
        if (!param.extendsTimeout || found == arguments.values.end()) continue;
        // Checked as an integer within the parameter's range already.
        const auto wait = std::strtoll(found->second.front().c_str(), nullptr, 10);
        if (wait > 0) timeout += std::chrono::milliseconds(wait);
    }
    return timeout;
}
