#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/x11/window_choice.h"

namespace {

using platform::x11::ClientWindow;
using platform::x11::onlyWindowBox;
using platform::x11::WindowBox;

// A desktop as the window manager lists it: a Java program (pid 4100) with
// its main frame and a dialog, another process showing a window of the same
// title, a program (pid 4200) with two windows of one title, a minimized
// window (pid 4300) and a window that does not say its process.
const std::vector<ClientWindow> desktop = {
    {4100, "Tavik Swing", true, {81, 110, 454, 180}},
    {4100, "Preferences", true, {300, 200, 240, 120}},
    {4999, "Tavik Swing", true, {600, 50, 454, 180}},
    {4200, "Untitled", true, {0, 0, 400, 300}},
    {4200, "Untitled", true, {40, 40, 400, 300}},
    {4300, "Minimized", false, {10, 10, 200, 100}},
    {std::nullopt, "No Process", true, {5, 5, 50, 50}},
};

TEST(X11WindowChoice, TakesOnlyTheOneViewableWindowOfTheProcessAndTitle) {
    struct Case {
        const char* what;
        std::int32_t pid;
        const char* title;
        std::optional<WindowBox> box;
    };
    const Case cases[] = {
        {"the frame among the process's windows and another's of its title", 4100, "Tavik Swing",
         WindowBox{81, 110, 454, 180}},
        {"the process's other window", 4100, "Preferences", WindowBox{300, 200, 240, 120}},
        {"the other process's window of that title", 4999, "Tavik Swing", WindowBox{600, 50, 454, 180}},
        {"two windows of one title: neither is guessed", 4200, "Untitled", std::nullopt},
        {"a window not on view", 4300, "Minimized", std::nullopt},
        {"a title no window of the process has", 4100, "Untitled", std::nullopt},
        {"a title differing in case", 4100, "tavik swing", std::nullopt},
        {"a process without windows", 5000, "Tavik Swing", std::nullopt},
        {"a window without _NET_WM_PID is no process's", 0, "No Process", std::nullopt},
        {"a negative pid", -4100, "Tavik Swing", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(onlyWindowBox(desktop, c.pid, c.title), c.box);
    }
}

// One of two same-titled windows minimized still leaves two candidates: the
// accessibility service may mean the minimized one.
TEST(X11WindowChoice, CountsWindowsNotOnViewAmongTheCandidates) {
    const std::vector<ClientWindow> windows = {
        {4100, "Tavik Swing", false, {0, 0, 454, 180}},
        {4100, "Tavik Swing", true, {81, 110, 454, 180}},
    };
    EXPECT_EQ(onlyWindowBox(windows, 4100, "Tavik Swing"), std::nullopt);
    EXPECT_EQ(onlyWindowBox({}, 4100, "Tavik Swing"), std::nullopt);
}

}  // namespace
