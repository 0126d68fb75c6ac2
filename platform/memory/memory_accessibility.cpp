// The in-memory desktop's accessibility service: handles of scripted
// nodes, counted so tests can see every reference released.
#include "platform/memory/memory_desktop.h"

namespace platform {

// A handle's state: the scripted node (none for a dead application) and
// its reference count.
struct ElementRef {
    memory::Node* node = nullptr;
    long references = 1;
};

}  // namespace platform

namespace memory {
namespace {

long live = 0;
long peak = 0;

void countNewReference() {
    ++live;
    if (live > peak) peak = live;
}

platform::Element makeHandle(Node* node) {
    countNewReference();
    return platform::Element(new platform::ElementRef{node, 1});
}

std::optional<platform::AttributeValue> toAttributeValue(const StoredValue& stored) {
    return std::visit(
        [](const auto& value) -> std::optional<platform::AttributeValue> {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, Failure>) {
                return std::nullopt;
            } else if constexpr (std::is_same_v<T, Node*>) {
                return platform::AttributeValue{makeHandle(value)};
            } else if constexpr (std::is_same_v<T, std::vector<Node*>>) {
                std::vector<platform::Element> elements;
                elements.reserve(value.size());
                for (Node* node : value) elements.push_back(makeHandle(node));
                return platform::AttributeValue{std::move(elements)};
            } else {
                return platform::AttributeValue{value};
            }
        },
        stored);
}

}  // namespace

long liveHandles() { return live; }
long peakHandles() { return peak; }
void resetPeakHandles() { peak = live; }

Node* nodeOf(const platform::Element& element) { return element ? element.ref()->node : nullptr; }

}  // namespace memory

namespace platform {

using memory::desktop;

void retainElementRef(ElementRef* ref) noexcept {
    ++ref->references;
    memory::countNewReference();
}

void releaseElementRef(ElementRef* ref) noexcept {
    --memory::live;
    if (--ref->references == 0) delete ref;
}

Element createApplicationElement(std::int32_t pid) {
    for (const memory::Application& application : desktop().applications)
        if (application.info.pid == pid && application.root) return memory::makeHandle(application.root);
    return memory::makeHandle(nullptr);
}

std::optional<AttributeValue> copyAttributeValue(const Element& element, std::string_view attribute) {
    desktop().clockMicroseconds += desktop().microsecondsPerRead;
    const memory::Node* node = memory::nodeOf(element);
    if (!node) return std::nullopt;
    const memory::StoredValue* stored = node->find(attribute);
    if (!stored) return std::nullopt;
    return memory::toAttributeValue(*stored);
}

std::optional<std::vector<AttributeValue>> copyActionNames(const Element& element) {
    const memory::Node* node = memory::nodeOf(element);
    if (!node || !node->actions) return std::nullopt;
    std::vector<AttributeValue> names;
    names.reserve(node->actions->size());
    for (const memory::StoredValue& stored : *node->actions) {
        auto value = memory::toAttributeValue(stored);
        if (value) names.push_back(std::move(*value));
        else names.emplace_back(OtherValue{});
    }
    return names;
}

bool stoppedAnswering(const Element&) { return desktop().stoppedAnswering; }

bool isSameElement(const Element& first, const Element& second) {
    return first.ref() && second.ref() && first.ref()->node == second.ref()->node;
}

bool performAction(const Element& element, std::string_view action) {
    memory::Node* node = memory::nodeOf(element);
    desktop().records.emplace_back(memory::Performed{node, std::string(action)});
    return node && node->actionSucceeds;
}

bool setAttributeValue(const Element& element, std::string_view attribute, const AttributeValue& value) {
    memory::Node* node = memory::nodeOf(element);
    memory::AttributeSet record{node, std::string(attribute), std::nullopt, std::nullopt, false};
    if (const auto* text = std::get_if<std::string>(&value)) record.text = *text;
    if (const auto* flag = std::get_if<bool>(&value)) record.flag = *flag;
    record.succeeded = node && node->settable.count(attribute) > 0;
    if (record.succeeded) {
        if (record.text) node->set(std::string(attribute), *record.text);
        if (record.flag) node->set(std::string(attribute), *record.flag);
    }
    desktop().records.emplace_back(record);
    return record.succeeded;
}

bool isAttributeSettable(const Element& element, std::string_view attribute) {
    const memory::Node* node = memory::nodeOf(element);
    return node && node->settable.count(attribute) > 0;
}

bool isProcessTrusted(bool promptUser) {
    desktop().trustQueries.push_back(promptUser);
    return desktop().trusted;
}

}  // namespace platform
