// The floor of reading an application's window over AT-SPI2: the fields
// `tavik-ax read-tree PID 50` reads, asked level by level with every
// element of a level asked at once before any answer is awaited, over the
// application's own D-Bus connection when it offers one. It shares nothing
// with the tool's backend, so bench/tree_workloads.py can hold read-tree's
// time against it.
//
//   tavik_floor_walk PID [--bus-only]
//
// Prints one line: elements read, milliseconds, the connection used.
// Action names come from Action.GetActions, or one by one from GetName
// where that lists them without names (Chromium), as the tool needs them.
// Status 1 when the application or its window cannot be found.

#include <dbus/dbus.h>
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr const char* accessible = "org.a11y.atspi.Accessible";
constexpr const char* rootPath = "/org/a11y/atspi/accessible/root";
constexpr const char* nullPath = "/org/a11y/atspi/null";
constexpr int callTimeoutMs = 25000;
constexpr int maxDepth = 50;

// Roles (AtspiRole) and relation types (AtspiRelationType) the walk needs.
constexpr std::uint32_t roleDialog = 16, roleFrame = 23, roleWindow = 69;
constexpr std::uint32_t relationLabelledBy = 2;

struct MessageFree {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageFree>;

// A connection the walk reads over: the accessibility bus (calls need the
// application's bus name) or the application's own (peer to peer, none).
struct Link {
    DBusConnection* connection = nullptr;
    bool peer = false;
};

struct Ref {
    const Link* link = nullptr;
    std::string bus;
    std::string path;
};

struct Element {
    Ref ref;
    int level = 0;
    std::optional<std::uint32_t> role;
    std::string name, description, text, localizedRole, label;
    std::vector<std::uint32_t> states;
    std::vector<Ref> children;
    std::optional<Ref> labelledBy;
    std::set<std::string> interfaces;
    std::optional<double> value;
    std::int32_t extents[4] = {0, 0, 0, 0};
    std::vector<std::string> actions;
};

// One round: calls sent at once, answers handled once all have arrived.
class Round {
public:
    void add(const Ref& target, const char* interface, const char* method, std::function<void(DBusMessage*)> handle,
             const std::function<void(DBusMessage*)>& arguments = {}) {
        Message call(dbus_message_new_method_call(target.link->peer ? nullptr : target.bus.c_str(),
                                                  target.path.c_str(), interface, method));
        if (!call) return;
        if (arguments) arguments(call.get());
        DBusPendingCall* pending = nullptr;
        if (!dbus_connection_send_with_reply(target.link->connection, call.get(), &pending, callTimeoutMs) ||
            !pending) {
            return;
        }
        calls_.push_back({pending, std::move(handle)});
        links_.insert(target.link->connection);
    }

