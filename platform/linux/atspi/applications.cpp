// The running applications: those registered on the AT-SPI2 desktop.
#include <atspi/atspi-constants.h>

#include <map>
#include <optional>

#include "platform/accessibility.h"
#include "platform/applications.h"
#include "platform/linux/atspi/dbus.h"
#include "platform/linux/atspi/element.h"
#include "platform/linux/atspi/roles.h"

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
// cannot be told are left out. Asked once per run: the commands that look
// up many applications would otherwise ask the registry again for each.
const std::vector<DesktopApplication>& desktopApplications() {
    static std::optional<std::vector<DesktopApplication>> known;
    if (known) return *known;
    known.emplace();
    const ObjectAddress desktop{ATSPI_DBUS_NAME_REGISTRY, ATSPI_DBUS_PATH_ROOT};
    atspi::Message listReply =
        atspi::callAndWait(atspi::methodCall(desktop, ATSPI_DBUS_INTERFACE_ACCESSIBLE, "GetChildren"));
    auto roots = atspi::readObjectList(listReply.get());
    if (!roots) return *known;

    const ObjectAddress busDaemon{DBUS_SERVICE_DBUS, DBUS_PATH_DBUS};
    CallBatch batch;
    std::vector<std::size_t> pidCalls;
    for (const ObjectAddress& root : *roots) {
        atspi::Message call = atspi::methodCall(busDaemon, DBUS_INTERFACE_DBUS, "GetConnectionUnixProcessID");
        if (!atspi::appendString(call.get(), root.bus)) call.reset();
        pidCalls.push_back(batch.add(std::move(call)));
    }
    batch.wait();

    for (std::size_t i = 0; i < roots->size(); ++i) {
        auto pid = atspi::readUint32(batch.reply(pidCalls[i]));
        if (!pid || *pid == 0 || *pid > 0x7fffffffU) continue;
        known->push_back({(*roots)[i], static_cast<std::int32_t>(*pid)});
    }
    return *known;
}

// The roots of one process, in the registry's order (a process may have
// several: one per toolkit or per connection).
std::vector<ObjectAddress> rootsOf(std::int32_t pid) {
    std::vector<ObjectAddress> roots;
    for (const DesktopApplication& application : desktopApplications()) {
        if (application.pid == pid) roots.push_back(application.root);
    }
    return roots;
}

}  // namespace

std::vector<RunningApplication> runningApplications() {
    const std::vector<DesktopApplication>& applications = desktopApplications();
    // All roots in one batch of calls, then all their children together, so
    // that applications that do not answer cost one time-out together.
    std::vector<ObjectAddress> addresses;
    for (const DesktopApplication& application : applications) addresses.push_back(application.root);
    std::vector<Element> rootHandles = atspi::makeSiblingElements(addresses);
    std::vector<ObjectAddress> children;
    std::vector<std::size_t> firstChild;  // of each root, in children
    for (const Element& root : rootHandles) {
        firstChild.push_back(children.size());
        const atspi::ElementRecord* record = atspi::elementRecord(root);
        if (record && record->children) children.insert(children.end(), record->children->begin(), record->children->end());
    }
    firstChild.push_back(children.size());
    std::vector<Element> childHandles = atspi::makeSiblingElements(children);

    // One entry per process, in the order of its first root.
    std::vector<RunningApplication> running;
    std::map<std::int32_t, std::size_t> entryOf;
    for (std::size_t i = 0; i < applications.size(); ++i) {
        const std::int32_t pid = applications[i].pid;
        auto [at, added] = entryOf.emplace(pid, running.size());
        if (added) {
            RunningApplication entry;
            entry.pid = pid;
            // Regular: it shows at least one window; accessory: it has none
            // (a tray icon, a daemon with an accessible root).
            entry.policy = ActivationPolicy::accessory;
            running.push_back(std::move(entry));
        }
        RunningApplication& entry = running[at->second];
        const atspi::ElementRecord* record = atspi::elementRecord(rootHandles[i]);
        if (!entry.localizedName && record && record->name && !record->name->empty()) entry.localizedName = *record->name;
        for (std::size_t c = firstChild[i]; c < firstChild[i + 1] && entry.policy != ActivationPolicy::regular; ++c) {
            const atspi::ElementRecord* childRecord = atspi::elementRecord(childHandles[c]);
            if (childRecord && atspi::isTopLevelWindow(pid, *childRecord)) entry.policy = ActivationPolicy::regular;
        }
    }
    return running;
}

Element createApplicationElement(std::int32_t pid) {
    std::vector<ObjectAddress> roots = rootsOf(pid);
    // No root: a handle on which every call fails.
    Element element = atspi::makeElement(roots.empty() ? ObjectAddress{} : roots.front());
    element.ref()->applicationRoot = true;
    element.ref()->pid = pid;
    if (roots.size() > 1) element.ref()->moreRoots.assign(roots.begin() + 1, roots.end());
    return element;
}

}  // namespace platform
