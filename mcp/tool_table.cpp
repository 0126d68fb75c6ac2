#include "mcp/tool_table.h"

#include <algorithm>

namespace {

ToolParam param(std::string name, ParamType type, bool required, std::string description) {
    ToolParam p;
    p.name = std::move(name);
    p.type = type;
    p.required = required;
    p.description = std::move(description);
    return p;
}

// A positional parameter given the fallback text when left out before a later one.
ToolParam withFallback(ToolParam p, std::string fallback) {
    p.fallback = std::move(fallback);
    return p;
}

ToolParam placed(ToolParam p, Placement placement, std::string option = {}) {
    p.placement = placement;
    p.option = std::move(option);
    return p;
}

ToolParam pid(std::string description = "Process id of the application (from list_windows).") {
    return param("pid", ParamType::Integer, true, std::move(description));
}

ToolParam windowIndex() {
    return placed(param("windowIndex", ParamType::Integer, false,
                        "The window's windowIndex from list_windows (default 0, the first window)."),
                  Placement::Option, "--window");
}

ToolParam elementPath() {
    return param("path", ParamType::String, true,
                 "Element path from find or read_tree, such as \"0.0.2.1\" (\"0\" is the window itself).");
}

std::vector<Tool> buildTable() {
    std::vector<Tool> tools;

    tools.push_back({"list_windows", "List windows",
                     "List the titled windows of every running application. Returns a JSON array of "
                     "{app, pid, windowIndex, title, x, y, width, height}. Start here: pid and windowIndex "
                     "select the window for read_tree, find, click, type and screenshot.",
                     "list-windows", {}, true, false});

    {
        const ToolParam depth = withFallback(
            param("maxDepth", ParamType::Integer, false, "How many levels below the window to read (default 5)."),
            std::string(1, '5'));
        // read-tree takes the window index third, without an option word.
        const ToolParam window = placed(windowIndex(), Placement::Positional);
        tools.push_back({"read_tree", "Read element tree",
                         "Read the accessibility element tree of one window down to maxDepth levels. Returns "
                         "nested element records with role (such as AXButton), path, title, value, "
                         "description, label, enabled, focused, x, y, width, height, actions and children. A "
                         "record's path is what click and type take. To reach one control, find is quicker "
                         "than reading the whole tree.",
                         "read-tree", {pid(), depth, window}, true, false});
    }

    tools.push_back(
        {"find", "Find elements",
         "Search one window's elements (15 levels deep) by role, label and value; each text given must be "
         "contained, ignoring case. Returns a JSON array of match records {role, path, title, value, x, y, "
         "width, height, actions}, empty when nothing matches. Use it before click or type to learn an "
         "element's path.",
         "find",
         {pid(),
          placed(param("role", ParamType::String, false,
                       "Text the role contains, such as \"button\" (AXButton), \"textfield\", \"checkbox\"."),
                 Placement::Option, "--role"),
          placed(param("label", ParamType::String, false,
                       "Text the element's title, description or label contains."),
                 Placement::Option, "--label"),
          placed(param("value", ParamType::String, false, "Text the element's value contains."),
                 Placement::Option, "--value"),
          windowIndex()},
         true, false});

    tools.push_back({"click", "Click element",
                     "Press one element: through its accessibility press action (\"method\":\"AXPress\"), or "
                     "with a left click at its centre when it has none (\"method\":\"CGEvent\" with x and y). "
                     "Returns {success, method}. A centre covered by another window is not clicked (an "
                     "error says so). Learn the path with find first; paths change when the window changes.",
                     "click", {pid(), elementPath(), windowIndex()}, false, false});

    tools.push_back({"type", "Type text",
                     "Focus a text element and set its text (\"method\":\"AXSetValue\", which replaces what "
                     "it held), or type the text as key presses when the value cannot be set "
                     "(\"method\":\"CGEvent\"). Returns {success, method, text}. Learn the path with find "
                     "first (role \"text\").",
                     "type",
                     {pid(), elementPath(), param("text", ParamType::String, true, "The text to enter."),
                      windowIndex()},
                     false, false});

    tools.push_back({"click_xy", "Click at a point",
                     "Left-click at a screen point, in the screen coordinates that list_windows and find "
                     "report. Returns {success, x, y}. Prefer click with an element path; use this for what "
                     "the element tree does not show.",
                     "click-xy",
                     {param("x", ParamType::Number, true, "Horizontal screen coordinate."),
                      param("y", ParamType::Number, true, "Vertical screen coordinate.")},
                     false, false});

    tools.push_back({"scroll", "Scroll",
                     "Turn the mouse wheel at the pointer's current position: a negative amount scrolls "
                     "down, a positive one up; every started 40 units are one wheel step (-120: three steps "
                     "down). Returns {success, deltaY}.",
                     "scroll",
                     {param("amount", ParamType::Integer, true,
                            "Scroll amount: negative down, positive up; 40 units per wheel step.")},
                     false, false});

    tools.push_back(
        {"screenshot", "Screenshot",
         "Capture the whole screen, or with pid one window's area, into a new PNG file. Returns the "
         "document {success, path, scope, x, y, width, height} as text and the picture as image content. "
         "Set downscale to receive the picture at most 1280 pixels on its long side (the file keeps the "
         "full size).",
         "screenshot",
         {param("pid", ParamType::Integer, false, "Process id whose window to capture (default: the whole screen)."),
          windowIndex(),
          placed(param("downscale", ParamType::Boolean, false,
                       "Scale the returned picture down to at most 1280 pixels on its long side."),
                 Placement::Server)},
         true, true});

    tools.push_back({"navigate", "Open web address",
                     "Open an http or https address in the browser that owns process pid (a new tab). "
                     "Returns {success, method, url}. Applications that do not open web addresses are "
                     "refused.",
                     "navigate",
                     {pid("Process id of the browser (from list_windows)."),
                      param("url", ParamType::String, true, "An http or https address.")},
                     false, false});

    tools.push_back({"check_permission", "Check accessibility permission",
                     "Tell whether the accessibility service can be used (switching it on when it is off). "
                     "Returns {trusted}. When false, no window can be listed or operated.",
                     "check-permission", {}, true, false});

    tools.push_back({"activate", "Activate accessibility of an application",
                     "Switch on an application's enhanced accessibility interface, which Chromium and "
                     "Electron applications need before they show their element tree. Returns {success, "
                     "pid}. Try it when read_tree shows an empty window of such an application.",
                     "activate", {pid()}, false, false});

    return tools;
}

}  // namespace

const std::vector<Tool>& toolTable() {
    static const std::vector<Tool> table = buildTable();
    return table;
}

const Tool* findTool(std::string_view name) {
    const auto& table = toolTable();
    const auto found = std::find_if(table.begin(), table.end(), [&](const Tool& tool) { return tool.name == name; });
    return found == table.end() ? nullptr : &*found;
}