    void property(const Ref& target, const char* interface, const char* name,
                  std::function<void(DBusMessage*)> handle) {
        add(target, DBUS_INTERFACE_PROPERTIES, "Get", std::move(handle), [&](DBusMessage* call) {
            dbus_message_append_args(call, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
        });
    }

    // Waits for every answer (bounded), then hands each to its handler.
    bool finish() {
        for (DBusConnection* connection : links_) dbus_connection_flush(connection);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(callTimeoutMs);
        while (true) {
            for (DBusConnection* connection : links_) {
                while (dbus_connection_get_dispatch_status(connection) == DBUS_DISPATCH_DATA_REMAINS) {
                    dbus_connection_dispatch(connection);
                }
            }
            while (done_ < calls_.size() && dbus_pending_call_get_completed(calls_[done_].first)) ++done_;
            if (done_ >= calls_.size()) break;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            std::vector<pollfd> fds;
            std::vector<DBusConnection*> polled;
            for (DBusConnection* connection : links_) {
                int fd = -1;
                if (!dbus_connection_get_unix_fd(connection, &fd)) continue;
                short events = POLLIN;
                if (dbus_connection_has_messages_to_send(connection)) events |= POLLOUT;
                fds.push_back({fd, events, 0});
                polled.push_back(connection);
            }
            if (poll(fds.data(), fds.size(), static_cast<int>(left.count())) < 0) continue;
            for (std::size_t i = 0; i < fds.size(); ++i) {
                if (fds[i].revents & (POLLHUP | POLLERR)) return false;
                if (fds[i].revents) dbus_connection_read_write(polled[i], 0);
            }
        }
        for (auto& [pending, handle] : calls_) {
            Message reply(dbus_pending_call_steal_reply(pending));
            if (reply && dbus_message_get_type(reply.get()) == DBUS_MESSAGE_TYPE_METHOD_RETURN) handle(reply.get());
            dbus_pending_call_unref(pending);
        }
        calls_.clear();
        return true;
    }

    ~Round() {
        for (auto& call : calls_) {
            dbus_pending_call_cancel(call.first);
            dbus_pending_call_unref(call.first);
        }
    }

private:
    std::vector<std::pair<DBusPendingCall*, std::function<void(DBusMessage*)>>> calls_;
    std::set<DBusConnection*> links_;
    std::size_t done_ = 0;  // the calls before this one have their answer
};

// Readers of the reply types the walk meets.
bool readBasic(DBusMessageIter* iter, int type, void* into) {
    if (dbus_message_iter_get_arg_type(iter) != type) return false;
    dbus_message_iter_get_basic(iter, into);
    return true;
}

std::string readString(DBusMessageIter* iter) {
    const char* text = nullptr;
    return readBasic(iter, DBUS_TYPE_STRING, &text) && text ? text : "";
}

// A reply whose first argument is a variant: the iterator inside it.
bool openVariant(DBusMessage* reply, DBusMessageIter* inside) {
    DBusMessageIter iter;
    if (!dbus_message_iter_init(reply, &iter) || dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_VARIANT) {
        return false;
    }
    dbus_message_iter_recurse(&iter, inside);
    return true;
}

std::string firstString(DBusMessage* reply) {
    DBusMessageIter iter;
    return dbus_message_iter_init(reply, &iter) ? readString(&iter) : "";
}

std::string variantString(DBusMessage* reply) {
    DBusMessageIter inside;
    return openVariant(reply, &inside) ? readString(&inside) : "";
}

class Walk {
public:
    Walk(const Link* bus, const Link* app, std::string appName) : bus_(bus), app_(app), appName_(std::move(appName)) {}

    // An object reference (so) at the iterator, on the connection that reaches it.
    std::optional<Ref> readRef(DBusMessageIter* iter) const {
        if (dbus_message_iter_get_arg_type(iter) != DBUS_TYPE_STRUCT) return std::nullopt;
        DBusMessageIter fields;
        dbus_message_iter_recurse(iter, &fields);
        Ref ref;
        ref.bus = readString(&fields);
        dbus_message_iter_next(&fields);
        const char* path = nullptr;
        if (!readBasic(&fields, DBUS_TYPE_OBJECT_PATH, &path) || !path || ref.bus.empty() ||
            std::strcmp(path, nullPath) == 0) {
            return std::nullopt;
        }
        ref.path = path;
        ref.link = (app_->peer && ref.bus == appName_) ? app_ : bus_;
        return ref;
    }

    std::vector<Ref> readRefs(DBusMessage* reply) const {
        std::vector<Ref> refs;
        DBusMessageIter iter, items;
        if (!dbus_message_iter_init(reply, &iter) || dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_ARRAY) {
            return refs;
        }
        for (dbus_message_iter_recurse(&iter, &items); dbus_message_iter_get_arg_type(&items) != DBUS_TYPE_INVALID;
             dbus_message_iter_next(&items)) {
            if (auto ref = readRef(&items)) refs.push_back(std::move(*ref));
        }
        return refs;
    }

