#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

#include "accessibility/applications.h"
#include "accessibility/attributes.h"
#include "platform/timing.h"

// How long one walk may take: an application that answers every call just
// within its time-out must not keep a run going for minutes. The backend
// waits for no call past its own budget a little beyond this, so the run
// ends within 30 s.
inline constexpr std::uint64_t kWalkTimeLimitMicroseconds = 26000000;

// The deepest --depth that find and snapshot take, and their answer to any
// other value.
inline constexpr std::int64_t kLargestDepthOption = 200;
inline constexpr const char* depthOptionMessage = "--depth takes a whole number from 1 to 200";

// The answer when an application's tree could not be read in time.
inline std::string notResponding(std::int32_t pid) {
    return "Application not responding (pid " + std::to_string(pid) + ")";
}

// The answer when no window was found: an application that stopped
// answering is not said to have none.
inline std::string windowNotFound(std::int32_t pid) {
    if (platform::stoppedAnswering(getAppElement(pid))) return notResponding(pid);
    return "Window not found";
}

enum class WalkEnd {
    completed,
    stopped,   // the visitor ended it
    timedOut,  // the application did not finish answering in time
};

// A visitor that declares `static constexpr bool skipsRepeats = true` is
// not shown an element that is already on the current path (a child list
// leading back to an ancestor): the search would otherwise go round the
// cycle to its depth limit, multiplying at every level.
template <typename Visitor>
concept SkipsRepeats = Visitor::skipsRepeats;

// The depth-first walk that the tree dump and the search share. It nests
// with an explicit stack, so no input can exhaust the call stack, and it
// holds only the child lists along the current path: each child is
// released as soon as its subtree is done.
//
// The visitor is told, for every element reached (depth <= maxDepth):
//   bool enter(const Element& element, std::int64_t depth, const std::string& path)
//       before anything else about the element; false ends the walk;
//   void descend(std::int64_t depth)
//       when the element has children and depth < maxDepth, before them;
//   void leave(std::int64_t depth, bool descended)
//       once its subtree is done.
// Children are fetched at every element entered, also at maxDepth.
// A walk that runs out of time ends as timedOut.
template <typename Visitor>
WalkEnd walkTree(const platform::Element& root, std::int64_t depth, std::int64_t maxDepth, std::string path,
                 Visitor& visitor) {
    if (maxDepth < depth) return WalkEnd::completed;
    const std::uint64_t deadline = platform::monotonicMicroseconds() + kWalkTimeLimitMicroseconds;

    struct Level {
        std::vector<platform::Element> children;
        std::size_t next = 0;         // the position of the next child to walk
        std::size_t pathLength = 0;   // the length of the parent's path
    };
    std::vector<Level> levels;

    auto visit = [&](const platform::Element& element, std::int64_t elementDepth) {
        if (!visitor.enter(element, elementDepth, path)) return false;
        std::vector<platform::Element> children = getChildren(element);
        if (children.empty() || elementDepth >= maxDepth) {
            visitor.leave(elementDepth, false);
            return true;
        }
        visitor.descend(elementDepth);
        levels.push_back(Level{std::move(children), 0, path.size()});
        return true;
    };

    // Whether the element is the root or the element being walked at one of the levels.
    auto onPath = [&](const platform::Element& element) {
        if (platform::isSameElement(element, root)) return true;
        for (std::size_t i = 0; i + 1 < levels.size(); ++i) {
            const Level& level = levels[i];
            if (level.next > 0 && platform::isSameElement(element, level.children[level.next - 1])) return true;
        }
        return false;
    };

    if (!visit(root, depth)) return WalkEnd::stopped;
    while (!levels.empty()) {
        if (platform::monotonicMicroseconds() > deadline) return WalkEnd::timedOut;
        Level& level = levels.back();
        const std::int64_t parentDepth = depth + static_cast<std::int64_t>(levels.size()) - 1;
        if (level.next > 0) level.children[level.next - 1] = platform::Element();
        if (level.next == level.children.size()) {
            path.resize(level.pathLength);
            levels.pop_back();
            visitor.leave(parentDepth, true);
            continue;
        }
        const std::size_t position = level.next++;
        path.resize(level.pathLength);
        path.push_back('.');
        char digits[24];
        path.append(digits, std::to_chars(digits, digits + sizeof digits, position).ptr);
        // The child lives in its list's heap buffer, which stays put when
        // visit grows the stack (moving a Level moves the buffer pointer).
        const platform::Element& child = level.children[position];
        if constexpr (SkipsRepeats<Visitor>) {
            if (onPath(child)) continue;
        }
        if (!visit(child, parentDepth + 1)) return WalkEnd::stopped;
    }
    return WalkEnd::completed;
}
