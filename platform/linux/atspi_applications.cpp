// The running applications: those registered on the AT-SPI2 desktop.
#include <atspi/atspi-constants.h>

#include <map>

#include "platform/accessibility.h"
#include "platform/applications.h"
#include "platform/linux/atspi_dbus.h"
#include "platform/linux/atspi_element.h"
#include "platform/linux/atspi_roles.h"

namespace platform {
namespace {

using atspi::CallBatch;
using atspi::ObjectAddress;

struct DesktopApplication {
    ObjectAddress root;
    std::int32_t pid = 0;
};

// The application roots the registry lists, in its order, each with the
// process id of the connection that owns it; applications whose process
// cannot be told are left out.
std::vector<DesktopApplication> desktopApplications() {
    const ObjectAddress desktop{ATSPI_DBUS_NAME_REGISTRY, ATSPI_DBUS_PATH_ROOT};
    atspi::Message listReply =
        atspi::callAndWait(atspi::methodCall(desktop, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetChildren"));
    auto roots = atspi::readObjectList(listReply.get());
    if (!roots) return {};

    const ObjectAddress busDaemon{DBUS_SERVICE_DBUS, DBUS_PATH_DBUS};
    CallBatch batch;
    std::vector<std::size_t> pidCalls;
    for (const ObjectAddress& root : *roots) {
        atspi::Message call = atspi::methodCall(busDaemon, DBUS_INTERFACE_DBUS, "GetConnectionUnixProcessID");
        if (!atspi::appendString(call.get(), root.bus)) call.reset();
        pidCalls.push_back(batch.add(std::move(call)));
    }
    batch.wait();

    std::vector<DesktopApplication> applications;
    for (std::size_t i = 0; i < roots->size(); ++i) {
        auto pid = atspi::readUint32(batch.reply(pidCalls[i]));
        if (!pid || *pid == 0 || *pid > 0x7fffffffU) continue;
        applications.push_back({(*roots)[i], static_cast<std::int32_t>(*pid)});
    }
    return applications;
}

}  // namespace

std::vector<RunningApplication> runningApplications() {
    std::vector<DesktopApplication> applications = desktopApplications();
    // One batch of calls for all application roots, one per application for its children.
    std::vector<ObjectAddress> addresses;
    for (const DesktopApplication& application : applications) addresses.push_back(application.root);
    std::vector<Element> rootHandles = atspi::makeSiblingElements(addresses);

    std::vector<RunningApplication> running;
    for (std::size_t i = 0; i < applications.size(); ++i) {
        const atspi::ElementRecord* record = atspi::elementRecord(rootHandles[i]);
        RunningApplication entry;
        entry.pid = applications[i].pid;
        if (record && record->name && !record->name->empty()) entry.localizedName = *record->name;
        // Regular: it shows at least one window; accessory: it has none (a
        // tray icon, a daemon with an accessible root).
        entry.policy = ActivationPolicy::accessory;
        if (record && record->children) {
            for (const Element& child : atspi::makeSiblingElements(*record->children)) {
                const atspi::ElementRecord* childRecord = atspi::elementRecord(child);
                if (childRecord && atspi::isTopLevelWindow(entry.pid, *childRecord)) {
                    entry.policy = ActivationPolicy::regular;
                    break;
                }
            }
        }
        running.push_back(std::move(entry));
    }
    return running;
}

Element createApplicationElement(std::int32_t pid) {
    ObjectAddress root;  // none: a handle on which every call fails
    for (const DesktopApplication& application : desktopApplications()) {
        if (application.pid == pid) {
            root = application.root;
            break;
        }
    }
    Element element = atspi::makeElement(std::move(root));
    element.ref()->applicationRoot = true;
    element.ref()->pid = pid;
    return element;
}

}  // namespace platform
