// Drives the Wayland backend's operations one command at a time, printing
// what they return, for trying them against a real compositor:
//   wayland_tryout session | displays
//   wayland_tryout move X Y | release X Y | click X Y [left|right|middle] [COUNT] | drag X1 Y1 X2 Y2
//   wayland_tryout scroll DY [DX] | type TEXT | key COMBO... | pointer
//   wayland_tryout capture X Y W H FILE.png
//   wayland_tryout hold-button X Y SECONDS | hold-keys SECONDS COMBO
//   wayland_tryout keep SECONDS
//   wayland_tryout print-keymap KEYSYM... | upload-keymap FILE|us [SHIFT_KEYCODE]
// The hold commands press and wait (for trying stop signals and a killed
// client with input held). keep makes a virtual pointer and keyboard and
// waits, so the seat has devices the way a desktop with a real mouse and
// keyboard has (its pointer goes to the layout's bottom-right corner).
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "input/key_names.h"
#include "platform/capture.h"
#include "platform/linux/wayland/wayland_connection.h"
#include "platform/linux/wayland/wayland_interrupts.h"
#include "platform/linux/wayland/wayland_keyboard.h"
#include "platform/linux/wayland/wayland_platform.h"
#include "platform/timing.h"
#include "tree/unicode_text.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

namespace wl = platform::wayland;
using platform::MouseEventType;