    void askCommon(Round& round, Element& e) {
        round.add(e.ref, accessible, "GetRole", [&e](DBusMessage* reply) {
            DBusMessageIter iter;
            std::uint32_t role = 0;
            if (dbus_message_iter_init(reply, &iter) && readBasic(&iter, DBUS_TYPE_UINT32, &role)) e.role = role;
        });
        round.property(e.ref, accessible, "Name", [&e](DBusMessage* reply) { e.name = variantString(reply); });
        round.property(e.ref, accessible, "Description",
                       [&e](DBusMessage* reply) { e.description = variantString(reply); });
        round.add(e.ref, accessible, "GetState", [&e](DBusMessage* reply) {
            DBusMessageIter iter, words;
            if (!dbus_message_iter_init(reply, &iter) || dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_ARRAY) {
                return;
            }
            for (dbus_message_iter_recurse(&iter, &words); dbus_message_iter_get_arg_type(&words) == DBUS_TYPE_UINT32;
                 dbus_message_iter_next(&words)) {
                std::uint32_t word = 0;
                dbus_message_iter_get_basic(&words, &word);
                e.states.push_back(word);
            }
        });
        round.add(e.ref, accessible, "GetChildren", [this, &e](DBusMessage* reply) { e.children = readRefs(reply); });
        round.add(e.ref, accessible, "GetRelationSet", [this, &e](DBusMessage* reply) {
            // a(ua(so)): the first target of the first labelled-by relation.
            DBusMessageIter iter, relations;
            if (!dbus_message_iter_init(reply, &iter) || dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_ARRAY) {
                return;
            }
            for (dbus_message_iter_recurse(&iter, &relations);
                 dbus_message_iter_get_arg_type(&relations) == DBUS_TYPE_STRUCT && !e.labelledBy;
                 dbus_message_iter_next(&relations)) {
                DBusMessageIter fields, targets;
                dbus_message_iter_recurse(&relations, &fields);
                std::uint32_t type = 0;
                if (!readBasic(&fields, DBUS_TYPE_UINT32, &type) || type != relationLabelledBy) continue;
                dbus_message_iter_next(&fields);
                if (dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_ARRAY) continue;
                dbus_message_iter_recurse(&fields, &targets);
                e.labelledBy = readRef(&targets);
            }
        });
        round.add(e.ref, accessible, "GetInterfaces", [&e](DBusMessage* reply) {
            DBusMessageIter iter, names;
            if (!dbus_message_iter_init(reply, &iter) || dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_ARRAY) {
                return;
            }
            for (dbus_message_iter_recurse(&iter, &names); dbus_message_iter_get_arg_type(&names) == DBUS_TYPE_STRING;
                 dbus_message_iter_next(&names)) {
                e.interfaces.insert(readString(&names));
            }
        });
    }

    void askDetails(Round& round, Element& e) {
        if (e.interfaces.count("org.a11y.atspi.Text")) {
            round.add(
                e.ref, "org.a11y.atspi.Text", "GetText", [&e](DBusMessage* reply) { e.text = firstString(reply); },
                [](DBusMessage* call) {
                    const dbus_int32_t start = 0, end = -1;
                    dbus_message_append_args(call, DBUS_TYPE_INT32, &start, DBUS_TYPE_INT32, &end, DBUS_TYPE_INVALID);
                });
        }
        if (e.interfaces.count("org.a11y.atspi.Value")) {
            round.property(e.ref, "org.a11y.atspi.Value", "CurrentValue", [&e](DBusMessage* reply) {
                DBusMessageIter inside;
                double number = 0;
                if (openVariant(reply, &inside) && readBasic(&inside, DBUS_TYPE_DOUBLE, &number)) e.value = number;
            });
        }
        if (e.interfaces.count("org.a11y.atspi.Component")) {
            round.add(
                e.ref, "org.a11y.atspi.Component", "GetExtents",
                [&e](DBusMessage* reply) {
                    DBusMessageIter iter, box;
                    if (!dbus_message_iter_init(reply, &iter) ||
                        dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_STRUCT) {
                        return;
                    }
                    dbus_message_iter_recurse(&iter, &box);
                    for (auto& side : e.extents) {
                        readBasic(&box, DBUS_TYPE_INT32, &side);
                        dbus_message_iter_next(&box);
                    }
                },
                [](DBusMessage* call) {
                    const dbus_uint32_t screen = 0;
                    dbus_message_append_args(call, DBUS_TYPE_UINT32, &screen, DBUS_TYPE_INVALID);
                });
        }
        if (e.interfaces.count("org.a11y.atspi.Action")) {
            round.add(e.ref, "org.a11y.atspi.Action", "GetActions", [&e](DBusMessage* reply) {
                // a(sss): localized name, description, key binding.
                DBusMessageIter iter, items;
                if (!dbus_message_iter_init(reply, &iter) || dbus_message_iter_get_arg_type(&iter) != DBUS_TYPE_ARRAY) {
                    return;
                }
                for (dbus_message_iter_recurse(&iter, &items);
                     dbus_message_iter_get_arg_type(&items) == DBUS_TYPE_STRUCT; dbus_message_iter_next(&items)) {
                    DBusMessageIter fields;
                    dbus_message_iter_recurse(&items, &fields);
                    e.actions.push_back(readString(&fields));
                }
            });
        }
        if (e.labelledBy) {
            round.property(*e.labelledBy, accessible, "Name", [&e](DBusMessage* reply) { e.label = variantString(reply); });
        }
        if (e.role && askedRoles_.insert(*e.role).second) {
            round.add(e.ref, accessible, "GetLocalizedRoleName",
                      [this, &e](DBusMessage* reply) { roleNames_[*e.role] = firstString(reply); });
        }
    }

