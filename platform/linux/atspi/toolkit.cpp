#include "platform/linux/atspi/toolkit.h"

#include <atspi/atspi-constants.h>

#include <map>

namespace platform::atspi {
namespace {

struct KnownToolkit {
    bool asked = false;
    bool webProcess = false;
    ToolkitQuirks quirks;
};

void addWebProcessQuirks(ToolkitQuirks& quirks) { quirks.listsActions = false; }

std::map<std::string, KnownToolkit>& toolkits() {
    static std::map<std::string, KnownToolkit> known;
    return known;
}

DBusMessage* replyTo(const CallBatch& batch, const std::optional<std::size_t>& call) {
    return call ? batch.reply(*call) : nullptr;
}

}  // namespace

ToolkitQuirks quirksOf(std::string_view toolkitName, std::string_view version) {
    ToolkitQuirks quirks;
    if (toolkitName == "GTK" && version.starts_with("4.")) {
        quirks.extentsRelativeToWindow = true;
        quirks.marksShowing = false;
        quirks.childrenByIndex = true;
    }
    if (toolkitName == "J2SE-access-bridge") quirks.takesCharactersBeyondBmp = false;
    return quirks;
}

std::optional<ToolkitCalls> askToolkitOnce(CallBatch& batch, const std::string& bus) {
    KnownToolkit& known = toolkits()[bus];
    if (known.asked) return std::nullopt;
    known.asked = true;
    const ObjectAddress root{bus, ATSPI_DBUS_PATH_ROOT};
    ToolkitCalls calls{bus, {}, {}};
    calls.name = batch.add(propertyGet(root, ATSPI_DBUS_INTERFACE_APPLICATION, "ToolkitName"));
    calls.version = batch.add(propertyGet(root, ATSPI_DBUS_INTERFACE_APPLICATION, "Version"));
    return calls;
}

void rememberToolkit(const CallBatch& batch, const ToolkitCalls& calls) {
    const auto name = readVariantString(replyTo(batch, calls.name));
    const auto version = readVariantString(replyTo(batch, calls.version));
    KnownToolkit& known = toolkits()[calls.bus];
    known.quirks = quirksOf(name.value_or(""), version.value_or(""));
    if (known.webProcess) addWebProcessQuirks(known.quirks);
}

bool isWebProcessPlug(const ObjectAddress& plug) { return plug.path.starts_with("/org/a11y/webkit/"); }

void rememberWebProcess(const std::string& bus) {
    KnownToolkit& known = toolkits()[bus];
    known.webProcess = true;
    addWebProcessQuirks(known.quirks);
}

const ToolkitQuirks& applicationQuirks(const std::string& bus) {
    static const ToolkitQuirks none;
    auto known = toolkits().find(bus);
    return known == toolkits().end() ? none : known->second.quirks;
}

}  // namespace platform::atspi
