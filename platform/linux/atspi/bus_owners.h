#pragma once

// Which connection answers for a bus name.
//
// An object is addressed by a bus name, and one connection may go by
// several: its unique name (":1.42") and well-known names it holds.
// WebKitGTK's web process hands out its page's root under a well-known
// name and the rest of the page under its unique name, and points back
// with the unique one, so two names are the same application when the
// bus daemon says one connection owns both.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/atspi/dbus.h"

namespace platform::atspi {

// The owners of the well-known names asked so far, by name; a name the bus
// daemon knew no owner for (or that could not be asked) has none.
using BusOwners = std::map<std::string, std::optional<std::string>>;

bool isUniqueName(const std::string& bus);

// The unique name of the connection answering for `bus`: the name itself
// when unique, else its owner as far as `owners` knows it.
std::optional<std::string> ownerOf(const std::string& bus, const BusOwners& owners);

// Whether both names are answered by the same connection: the same name,
// or one owner known for both.
bool isSameConnection(const std::string& first, const std::string& second, const BusOwners& owners);

// The owners this run has learnt (each well-known name is asked once per run).
const BusOwners& knownOwners();

// Asks the bus daemon, in `batch`, for the owners of those of these names
// that are well-known and not asked before in this run; remember() takes
// the answers once the batch is done.
class OwnerQuestions {
public:
    void ask(CallBatch& batch, const std::string& bus);
    void remember(const CallBatch& batch) const;
    bool empty() const { return calls_.empty(); }

private:
    std::vector<std::pair<std::string, std::size_t>> calls_;
};

}  // namespace platform::atspi