    // Chromium lists its actions without names: each is asked by index.
    // Those calls go out with the next level's first round.
    void askActionNames(Round& round, Element& e) {
        for (std::size_t index = 0; index < e.actions.size(); ++index) {
            if (!e.actions[index].empty()) continue;
            round.add(
                e.ref, "org.a11y.atspi.Action", "GetName",
                [&e, index](DBusMessage* reply) { e.actions[index] = firstString(reply); },
                [index](DBusMessage* call) {
                    const auto at = static_cast<dbus_int32_t>(index);
                    dbus_message_append_args(call, DBUS_TYPE_INT32, &at, DBUS_TYPE_INVALID);
                });
        }
    }

    // Reads the tree under the window level by level; the number of
    // elements read, or nothing when an answer did not come.
    std::optional<std::size_t> read(const Ref& window) {
        std::vector<std::unique_ptr<Element>> level, previous;
        level.push_back(std::make_unique<Element>());
        level.back()->ref = window;
        std::size_t count = 0;
        for (int depth = 0; !level.empty() || !previous.empty(); ++depth) {
            Round common;
            for (auto& e : previous) askActionNames(common, *e);
            for (auto& e : level) askCommon(common, *e);
            if (!common.finish()) return std::nullopt;
            if (level.empty()) break;
            Round details;
            for (auto& e : level) askDetails(details, *e);
            if (!details.finish()) return std::nullopt;
            count += level.size();
            std::vector<std::unique_ptr<Element>> next;
            if (depth < maxDepth) {
                for (auto& e : level) {
                    for (Ref& child : e->children) {
                        next.push_back(std::make_unique<Element>());
                        next.back()->ref = std::move(child);
                        next.back()->level = depth + 1;
                    }
                }
            }
            previous = std::move(level);
            level = std::move(next);
        }
        return count;
    }

private:
    const Link* bus_;
    const Link* app_;
    std::string appName_;
    std::set<std::uint32_t> askedRoles_;
    std::map<std::uint32_t, std::string> roleNames_;
};

Message callAndWait(DBusConnection* connection, const char* destination, const char* path, const char* interface,
                    const char* method, const char* argument = nullptr) {
    Message call(dbus_message_new_method_call(destination, path, interface, method));
    if (!call) return nullptr;
    if (argument) dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &argument, DBUS_TYPE_INVALID);
    Message reply(dbus_connection_send_with_reply_and_block(connection, call.get(), callTimeoutMs, nullptr));
    if (reply && dbus_message_get_type(reply.get()) != DBUS_MESSAGE_TYPE_METHOD_RETURN) return nullptr;
    return reply;
}

DBusConnection* openBus(const std::string& address, bool registerName) {
    DBusConnection* connection = dbus_connection_open_private(address.c_str(), nullptr);
    if (!connection) return nullptr;
    if (registerName && !dbus_bus_register(connection, nullptr)) {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
        return nullptr;
    }
    return connection;
}

void closeBus(DBusConnection* connection) {
    if (!connection) return;
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
}

int fail(const char* what) {
    std::printf("floor walk failed: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: tavik_floor_walk PID [--bus-only]\n");
        return 2;
    }
    const auto pid = static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10));
    const bool busOnly = argc > 2 && std::strcmp(argv[2], "--bus-only") == 0;
    const auto start = std::chrono::steady_clock::now();

    DBusConnection* session = dbus_bus_get_private(DBUS_BUS_SESSION, nullptr);
    if (!session) return fail("no session bus");
    dbus_connection_set_exit_on_disconnect(session, false);
    Message addressReply = callAndWait(session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress");
    const std::string busAddress = addressReply ? firstString(addressReply.get()) : "";
    closeBus(session);
    if (busAddress.empty()) return fail("no accessibility bus");
    DBusConnection* a11y = openBus(busAddress, true);
    if (!a11y) return fail("cannot connect to the accessibility bus");
    Link bus{a11y, false};

    // The application: the registry's child whose bus name belongs to pid.
    Ref desktop{&bus, "org.a11y.atspi.Registry", rootPath};
    std::vector<Ref> applications;
    {
        Round round;
        Walk reader(&bus, &bus, "");
        round.add(desktop, accessible, "GetChildren",
                  [&](DBusMessage* reply) { applications = reader.readRefs(reply); });
        if (!round.finish()) return fail("the registry did not answer");
    }
    std::optional<Ref> appRoot;
    {
        Round round;
        Ref daemon{&bus, DBUS_SERVICE_DBUS, DBUS_PATH_DBUS};
        for (const Ref& application : applications) {
            round.add(
                daemon, DBUS_INTERFACE_DBUS, "GetConnectionUnixProcessID",
                [&, application](DBusMessage* reply) {
                    DBusMessageIter iter;
                    std::uint32_t owner = 0;
                    if (!appRoot && dbus_message_iter_init(reply, &iter) &&
                        readBasic(&iter, DBUS_TYPE_UINT32, &owner) && owner == pid) {
                        appRoot = application;
                    }
                },
                [name = application.bus](DBusMessage* call) {
                    const char* text = name.c_str();
                    dbus_message_append_args(call, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID);
                });
        }
        if (!round.finish()) return fail("the bus did not answer");
    }
    if (!appRoot) return fail("no application with this pid");

    // The application's own connection, when it offers one.
    Link app{a11y, false};
    std::string via = "bus";
    if (!busOnly) {
        Message reply = callAndWait(a11y, appRoot->bus.c_str(), appRoot->path.c_str(), "org.a11y.atspi.Application",
                                    "GetApplicationBusAddress");
        const std::string address = reply ? firstString(reply.get()) : "";
        if (!address.empty()) {
            if (DBusConnection* peer = openBus(address, false)) {
                dbus_connection_set_exit_on_disconnect(peer, false);
                app = Link{peer, true};
                via = "app";
            } else {
                via = "bus (the application's address did not connect)";
            }
        } else {
            via = "bus (the application offers no address)";
        }
    }

    Walk walk(&bus, &app, appRoot->bus);
    Ref root = *appRoot;
    root.link = app.peer ? &app : &bus;

    // Its first window: the first child of the application root that is a frame, window or dialog.
    std::vector<Ref> tops;
    {
        Round round;
        round.add(root, accessible, "GetChildren", [&](DBusMessage* reply) { tops = walk.readRefs(reply); });
        if (!round.finish()) return fail("the application did not answer");
    }
    std::vector<std::uint32_t> roles(tops.size(), 0);
    {
        Round round;
        for (std::size_t i = 0; i < tops.size(); ++i) {
            round.add(tops[i], accessible, "GetRole", [&roles, i](DBusMessage* reply) {
                DBusMessageIter iter;
                if (dbus_message_iter_init(reply, &iter)) readBasic(&iter, DBUS_TYPE_UINT32, &roles[i]);
            });
        }
        if (!round.finish()) return fail("the application did not answer");
    }
    std::optional<Ref> window;
    for (std::size_t i = 0; i < tops.size() && !window; ++i) {
        if (roles[i] == roleFrame || roles[i] == roleWindow || roles[i] == roleDialog) window = tops[i];
    }
    if (!window) return fail("the application has no window");

    const auto count = walk.read(*window);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (app.peer) closeBus(app.connection);
    closeBus(a11y);
    if (!count) return fail("an answer did not come in time");
    std::printf("%zu elements in %.1f ms over %s\n", *count, ms, via.c_str());
    return 0;
}
