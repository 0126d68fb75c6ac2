#include "platform/memory/memory_desktop.h"

#include <cstdio>

#include "platform/random_source.h"

namespace memory {
namespace {

Desktop* current = nullptr;

// The window of process pid titled title, or its only window.
std::optional<std::size_t> topLevelWindow(std::int32_t pid, const std::string& title) {
    const auto& windows = desktop().topLevelWindows;
    std::optional<std::size_t> only;
    std::size_t owned = 0;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (windows[i].pid != pid) continue;
        if (windows[i].title == title) return i;
        ++owned;
        only = i;
    }
    return owned == 1 ? only : std::nullopt;
}

std::string parentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

Node& Node::set(std::string name, StoredValue value) {
    for (auto& [key, stored] : attributes) {
        if (key == name) {
            stored = std::move(value);
            return *this;
        }
    }
    attributes.emplace_back(std::move(name), std::move(value));
    return *this;
}

const StoredValue* Node::find(std::string_view name) const {
    for (const auto& [key, stored] : attributes)
        if (key == name) return &stored;
    return nullptr;
}

static Node& appendTo(Node& node, const char* listName, Node& entry) {
    for (auto& [key, stored] : node.attributes) {
        if (key == listName) {
            if (auto* list = std::get_if<std::vector<Node*>>(&stored)) {
                list->push_back(&entry);
                return node;
            }
        }
    }
    return node.set(listName, std::vector<Node*>{&entry});
}

Node& Node::addChild(Node& child) { return appendTo(*this, "AXChildren", child); }
Node& Node::addWindow(Node& window) { return appendTo(*this, "AXWindows", window); }

Node& Node::setActions(std::vector<std::string> names) {
    std::vector<StoredValue> values;
    for (auto& name : names) values.emplace_back(std::move(name));
    actions = std::move(values);
    return *this;
}

Node& Node::setPosition(double x, double y) { return set("AXPosition", platform::PointValue{{x, y}}); }
Node& Node::setSize(double width, double height) {
    return set("AXSize", platform::SizeValue{{width, height}});
}

Desktop& desktop() {
    if (!current) current = new Desktop();
    return *current;
}

void resetDesktop() {
    delete current;
    current = new Desktop();
    resetPeakHandles();
}

Node& newNode() { return desktop().nodes.emplace_back(); }

Node& newElement(std::string role, std::string title) {
    Node& node = newNode();
    node.set("AXRole", std::move(role));
    if (!title.empty()) node.set("AXTitle", std::move(title));
    return node;
}

Node& addApplication(std::int32_t pid, std::optional<std::string> name, platform::ActivationPolicy policy) {
    Node& root = newElement("AXApplication");
    desktop().applications.push_back(Application{{policy, std::move(name), pid}, &root, std::nullopt});
    return root;
}

}  // namespace memory

