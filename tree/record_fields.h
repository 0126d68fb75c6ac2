#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "response/json.h"
#include "response/text_cut.h"

// Fields that element records and match records fill alike.

// Longest value shown, in user-perceived characters.
inline constexpr std::size_t kValueClusterLimit = 200;

// Sets key to the text (cut as above) when there is a text and it is not empty.
void setNonEmptyText(JsonObject& record, const char* key, std::optional<std::string> text);

// Sets "value" to the first 200 characters of value when there is one and
// it is not empty (emptiness is judged before the cut).
void setCutValue(JsonObject& record, const std::optional<std::string>& value);

// Sets "x"/"y" and "width"/"height", each pair whole or not at all.
void setGeometry(JsonObject& record, const std::optional<platform::Point>& position,
                 const std::optional<platform::Size>& size);

// The action names as a JSON array of strings.
JsonArray actionArray(std::vector<std::string> actions);
