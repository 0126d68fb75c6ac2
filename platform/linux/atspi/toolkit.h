#pragma once

// What a toolkit does differently on the accessibility bus, told from the
// application's ToolkitName and Version. Every toolkit quirk of element
// geometry and states is decided here.

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/atspi/dbus.h"

namespace platform::atspi {

struct ToolkitQuirks {
    // GTK 4 on X11 cannot give screen coordinates: it answers every
    // extents request relative to the top-level window (and logs a warning
    // for each screen request), so positions are asked in window
    // coordinates and the window's place on the screen is added.
    bool extentsRelativeToWindow = false;
    // GTK 4 never sets SHOWING, only VISIBLE.
    bool marksShowing = true;
    // GTK 4's GetChildren leaves out notebook and stack pages, which
    // ChildCount and GetChildAtIndex count; children are asked one by one.
    bool childrenByIndex = false;
    // Java's ATK bridge stores a set text's UTF-8 bytes as Latin-1
    // characters cut to the count of code points, and AWT keeps one UTF-16
    // unit of a key's character: characters beyond U+FFFF reach a Swing
    // text neither way.
    bool takesCharactersBeyondBmp = true;
    // WebKitGTK's web process never answers Action.GetActions (the call
    // times out); its actions are counted by NActions and named one by one.
    bool listsActions = true;
};

ToolkitQuirks quirksOf(std::string_view toolkitName, std::string_view version);

// WebKitGTK's web process has no application root to ask for its toolkit:
// it is told by the page root it plugs into the browser window's web view,
// whose path lies under /org/a11y/webkit/. A plug with such a path marks
// its bus names (the name it was listed by and that name's owner) as the
// web process's.
bool isWebProcessPlug(const ObjectAddress& plug);
void rememberWebProcess(const std::string& bus);

// Calls sent along with an application's first records: its toolkit's name
// and version, asked on its root once per run.
struct ToolkitCalls {
    std::string bus;
    std::optional<std::size_t> name, version;
};
std::optional<ToolkitCalls> askToolkitOnce(CallBatch& batch, const std::string& bus);
void rememberToolkit(const CallBatch& batch, const ToolkitCalls& calls);

// The quirks of the application on this bus (none known: no quirks).
const ToolkitQuirks& applicationQuirks(const std::string& bus);

}  // namespace platform::atspi