namespace platform {

using memory::desktop;

std::vector<RunningApplication> runningApplications() {
    std::vector<RunningApplication> applications;
    for (const memory::Application& application : desktop().applications) applications.push_back(application.info);
    return applications;
}

std::optional<std::string> applicationPathForPid(std::int32_t pid) {
    for (const memory::Application& application : desktop().applications)
        if (application.info.pid == pid) return application.path;
    return std::nullopt;
}

bool canPostInput() { return desktop().inputAvailable; }

// Served here, with the input: the macOS backend's is not faked.
bool takesCharactersBeyondBmp(const Element&) { return desktop().takesCharactersBeyondBmp; }
std::string inputRefusal() { return {}; }

bool takeTypingTurn() { return true; }

std::optional<TypingFailure> beginTyping(const std::vector<std::u16string>& clusters) {
    desktop().records.emplace_back(memory::TypingBegan{clusters});
    return std::nullopt;
}

std::optional<TypingFailure> endTyping() {
    desktop().records.emplace_back(memory::TypingEnded{});
    return std::nullopt;
}

std::optional<TypingFailure> beginKeyPresses(const std::vector<KeyCombination>& combinations) {
    desktop().records.emplace_back(memory::KeysBegan{combinations});
    return desktop().keyPressFailure;
}

void postKeyCombination(const KeyCombination& combination) {
    desktop().records.emplace_back(memory::KeysPressed{combination});
}

std::optional<TypingFailure> endKeyPresses() {
    desktop().records.emplace_back(memory::KeysEnded{});
    return std::nullopt;
}

bool isWindowActive(std::int32_t pid, const std::string& title) {
    const auto window = memory::topLevelWindow(pid, title);
    return window && desktop().activeWindow == window;
}

bool activateWindow(std::int32_t pid, const std::string& title) {
    desktop().records.emplace_back(memory::WindowActivated{pid, title});
    const auto window = memory::topLevelWindow(pid, title);
    if (window && desktop().topLevelWindows[*window].activatable) desktop().activeWindow = window;
    return isWindowActive(pid, title);
}

std::optional<std::int32_t> windowOwnerAt(Point point) {
    for (const memory::TopLevelWindow& window : desktop().topLevelWindows) {
        const Rect& f = window.frame;
        if (point.x >= f.x && point.x < f.x + f.width && point.y >= f.y && point.y < f.y + f.height) return window.pid;
    }
    return std::nullopt;
}

std::string captureFailureReason() { return "macOS Screen Recording permission may be required"; }

std::optional<Image> captureScreenImage(Rect rect) {
    desktop().capturedRects.push_back(rect);
    return desktop().captureResult;
}

std::optional<std::vector<std::uint8_t>> encodePng(const Image& image) {
    if (desktop().encodeFails) return std::nullopt;
    // Not a real PNG: the signature and the size are enough for a test to
    // see which image a file holds.
    std::vector<std::uint8_t> bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    for (std::uint32_t value : {image.width, image.height})
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    return bytes;
}

std::string temporaryDirectory() { return desktop().temporaryDirectory; }

FileFailure storeNewPrivateFile(const std::string& folderPath, const std::string& name,
                                const std::vector<std::uint8_t>& bytes) {
    memory::Desktop& d = desktop();
    if (d.foreignDirectories.count(folderPath)) return "the folder " + folderPath + " does not belong to this user";
    // The missing folders on the way, nearest the root first.
    std::vector<std::string> missing;
    for (std::string at = folderPath; !at.empty() && !d.directories.count(at); at = memory::parentOf(at)) {
        if (d.files.count(at) || d.foreignDirectories.count(at)) return "the folder " + at + " is not a real directory";
        missing.insert(missing.begin(), at);
    }
    for (const std::string& folder : missing) {
        if (d.readOnlyDirectories.count(memory::parentOf(folder))) {
            return "could not create the folder " + folder + ": Read-only file system";
        }
        d.directories.insert(folder);
    }
    const std::string path = folderPath + "/" + name;
    if (d.readOnlyDirectories.count(folderPath)) return "could not write " + path + ": Read-only file system";
    if (d.files.count(path) || d.directories.count(path)) return "could not write " + path + ": File exists";
    d.files[path] = bytes;
    return std::nullopt;
}

std::string newUuidString() {
    memory::Desktop& d = desktop();
    if (!d.uuids.empty()) {
        std::string next = d.uuids.front();
        d.uuids.pop_front();
        return next;
    }
    char text[40];
    const unsigned long long n = ++d.uuidsMade;
    std::snprintf(text, sizeof text, "%08llX-%04llX-4000-8000-000000000000", 0xA0000000ULL + n * 7919ULL,
                  (n * 31ULL) & 0xFFFFULL);
    return text;
}

OpenerLookup openerCommand(std::int32_t pid, const std::string& url) {
    const auto appPath = applicationPathForPid(pid);
    if (!appPath) return {};
    for (const memory::Application& application : desktop().applications)
        if (application.info.pid == pid && !application.opensWebAddresses) return {std::nullopt, true};
    return {ProcessCommand{"/usr/bin/open", {"-a", *appPath, url}}, false};
}

LaunchResult launchProcess(const ProcessCommand& command) {
    memory::Desktop& d = desktop();
    if (d.launchError) return LaunchResult{std::nullopt, *d.launchError};
    d.records.emplace_back(memory::Launched{command});
    return LaunchResult{static_cast<std::int64_t>(d.records.size()), {}};
}

std::int32_t waitForProcessExit(std::int64_t process) {
    desktop().records.emplace_back(memory::Waited{process});
    return desktop().exitStatus;
}

std::uint64_t monotonicMicroseconds() { return desktop().clockMicroseconds; }

void sleepMicroseconds(std::uint32_t microseconds) {
    desktop().clockMicroseconds += microseconds;
    desktop().records.emplace_back(memory::Paused{microseconds});
    if (desktop().afterPause) desktop().afterPause();
}

std::uint32_t randomUniform(std::uint32_t low, std::uint32_t high) {
    if (desktop().random) return desktop().random(low, high);
    return drawUniformFromSystemSource(low, high);
}

}  // namespace platform
