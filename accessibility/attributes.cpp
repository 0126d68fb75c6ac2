#include "accessibility/attributes.h"

#include "accessibility/geometry_conversion.h"

using platform::AttributeValue;

std::optional<std::string> getStringAttr(const Element& element, std::string_view attribute) {
    auto value = platform::copyAttributeValue(element, attribute);
    if (!value) return std::nullopt;
    if (auto* text = std::get_if<std::string>(&*value)) return std::move(*text);
    return std::nullopt;
}

std::optional<std::int64_t> getIntAttr(const Element& element, std::string_view attribute) {
    const auto value = platform::copyAttributeValue(element, attribute);
    if (!value) return std::nullopt;
    if (const auto* integer = std::get_if<std::int64_t>(&*value)) return *integer;
    if (const auto* flag = std::get_if<bool>(&*value)) return *flag ? 1 : 0;
    if (const auto* real = std::get_if<double>(&*value)) {
        return truncateToInt64(*real);
    }
    return std::nullopt;
}

std::optional<double> getNumberAttr(const Element& element, std::string_view attribute) {
    const auto value = platform::copyAttributeValue(element, attribute);
    if (!value) return std::nullopt;
    if (const auto* integer = std::get_if<std::int64_t>(&*value)) return static_cast<double>(*integer);
    if (const auto* real = std::get_if<double>(&*value)) return *real;
    return std::nullopt;
}

std::optional<bool> getBoolAttr(const Element& element, std::string_view attribute) {
    const auto value = platform::copyAttributeValue(element, attribute);
    if (!value) return std::nullopt;
    if (const auto* flag = std::get_if<bool>(&*value)) return *flag;
    if (const auto* integer = std::get_if<std::int64_t>(&*value)) return *integer != 0;
    if (const auto* real = std::get_if<double>(&*value)) return *real != 0.0;
    return std::nullopt;
}

std::optional<platform::Point> getPosition(const Element& element) {
    const auto value = platform::copyAttributeValue(element, "AXPosition");
    if (!value) return std::nullopt;
    if (const auto* point = std::get_if<platform::PointValue>(&*value)) return point->point;
    return platform::Point{0, 0};
}

std::optional<platform::Size> getSize(const Element& element) {
    const auto value = platform::copyAttributeValue(element, "AXSize");
    if (!value) return std::nullopt;
    if (const auto* size = std::get_if<platform::SizeValue>(&*value)) return size->size;
    return platform::Size{0, 0};
}

std::optional<std::vector<Element>> getElementList(const Element& element, std::string_view attribute) {
    auto value = platform::copyAttributeValue(element, attribute);
    if (!value) return std::nullopt;
    if (auto* list = std::get_if<std::vector<Element>>(&*value)) return std::move(*list);
    return std::nullopt;
}

std::vector<Element> getChildren(const Element& element) {
    return getElementList(element, "AXChildren").value_or(std::vector<Element>{});
}

bool isSettable(const Element& element, std::string_view attribute) {
    return platform::isAttributeSettable(element, attribute);
}

std::vector<std::string> getActions(const Element& element) {
    auto values = platform::copyActionNames(element);
    if (!values) return {};
    std::vector<std::string> names;
    names.reserve(values->size());
    for (AttributeValue& value : *values) {
        auto* text = std::get_if<std::string>(&value);
        if (!text) return {};
        names.push_back(std::move(*text));
    }
    return names;
}
