#pragma once

// Which children of an element are its own.
//
// An application lists its children as object references, and nothing
// keeps it from listing another application's objects: the desktop, or any
// application's window. Followed, they would have the tool press and type
// into an application other than the one it was asked to act on. A child
// on another bus than its parent is therefore kept only when it names that
// parent as its own (its Parent property): a socket and its plug in
// another process (WebKitGTK's web process inside its browser window) do,
// while no application can make another's objects claim it. Buses are
// compared by the connection that owns them (see bus_owners.h): the same
// process may list, and be named, by a well-known name or its unique one.

#include <optional>
#include <vector>

#include "platform/linux/atspi/bus_owners.h"
#include "platform/linux/atspi/element.h"

namespace platform::atspi {

// Whether child, listed by parent, is one of parent's children, given the
// parent the child names (nothing when it names none or could not be
// asked) and the owners of the names involved. A child on the parent's
// connection always is; the registry's desktop never is.
bool isOwnChild(const ObjectAddress& parent, const ObjectAddress& child, const std::optional<ObjectAddress>& claimedParent,
                const BusOwners& owners);

// Whether the parent the child names has to be asked before following it:
// the child is not known to be on the parent's connection.
bool needsParentCheck(const ObjectAddress& parent, const ObjectAddress& child, const BusOwners& owners);

// Drops from the loaded records the children that are not their parent's
// own; their Parent properties, and the owners of the well-known names
// involved, are asked together in one batch, and only for children on
// another bus name than their parent.
void dropForeignChildren(const std::vector<ElementRef*>& elements);

}  // namespace platform::atspi
