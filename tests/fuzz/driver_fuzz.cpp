// libFuzzer target: any argument vector, run through the driver against a
// small in-memory desktop, must give exactly one well-formed JSON document
// and status 0 or 1. The input is the arguments after the program name,
// separated by NUL bytes; this covers the argument parsers, the path
// grammar, the option rules of every command and the JSON writer.
#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

#include "main/driver.h"
#include "platform/memory/memory_desktop.h"

namespace {

// One application (pid 42) with two windows and a few elements of every
// kind the commands act on.
void scriptDesktop() {
    memory::resetDesktop();
    memory::desktop().displays = {{1, {0, 0, 1280, 800}}};
    memory::Node& application = memory::addApplication(42, "App");
    memory::Node& window = memory::newElement("AXWindow", "Main \xC3\xA9");
    window.setPosition(10, 20).setSize(640, 480);
    application.addWindow(window);
    memory::Node& button = memory::newElement("AXButton", "OK");
    button.setActions({"AXPress"}).setPosition(20, 30).setSize(80, 24);
    memory::Node& field = memory::newElement("AXTextField", "Name");
    field.set("AXValue", std::string("text")).setPosition(20, 60).setSize(200, 24);
    field.settable.insert("AXValue");
    memory::Node& group = memory::newElement("AXGroup");
    group.addChild(button).addChild(field).addChild(group);  // a cycle, too
    window.addChild(group);
    application.addWindow(memory::newElement("AXWindow", ""));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Arguments arguments{"tavik-ax"};
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(toValidUtf8(current));
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    arguments.push_back(toValidUtf8(current));

    scriptDesktop();
    const CommandResult result = runDriver(arguments);
    if (result.status != 0 && result.status != 1) __builtin_trap();
    if (result.document.find('\n') != std::string::npos) __builtin_trap();
    if (!nlohmann::json::accept(result.document)) __builtin_trap();
    return 0;
}
