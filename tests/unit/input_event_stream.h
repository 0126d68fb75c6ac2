#pragma once

// Reads the in-memory desktop's records back as short lines ("down 1.5 2",
// "pause 50000", "key-down D83D DE00", ...) so a test states the whole
// stream of events, pauses, actions and settings as one list.

#include <charconv>
#include <cstdio>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/memory/memory_desktop.h"
#include "response/arguments.h"

namespace input_test {

// Shortest text that reads back as the same double, so a line compares
// the exact coordinates.
inline std::string exactNumber(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

inline std::string codeUnits(const std::u16string& units) {
    std::string text;
    for (char16_t unit : units) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%s%04X", text.empty() ? "" : " ", static_cast<unsigned>(unit));
        text += hex;
    }
    return text;
}

inline std::string nodeName(const memory::Node* node) {
    if (!node) return "<none>";
    if (const auto* stored = node->find("AXTitle"))
        if (const auto* title = std::get_if<std::string>(stored)) return *title;
    return "<untitled>";
}

inline std::string describeEvent(const platform::Event& event) {
    if (const auto* mouse = std::get_if<platform::MouseEvent>(&event)) {
        using platform::MouseEventType;
        const char* kind = "";
        switch (mouse->type) {
            case MouseEventType::leftMouseDown: kind = "down "; break;
            case MouseEventType::leftMouseUp: kind = "up "; break;
            case MouseEventType::rightMouseDown: kind = "right-down "; break;
            case MouseEventType::rightMouseUp: kind = "right-up "; break;
            case MouseEventType::otherMouseDown: kind = "middle-down "; break;
            case MouseEventType::otherMouseUp: kind = "middle-up "; break;
            case MouseEventType::mouseMoved: kind = "move "; break;
            case MouseEventType::leftMouseDragged: kind = "drag "; break;
        }
        std::string line = kind + exactNumber(mouse->position.x) + " " + exactNumber(mouse->position.y);
        if (mouse->clickState != 1) line += " click " + std::to_string(mouse->clickState);
        return line;
    }
    if (const auto* key = std::get_if<platform::KeyboardEvent>(&event)) {
        std::string line = key->keyDown ? "key-down " : "key-up ";
        line += codeUnits(key->characters);
        // Every key event carries key code 0; any other shows up in the line.
        if (key->virtualKey != 0) line += " vk=" + std::to_string(key->virtualKey);
        return line;
    }
    const auto& scroll = std::get<platform::ScrollWheelEvent>(event);
    if (scroll.wheel2 != 0) return "scroll " + std::to_string(scroll.wheel1) + " sideways " + std::to_string(scroll.wheel2);
    return "scroll " + std::to_string(scroll.wheel1);
}

// A key combination as its keysyms in hexadecimal: "ffe3+6c".
inline std::string describeCombination(const platform::KeyCombination& combination) {
    std::string text;
    char hex[16];
    for (const platform::KeySymbol keysym : combination.held) {
        std::snprintf(hex, sizeof hex, "%x+", static_cast<unsigned>(keysym));
        text += hex;
    }
    std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(combination.key));
    return text + hex;
}

inline std::string describeRecord(const memory::Record& record) {
    return std::visit(
        [](const auto& item) -> std::string {
            using T = std::decay_t<decltype(item)>;
            if constexpr (std::is_same_v<T, memory::Posted>) {
                return describeEvent(item.event);
            } else if constexpr (std::is_same_v<T, memory::Paused>) {
                return "pause " + std::to_string(item.microseconds);
            } else if constexpr (std::is_same_v<T, memory::Performed>) {
                return "perform " + item.action + " on " + nodeName(item.node);
            } else if constexpr (std::is_same_v<T, memory::AttributeSet>) {
                std::string value = item.text ? "\"" + *item.text + "\"" : item.flag ? (*item.flag ? "true" : "false") : "?";
                return "set " + item.attribute + "=" + value + " on " + nodeName(item.node) +
                       (item.succeeded ? "" : " (refused)");
            } else if constexpr (std::is_same_v<T, memory::TypingBegan>) {
                std::string line = "typing begins";
                for (const auto& cluster : item.clusters) line += " [" + codeUnits(cluster) + "]";
                return line;
            } else if constexpr (std::is_same_v<T, memory::TypingEnded>) {
                return "typing ends";
            } else if constexpr (std::is_same_v<T, memory::KeysBegan>) {
                std::string line = "keys begin";
                for (const auto& combination : item.combinations) line += " [" + describeCombination(combination) + "]";
                return line;
            } else if constexpr (std::is_same_v<T, memory::KeysPressed>) {
                return "press " + describeCombination(item.combination);
            } else if constexpr (std::is_same_v<T, memory::KeysEnded>) {
                return "keys end";
            } else if constexpr (std::is_same_v<T, memory::WindowActivated>) {
                return "activate " + std::to_string(item.pid) + " \"" + item.title + "\"";
            } else {
                return "other record";
            }
        },
        record);
}

inline std::vector<std::string> recordedStream() {
    std::vector<std::string> lines;
    for (const memory::Record& record : memory::desktop().records) lines.push_back(describeRecord(record));
    return lines;
}

// A pause source that answers 55555 only when asked for 30000..80000, so a
// stream line "pause 55555" shows the typing pause asked for its range.
inline void scriptTypingPause() {
    memory::desktop().random = [](std::uint32_t low, std::uint32_t high) -> std::uint32_t {
        return low == 30000 && high == 80000 ? 55555 : 0;
    };
}

// Failure messages show the operands rather than raw bytes.
inline std::string joinedOperands(const Arguments& operands) {
    std::string text;
    for (const std::string& operand : operands) text += (text.empty() ? "\"" : " \"") + operand + "\"";
    return text;
}

}  // namespace input_test
