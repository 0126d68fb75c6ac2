#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The value model of every printed document and its one text form.

class JsonValue;
using JsonArray = std::vector<JsonValue>;

// String keys to values. Storing a key again replaces its value; keys are
// written in the order they were first stored.
class JsonObject {
public:
    void set(std::string key, JsonValue value);
    const std::vector<std::string>& keys() const { return keys_; }
    const std::vector<JsonValue>& values() const { return values_; }

private:
    std::vector<std::string> keys_;
    std::vector<JsonValue> values_;
};

class JsonValue {
public:
    using Variant = std::variant<std::string, std::int64_t, bool, JsonArray, JsonObject>;

    JsonValue(std::string text) : value_(std::move(text)) {}
    JsonValue(std::string_view text) : value_(std::string(text)) {}
    JsonValue(const char* text) : value_(std::string(text)) {}
    JsonValue(std::int64_t number) : value_(number) {}
    JsonValue(std::int32_t number) : value_(std::int64_t{number}) {}
    JsonValue(bool flag) : value_(flag) {}
    JsonValue(JsonArray array) : value_(std::move(array)) {}
    JsonValue(JsonObject object) : value_(std::move(object)) {}

    const Variant& variant() const { return value_; }

private:
    Variant value_;
};

// Compact text of an object: no white space, every "/" escaped, control
// characters escaped, ill-formed UTF-8 replaced by U+FFFD.
std::string json(const JsonObject& object);

// Compact text of an array of objects; [] for an empty list.
std::string jsonArray(const std::vector<JsonObject>& objects);

// The error document {"error":message}.
std::string errorResponse(std::string_view message);

// Appends the text of any value to out (the writer behind the three above).
void appendJson(std::string& out, const JsonValue& value);
