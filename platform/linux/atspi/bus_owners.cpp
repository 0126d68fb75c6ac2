#include "platform/linux/atspi/bus_owners.h"

#include <algorithm>

namespace platform::atspi {
namespace {

BusOwners& learnt() {
    static BusOwners owners;
    return owners;
}

}  // namespace

bool isUniqueName(const std::string& bus) { return bus.starts_with(':'); }

std::optional<std::string> ownerOf(const std::string& bus, const BusOwners& owners) {
    if (bus.empty()) return std::nullopt;
    if (isUniqueName(bus)) return bus;
    auto known = owners.find(bus);
    return known == owners.end() ? std::nullopt : known->second;
}

bool isSameConnection(const std::string& first, const std::string& second, const BusOwners& owners) {
    if (!first.empty() && first == second) return true;
    const auto firstOwner = ownerOf(first, owners);
    return firstOwner && firstOwner == ownerOf(second, owners);
}

const BusOwners& knownOwners() { return learnt(); }

void OwnerQuestions::ask(CallBatch& batch, const std::string& bus) {
    if (bus.empty() || isUniqueName(bus) || learnt().count(bus)) return;
    if (std::any_of(calls_.begin(), calls_.end(), [&](const auto& call) { return call.first == bus; })) return;
    const ObjectAddress busDaemon{DBUS_SERVICE_DBUS, DBUS_PATH_DBUS};
    Message call = methodCall(busDaemon, DBUS_INTERFACE_DBUS, "GetNameOwner");
    if (!appendString(call.get(), bus)) call.reset();
    calls_.emplace_back(bus, batch.add(std::move(call)));
}

void OwnerQuestions::remember(const CallBatch& batch) const {
    for (const auto& [bus, call] : calls_) {
        auto owner = readString(batch.reply(call));
        // Only a unique name can own a name; anything else is no answer.
        if (owner && !isUniqueName(*owner)) owner.reset();
        learnt()[bus] = std::move(owner);
    }
}

}  // namespace platform::atspi
