#include "tree/record_fields.h"

#include "accessibility/geometry_conversion.h"
#include "response/unicode_text.h"

void setNonEmptyText(JsonObject& record, const char* key, std::optional<std::string> text) {
    if (text && !text->empty()) record.set(key, JsonValue(cutText(std::move(*text))));
}

void setCutValue(JsonObject& record, const std::optional<std::string>& value) {
    if (value && !value->empty()) record.set("value", JsonValue(firstGraphemeClusters(*value, kValueClusterLimit)));
}

void setGeometry(JsonObject& record, const std::optional<platform::Point>& position,
                 const std::optional<platform::Size>& size) {
    if (position) setConvertedPair(record, "x", position->x, "y", position->y);
    if (size) setConvertedPair(record, "width", size->width, "height", size->height);
}

JsonArray actionArray(std::vector<std::string> actions) {
    JsonArray array;
    array.reserve(actions.size());
    for (std::string& action : actions) array.emplace_back(std::move(action));
    return array;
}
