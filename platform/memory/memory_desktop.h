#pragma once

// The in-memory desktop: a backend that tests and benchmarks script in a
// few lines. It holds applications, element trees whose attributes can be
// any kind of value or a failing call, displays, a capture result, a small
// file system and a process launcher, and it records every event posted,
// every pause taken and every action or setting made. Nothing sleeps.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/platform.h"

namespace memory {

struct Node;

// An attribute call that fails with a non-zero code.
struct Failure {};

// What an attribute of a scripted element holds.
using StoredValue = std::variant<std::string, std::int64_t, double, bool, platform::PointValue,
                                 platform::SizeValue, platform::OtherValue, Node*, std::vector<Node*>,
                                 Failure>;

// One scripted element. Children are the "AXChildren" attribute, so a
// child may be an ancestor (a cycle) or the attribute may fail.
struct Node {
    std::vector<std::pair<std::string, StoredValue>> attributes;
    // The action names; nothing makes the call fail.
    std::optional<std::vector<StoredValue>> actions;
    bool actionSucceeds = true;
    // Attributes whose setting succeeds (the stored value then changes).
    std::set<std::string, std::less<>> settable;

    Node& set(std::string name, StoredValue value);
    const StoredValue* find(std::string_view name) const;
    // Appends to "AXChildren" (creating the list).
    Node& addChild(Node& child);
    // Appends to "AXWindows" (creating the list).
    Node& addWindow(Node& window);
    Node& setActions(std::vector<std::string> names);
    Node& setPosition(double x, double y);
    Node& setSize(double width, double height);
};

struct Application {
    platform::RunningApplication info;
    Node* root = nullptr;                  // nothing: every call on its root fails
    std::optional<std::string> path;       // its bundle or executable path
    bool opensWebAddresses = true;         // it declares it opens web addresses
};

struct Posted {
    platform::Event event;
};
struct Paused {
    std::uint32_t microseconds = 0;
};
struct Performed {
    Node* node = nullptr;
    std::string action;
};
struct AttributeSet {
    Node* node = nullptr;
    std::string attribute;
    std::optional<std::string> text;  // the value when it was a text
    std::optional<bool> flag;         // the value when it was a Boolean
    bool succeeded = false;
};
struct TypingBegan {
    std::vector<std::u16string> clusters;
};
struct TypingEnded {};
struct KeysBegan {
    std::vector<platform::KeyCombination> combinations;
};
struct KeysPressed {
    platform::KeyCombination combination;
};
struct KeysEnded {};
struct Launched {
    platform::ProcessCommand command;
};
struct Waited {
    std::int64_t process = 0;
};
struct WindowActivated {
    std::int32_t pid = 0;
    std::string title;
};
using Record = std::variant<Posted, Paused, Performed, AttributeSet, TypingBegan, TypingEnded, KeysBegan, KeysPressed,
                            KeysEnded, Launched, Waited, WindowActivated>;

// A top-level window as the window system sees it.
struct TopLevelWindow {
    std::int32_t pid = 0;
    std::string title;
    platform::Rect frame;
    bool activatable = true;  // the window manager makes it active on request
};

struct Desktop {
    std::deque<Node> nodes;  // stable addresses for the whole test
    std::vector<Application> applications;

    bool trusted = true;
    std::vector<bool> trustQueries;  // the prompt flag of each trust query

    // Event creation: the creations (counted from 0 over all three kinds)
    // whose numbers are listed here yield no event.
    std::set<std::size_t> failingCreations;
    std::size_t creations = 0;

    // Whether synthetic input has a stream to go to.
    bool inputAvailable = true;
    // Where the pointer is (moved by every mouse event posted); nothing:
    // it cannot be read.
    std::optional<platform::Point> pointer = platform::Point{0, 0};
    // What beginKeyPresses answers.
    std::optional<platform::TypingFailure> keyPressFailure;
    // The top-level windows, topmost first, and the active one (its
    // position in that list).
    std::vector<TopLevelWindow> topLevelWindows;
    std::optional<std::size_t> activeWindow;

    // The clock: moved by every pause, and by tests (a slow application).
    std::uint64_t clockMicroseconds = 0;
    // Every attribute read moves the clock by this much.
    std::uint64_t microsecondsPerRead = 0;
    // Called after every pause (a test changes the desktop as time passes).
    std::function<void()> afterPause;
    // The applications let a call time out.
    bool stoppedAnswering = false;
    // The applications keep characters beyond U+FFFF of the texts they get.
    bool takesCharactersBeyondBmp = true;

    // The typing pause source; unset draws from the real system source.
    std::function<std::uint32_t(std::uint32_t, std::uint32_t)> random;

    std::vector<Record> records;

    // Displays: identifier and bounds, in list order.
    std::vector<std::pair<platform::DisplayId, platform::Rect>> displays;
    platform::DisplayId mainDisplay = 1;
    platform::Rect mainDisplayFallback{};  // bounds of a main display not in the list
    std::size_t displayListQueries = 0;

    // Capture and encoding.
    std::optional<platform::Image> captureResult = platform::Image{1, 1, {0, 0, 0}};
    std::vector<platform::Rect> capturedRects;
    bool encodeFails = false;

    // Files: existing directories, directories that refuse new entries,
    // written files.
    std::string temporaryDirectory = "/mem/tmp";
    std::set<std::string> directories{"/mem/tmp"};
    std::set<std::string> readOnlyDirectories;
    // Directories that accept files but are not this user's private ones
    // (another user's folder, or a link planted in its place).
    std::set<std::string> foreignDirectories;
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::deque<std::string> uuids;  // next UUIDs; when empty, fresh distinct ones
    std::size_t uuidsMade = 0;

    // Processes.
    std::optional<std::string> launchError;  // set: every launch fails with it
    std::int32_t exitStatus = 0;
};

// The current desktop, and a fresh empty one (call at the start of a test).
Desktop& desktop();
void resetDesktop();

// A new element of the current desktop.
Node& newNode();
// A new element with a role and a title (the title only when not empty).
Node& newElement(std::string role, std::string title = "");

// Adds a running application and returns its root.
Node& addApplication(std::int32_t pid, std::optional<std::string> name,
                     platform::ActivationPolicy policy = platform::ActivationPolicy::regular);

// Element references now alive, and the most alive at any one time since
// the last resetPeakHandles().
long liveHandles();
long peakHandles();
void resetPeakHandles();

// The node behind a handle (nothing for a dead handle).
Node* nodeOf(const platform::Element& element);

// The records of one kind, in order.
template <typename T>
std::vector<T> recordsOf() {
    std::vector<T> found;
    for (const Record& record : desktop().records)
        if (const T* item = std::get_if<T>(&record)) found.push_back(*item);
    return found;
}

}  // namespace memory
