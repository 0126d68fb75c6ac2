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

ToolParam bounded(ToolParam p, std::int64_t minimum, std::int64_t maximum) {
    p.minimum = minimum;
    p.maximum = maximum;
    return p;
}

ToolParam atLeast(ToolParam p, std::int64_t minimum) {
    p.minimum = minimum;
    return p;
}

ToolParam choice(ToolParam p, std::vector<std::string> choices) {
    p.choices = std::move(choices);
    return p;
}

// A wait the command makes on purpose, which the call's time-out makes room for.
ToolParam waitingTime(ToolParam p) {
    p.extendsTimeout = true;
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

ToolParam addressed(ToolParam p, Addressing addressing) {
    p.addressing = addressing;
    return p;
}

// The two ways click and type name their element: a path, or a query as
// find takes it with nth to choose among several matches.
std::vector<ToolParam> elementAddress() {
    return {addressed(param("path", ParamType::String, false,
                            "Element path from snapshot, find or read_tree, such as \"0.0.2.1\" (\"0\" is the "
                            "window itself). Give either path or a query (role, label, value)."),
                      Addressing::Path),
            addressed(placed(param("role", ParamType::String, false,
                                   "Query: text the role contains, such as \"button\", \"textfield\", \"checkbox\"."),
                             Placement::Option, "--role"),
                      Addressing::Criterion),
            addressed(placed(param("label", ParamType::String, false,
                                   "Query: text the element's title, description or label contains."),
                             Placement::Option, "--label"),
                      Addressing::Criterion),
            addressed(placed(param("value", ParamType::String, false, "Query: text the element's value contains."),
                             Placement::Option, "--value"),
                      Addressing::Criterion),
            addressed(placed(atLeast(param("nth", ParamType::Integer, false,
                                           "Query: which match to take when several do, counted from 0 in find's "
                                           "order (without it, several matches are an error listing their paths)."),
                                     0),
                             Placement::Option, "--nth"),
                      Addressing::Choice),
            addressed(placed(bounded(param("depth", ParamType::Integer, false,
                                           "Query: how many levels below the window to search (default 50, as deep "
                                           "as snapshot reads)."),
                                     1, 200),
                             Placement::Option, "--depth"),
                      Addressing::Choice)};
}

std::vector<Tool> buildTable() {
    std::vector<Tool> tools;

    tools.push_back({"list_windows",
                     "List windows",
                     "List the titled windows of every running application. Returns a JSON array of "
                     "{app, pid, windowIndex, title, x, y, width, height}. Start here: pid and windowIndex "
                     "select the window for snapshot, find, click, type and screenshot.",
                     "list-windows",
                     {},
                     true,
                     false});

    tools.push_back(
        {"snapshot",
         "Snapshot of a window",
         "Read what can be seen and acted on in one window: the best first step after list_windows. Returns "
         "{snapshot, elements}: an outline with one line per element, indented by nesting, such as "
         "'- AXButton \"Run\" [0.0.2]' or '- AXTextField \"Name\" = \"Ada\" focused [0.1.0]': role, "
         "name, value after '=', states (disabled, focused, checked, mixed, selected, expanded, collapsed) and "
         "the element's path in brackets, which click and type take. Hidden elements and empty wrappers are "
         "left out unless all is true. Take a new snapshot after the window changes.",
         "snapshot",
         {pid(), windowIndex(),
          placed(bounded(param("depth", ParamType::Integer, false,
                               "How many levels below the window to read (default 50)."),
                         1, 200),
                 Placement::Option, "--depth"),
          placed(param("all", ParamType::Boolean, false,
                       "Also list hidden elements and empty wrappers, with their geometry."),
                 Placement::Flag, "--all")},
         true,
         false});

    {
        const ToolParam depth = withFallback(
            param("maxDepth", ParamType::Integer, false, "How many levels below the window to read (default 5)."),
            std::string(1, '5'));
        // read-tree takes the window index third, without an option word.
        const ToolParam window = placed(windowIndex(), Placement::Positional);
        tools.push_back({"read_tree",
                         "Read element tree",
                         "Read the accessibility element tree of one window down to maxDepth levels. Returns "
                         "nested element records with role (such as AXButton), path, title, value, "
                         "description, label, enabled, focused, x, y, width, height, actions and children. A "
                         "record's path is what click and type take. snapshot gives the same paths in a "
                         "fraction of the text; use read_tree only for geometry or every attribute.",
                         "read-tree",
                         {pid(), depth, window},
                         true,
                         false});
    }

    tools.push_back(
        {"find",
         "Find elements",
         "Search one window's elements (15 levels deep unless depth says otherwise) by role, label and "
         "value; each text given must be contained, ignoring case. Returns a JSON array of match records "
         "{role, path, title, value, x, y, width, height, actions}, empty when nothing matches. Use it "
         "for an element a snapshot left out or cut off.",
         "find",
         {pid(),
          placed(param("role", ParamType::String, false,
                       "Text the role contains, such as \"button\" (AXButton), \"textfield\", \"checkbox\"."),
                 Placement::Option, "--role"),
          placed(param("label", ParamType::String, false, "Text the element's title, description or label contains."),
                 Placement::Option, "--label"),
          placed(param("value", ParamType::String, false, "Text the element's value contains."), Placement::Option,
                 "--value"),
          windowIndex(),
          placed(bounded(param("depth", ParamType::Integer, false,
                               "How many levels deep to search (default 15; web pages often need 30 or more)."),
                         1, 200),
                 Placement::Option, "--depth"),
          waitingTime(placed(
              bounded(param("wait", ParamType::Integer, false,
                            "Milliseconds to keep searching until something matches (for elements still appearing)."),
                      0, 60000),
              Placement::Option, "--wait"))},
         true,
         false});

    {
        std::vector<ToolParam> params{pid()};
        for (ToolParam& p : elementAddress()) params.push_back(std::move(p));
        params.push_back(windowIndex());
        tools.push_back({"click",
                         "Click element",
                         "Press one element: through its accessibility press action (\"method\":\"AXPress\"), "
                         "or with a left click at its centre when it has none (\"method\":\"CGEvent\" with x "
                         "and y). Returns {success, method}, plus the element's path when it was found by query. "
                         "Start from a snapshot of the window, then name the element by its path, or by a query "
                         "(role, label, value, as find matches them) that finds and presses in one call and "
                         "keeps working when paths shift. A query matching several elements presses nothing and "
                         "lists their paths; add nth or narrow it. A centre covered by another window is not "
                         "clicked (an error says so).",
                         "click",
                         std::move(params),
                         false,
                         false});
    }

    {
        std::vector<ToolParam> params{pid()};
        for (ToolParam& p : elementAddress()) params.push_back(std::move(p));
        // After the query's options: the command takes the query form from
        // the word after the pid.
        ToolParam text = param("text", ParamType::String, true, "The text to enter.");
        text.queryOption = "--text";
        params.push_back(std::move(text));
        params.push_back(windowIndex());
        tools.push_back({"type",
                         "Type text",
                         "Focus a text element and set its text (\"method\":\"AXSetValue\", which replaces "
                         "what it held), or type the text as key presses when the value cannot be set "
                         "(\"method\":\"CGEvent\"). Returns {success, method, text}, plus the element's path "
                         "when it was found by query. Start from a snapshot of the window, then name the field "
                         "by its path, or by a query (role \"textfield\" or \"text\", its label) that finds and "
                         "types in one call. A query matching several elements types nothing and lists their "
                         "paths; add nth or narrow it.",
                         "type",
                         std::move(params),
                         false,
                         false});
    }

    tools.push_back({"click_xy",
                     "Click at a point",
                     "Click at a screen point, in the screen coordinates that list_windows and find "
                     "report: a left click, or the button and number of clicks given (right for a context "
                     "menu, count 2 to select a word). Returns {success, x, y}. Prefer click with an element "
                     "path; use this for what the element tree does not show.",
                     "click-xy",
                     {param("x", ParamType::Number, true, "Horizontal screen coordinate."),
                      param("y", ParamType::Number, true, "Vertical screen coordinate."),
                      placed(choice(param("button", ParamType::String, false, "Mouse button (default left)."),
                                    {"left", "right", "middle"}),
                             Placement::Option, "--button"),
                      placed(bounded(param("count", ParamType::Integer, false,
                                           "1 for a click, 2 for a double, 3 for a triple click (default 1)."),
                                     1, 3),
                             Placement::Option, "--count")},
                     false,
                     false});

    tools.push_back(
        {"scroll",
         "Scroll",
         "Turn the mouse wheel at the pointer's position, or at the point given as at (the "
         "pointer moves there first): a negative amount scrolls down, a positive one up (with "
         "horizontal: right and left); every started 40 units are one wheel step (-120: three "
         "steps). Returns {success, deltaY} (deltaX when horizontal).",
         "scroll",
         {param("amount", ParamType::Integer, true,
                "Scroll amount: negative down (right), positive up (left); 40 units per wheel step."),
          placed(param("horizontal", ParamType::Boolean, false, "Scroll sideways."), Placement::Flag, "--horizontal"),
          placed(
              param("at", ParamType::Point, false, "Screen point {x, y} to scroll at (default: where the pointer is)."),
              Placement::Option, "--at")},
         false,
         false});

    tools.push_back(
        {"screenshot",
         "Screenshot",
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
         true,
         true});

    tools.push_back({"navigate",
                     "Open web address",
                     "Open an http or https address in the browser that owns process pid (a new tab). "
                     "Returns {success, method, url}. Applications that do not open web addresses are "
                     "refused.",
                     "navigate",
                     {pid("Process id of the browser (from list_windows)."),
                      param("url", ParamType::String, true, "An http or https address.")},
                     false,
                     false});

    tools.push_back({"check_permission",
                     "Check accessibility permission",
                     "Tell whether the accessibility service can be used (switching it on when it is off). "
                     "Returns {trusted}. When false, no window can be listed or operated.",
                     "check-permission",
                     {},
                     true,
                     false});

    tools.push_back({"activate",
                     "Activate accessibility of an application",
                     "Switch on an application's enhanced accessibility interface, which Chromium and "
                     "Electron applications need before they show their element tree. Returns {success, "
                     "pid}. Try it when read_tree shows an empty window of such an application.",
                     "activate",
                     {pid()},
                     false,
                     false});

    // The keyboard and pointer actions beyond the element commands.
    tools.push_back({"key",
                     "Press keys",
                     "Press key combinations in order, into whatever holds the keyboard focus: [\"Return\"], "
                     "[\"ctrl+l\"], [\"Escape\", \"Down\", \"Return\"]. Names are X keysym names in any case "
                     "(Return, BackSpace, Tab, Delete, Up, Page_Up, Home, F5, a, slash) or enter, esc, del, pageup, "
                     "pagedown; modifiers ctrl, shift, alt, super are joined with +. Returns {success, keys}. An "
                     "unknown name presses nothing. To enter text into a field, type is better.",
                     "key",
                     {param("keys", ParamType::StringList, true, "Key combinations, pressed one after the other.")},
                     false,
                     false});

    tools.push_back({"move_xy",
                     "Move the pointer",
                     "Move the pointer to a screen point without clicking (hover menus, tooltips). Returns "
                     "{success, x, y}.",
                     "move-xy",
                     {param("x", ParamType::Number, true, "Horizontal screen coordinate."),
                      param("y", ParamType::Number, true, "Vertical screen coordinate.")},
                     false,
                     false});

    tools.push_back({"drag_xy",
                     "Drag",
                     "Press the left button at (x1, y1), move to (x2, y2) and release there: moves a slider, "
                     "selects text, drags an item. Returns {success, x1, y1, x2, y2}.",
                     "drag-xy",
                     {param("x1", ParamType::Number, true, "Where the drag starts, horizontally."),
                      param("y1", ParamType::Number, true, "Where the drag starts, vertically."),
                      param("x2", ParamType::Number, true, "Where the drag ends, horizontally."),
                      param("y2", ParamType::Number, true, "Where the drag ends, vertically.")},
                     false,
                     false});

    tools.push_back({"pointer",
                     "Pointer position",
                     "Tell where the pointer is. Returns {x, y} in screen coordinates.",
                     "pointer",
                     {},
                     true,
                     false});

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