namespace {

double number(const char* text) { return std::strtod(text, nullptr); }

void post(MouseEventType type, double x, double y, int click = 1) {
    auto event = wl::createMouseEvent(type, {x, y});
    if (!event) return;
    wl::setClickState(*event, click);
    wl::postEvent(*event);
}

void click(double x, double y, const std::string& button, int count) {
    const MouseEventType down = button == "right"    ? MouseEventType::rightMouseDown
                                : button == "middle" ? MouseEventType::otherMouseDown
                                                     : MouseEventType::leftMouseDown;
    const MouseEventType up = button == "right"    ? MouseEventType::rightMouseUp
                              : button == "middle" ? MouseEventType::otherMouseUp
                                                   : MouseEventType::leftMouseUp;
    for (int i = 1; i <= count; ++i) {
        if (i > 1) platform::sleepMicroseconds(50000);
        post(down, x, y, i);
        platform::sleepMicroseconds(50000);
        post(up, x, y, i);
    }
}

const char* failureName(const std::optional<platform::TypingFailure>& failure) {
    if (!failure) return "ok";
    return *failure == platform::TypingFailure::displayBusy ? "displayBusy" : "noFreeKey";
}

void waitSeconds(double seconds) {
    const auto end = platform::monotonicMicroseconds() + static_cast<std::uint64_t>(seconds * 1e6);
    while (platform::monotonicMicroseconds() < end) {
        wl::honourInterrupt();
        platform::sleepMicroseconds(10000);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return 2;
    const std::string& command = args[0];
    if (command == "session") {
        std::printf("session %d input %d\n", wl::sessionAvailable(), wl::canPostInput());
    } else if (command == "displays") {
        std::printf("count %u main %u\n", wl::activeDisplayCount(), wl::mainDisplayId());
        for (const auto id : wl::activeDisplayList(16)) {
            const platform::Rect r = wl::displayBounds(id);
            std::printf("%u: %g %g %g %g\n", id, r.x, r.y, r.width, r.height);
        }
    } else if (command == "move" && args.size() >= 3) {
        post(MouseEventType::mouseMoved, number(args[1].c_str()), number(args[2].c_str()));
    } else if (command == "click" && args.size() >= 3) {
        click(number(args[1].c_str()), number(args[2].c_str()), args.size() > 3 ? args[3] : "left",
              args.size() > 4 ? std::atoi(args[4].c_str()) : 1);
    } else if (command == "release" && args.size() >= 3) {
        post(MouseEventType::leftMouseUp, number(args[1].c_str()), number(args[2].c_str()));
    } else if (command == "drag" && args.size() >= 5) {
        const double x1 = number(args[1].c_str()), y1 = number(args[2].c_str());
        const double x2 = number(args[3].c_str()), y2 = number(args[4].c_str());
        post(MouseEventType::leftMouseDown, x1, y1);
        for (int step = 1; step <= 10; ++step) {
            platform::sleepMicroseconds(16000);
            post(MouseEventType::leftMouseDragged, x1 + (x2 - x1) * step / 10, y1 + (y2 - y1) * step / 10);
        }
        platform::sleepMicroseconds(16000);
        post(MouseEventType::leftMouseUp, x2, y2);
    } else if (command == "pointer") {
        const auto where = wl::pointerLocation();
        if (where)
            std::printf("%g %g\n", where->x, where->y);
        else
            std::printf("unknown\n");
    } else if (command == "scroll" && args.size() >= 2) {
        const auto event =
            wl::createScrollWheelEvent(std::atoi(args[1].c_str()), args.size() > 2 ? std::atoi(args[2].c_str()) : 0);
        if (event) wl::postEvent(*event);
    } else if (command == "type" && args.size() >= 2) {
        const auto clusters = graphemeClustersUtf16(args[1]);
        const auto refused = wl::beginTyping(clusters);
        if (refused) {
            std::printf("begin %s\n", failureName(refused));
            return 1;
        }
        for (const auto& cluster : clusters) {
            for (const bool down : {true, false}) {
                auto event = wl::createKeyboardEvent(0, down);
                if (!event) continue;
                wl::setUnicodeString(*event, cluster);
                wl::postEvent(*event);
            }
            platform::sleepMicroseconds(platform::randomUniform(30000, 80000));
        }
        std::printf("end %s\n", failureName(wl::endTyping()));
    } else if (command == "key" && args.size() >= 2) {
        std::vector<platform::KeyCombination> combinations;
        for (std::size_t i = 1; i < args.size(); ++i) {
            std::string unknown;
            const auto combination = parseKeyCombination(args[i], unknown);
            if (!combination) {
                std::printf("unknown key %s\n", unknown.c_str());
                return 1;
            }
            combinations.push_back(*combination);
        }
        const auto refused = wl::beginKeyPresses(combinations);
        if (refused) {
            std::printf("begin %s\n", failureName(refused));
            return 1;
        }
        for (const auto& combination : combinations) {
            wl::postKeyCombination(combination);
            platform::sleepMicroseconds(30000);
        }
        std::printf("end %s\n", failureName(wl::endKeyPresses()));
    } else if (command == "capture" && args.size() >= 6) {
        const platform::Rect rect{number(args[1].c_str()), number(args[2].c_str()), number(args[3].c_str()),
                                  number(args[4].c_str())};
        const auto start = platform::monotonicMicroseconds();
        const auto image = wl::captureScreenImage(rect);
        const auto took = platform::monotonicMicroseconds() - start;
        if (!image) {
            std::printf("failed: %s\n", wl::captureFailureReason().c_str());
            return 1;
        }
        const auto png = platform::encodePng(*image);
        if (!png) return 1;
        std::ofstream(args[5], std::ios::binary).write(reinterpret_cast<const char*>(png->data()), png->size());
        std::printf("%ux%u in %llu us\n", image->width, image->height, static_cast<unsigned long long>(took));
    } else if (command == "hold-button" && args.size() >= 4) {
        post(MouseEventType::leftMouseDown, number(args[1].c_str()), number(args[2].c_str()));
        std::printf("holding\n");
        std::fflush(stdout);
        waitSeconds(number(args[3].c_str()));
        post(MouseEventType::leftMouseUp, number(args[1].c_str()), number(args[2].c_str()));
    } else if (command == "hold-keys" && args.size() >= 3) {
        std::string unknown;
        const auto combination = parseKeyCombination(args[2], unknown);
        if (!combination) return 1;
        if (wl::beginKeyPresses({*combination})) return 1;
        // The held keys go down and stay down.
        const wl::Keymap& keymap = wl::currentKeymap();
        std::uint32_t modifiers = 0;
        for (const auto keysym : combination->held) {
            wl::sendKey(keymap.stroke(keysym)->keycode, true);
            modifiers |= wl::modifierMaskOf(keysym);
            wl::sendModifiers(modifiers);
        }
        wl::sendKey(keymap.stroke(combination->key)->keycode, true);
        wl::flushKeys();
        std::printf("holding\n");
        std::fflush(stdout);
        waitSeconds(number(args[1].c_str()));
        wl::endKeyPresses();
    } else if (command == "keep" && args.size() >= 2) {
        post(MouseEventType::mouseMoved, 1e6, 1e6);
        wl::beginKeyPresses({});
        wl::endKeyPresses();
        std::printf("keeping\n");
        std::fflush(stdout);
        waitSeconds(number(args[1].c_str()));
    } else if (command == "upload-keymap" && args.size() >= 2) {
        // Uploads the keymap in a file (or the standard "us" one for "us")
        // to a virtual keyboard of its own and waits a second.
        std::string text;
        if (args[1] == "us") {
            xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
            xkb_rule_names names{"evdev", "pc105", "us", "", ""};
            xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
            char* string = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
            text = string;
            free(string);
            xkb_keymap_unref(keymap);
            xkb_context_unref(context);
        } else {
            std::ifstream in(args[1]);
            text.assign(std::istreambuf_iterator<char>(in), {});
        }
        auto* connection = wl::Connection::shared();
        if (!connection) return 1;
        auto* keyboard =
            zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(connection->keyboardManager(), connection->seat());
        connection->roundtrip();
        const int file = memfd_create("keymap", MFD_CLOEXEC);
        if (write(file, text.c_str(), text.size() + 1) < 0) return 1;
        zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, file,
                                       static_cast<std::uint32_t>(text.size() + 1));
        close(file);
        zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 0, 0);
        connection->roundtrip();
        std::printf("uploaded %zu bytes\n", text.size());
        if (args.size() > 2) {  // then Shift (the modifier, and keycode KEY as Shift's key)
            const std::uint32_t key = static_cast<std::uint32_t>(std::atoi(args[2].c_str())) - 8;
            zwp_virtual_keyboard_v1_key(keyboard, wl::eventTime(), key, WL_KEYBOARD_KEY_STATE_PRESSED);
            zwp_virtual_keyboard_v1_modifiers(keyboard, 1, 0, 0, 0);
            zwp_virtual_keyboard_v1_key(keyboard, wl::eventTime(), key, WL_KEYBOARD_KEY_STATE_RELEASED);
            zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 0, 0);
            connection->roundtrip();
            std::printf("shift sent\n");
        }
        platform::sleepMicroseconds(1000000);
        zwp_virtual_keyboard_v1_destroy(keyboard);
    } else if (command == "print-keymap") {
        wl::Keymap keymap;
        std::vector<platform::KeySymbol> keysyms;
        for (std::size_t i = 1; i < args.size(); ++i)
            keysyms.push_back(static_cast<platform::KeySymbol>(std::strtoul(args[i].c_str(), nullptr, 0)));
        keymap.add(keysyms);
        std::printf("%s", keymap.text().c_str());
    } else {
        return 2;
    }
    return 0;
}
