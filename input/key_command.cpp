#include "input/key_command.h"

#include <string>
#include <vector>

#include "input/input_guards.h"
#include "input/key_names.h"
#include "input/synthetic_input.h"

namespace {

constexpr const char* keyUsage = "Usage: tavik-ax key <combo> [<combo>...]";

}  // namespace

CommandResult runKey(const Arguments& arguments) {
    if (arguments.size() < 3) return errorExit(keyUsage);
    // Every name is checked before anything is pressed.
    std::vector<platform::KeyCombination> combinations;
    JsonArray keys;
    for (std::size_t i = 2; i < arguments.size(); ++i) {
        std::string unknownName;
        const auto combination = parseKeyCombination(arguments[i], unknownName);
        if (!combination) return errorExit("Unknown key: " + unknownName);
        combinations.push_back(*combination);
        keys.emplace_back(arguments[i]);
    }
    if (!platform::canPostInput()) return errorExit(noInputMessage());
    if (const auto failed = pressKeyCombinations(combinations)) return errorExit(*failed);
    JsonObject result;
    result.set("success", true);
    result.set("keys", JsonValue(std::move(keys)));
    return completed(json(result));
}
