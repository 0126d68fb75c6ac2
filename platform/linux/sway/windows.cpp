#include "platform/linux/sway/windows.h"

#include <chrono>
#include <thread>

#include <nlohmann/json.hpp>

#include "platform/linux/sway/ipc.h"

namespace platform::sway {
namespace {

// sway is given this long to focus a window.
constexpr int focusPolls = 50;
constexpr std::chrono::milliseconds focusPollInterval{20};

// Whether every command of a RUN_COMMAND reply succeeded.
bool commandsSucceeded(const std::string& reply) {
    const auto results = nlohmann::json::parse(reply, nullptr, false);
    if (!results.is_array() || results.empty()) return false;
    for (const auto& result : results) {
        if (!result.is_object()) return false;
        const auto success = result.find("success");
        if (success == result.end() || !success->is_boolean() || !success->get<bool>()) return false;
    }
    return true;
}

bool focused(std::int64_t id) {
    for (const Window& window : windows())
        if (window.id == id) return window.focused;
    return false;
}

}  // namespace

bool available() { return request(MessageType::GetVersion).has_value(); }

std::vector<Window> windows() {
    const auto reply = request(MessageType::GetTree);
    if (!reply) return {};
    return parseTree(*reply);
}

std::optional<ContentOrigin> topLevelContentOrigin(std::int32_t pid, const std::string& title, std::int32_t width,
                                                   std::int32_t height) {
    return contentOriginAmong(windows(), pid, title, width, height);
}

std::optional<Rectangle> topLevelContent(std::int32_t pid, const std::string& title, std::int32_t width,
                                         std::int32_t height) {
    return contentAmong(windows(), pid, title, width, height);
}

bool isWindowActive(std::int32_t pid, const std::string& title) {
    const auto window = windowNamed(windows(), pid, title);
    return window && window->focused;
}

bool activateWindow(std::int32_t pid, const std::string& title) {
    const auto window = windowNamed(windows(), pid, title);
    if (!window) return false;
    if (window->focused) return true;
    // By container id: the title never becomes part of a command, so no
    // title can be mistaken for criteria syntax.
    const auto reply = request(MessageType::RunCommand, "[con_id=" + std::to_string(window->id) + "] focus");
    if (!reply || !commandsSucceeded(*reply)) return false;
    for (int poll = 0; poll < focusPolls; ++poll) {
        if (focused(window->id)) return true;
        std::this_thread::sleep_for(focusPollInterval);
    }
    return focused(window->id);
}

std::optional<std::int32_t> windowOwnerAt(Point point) { return ownerAmong(windows(), point); }

}  // namespace platform::sway
