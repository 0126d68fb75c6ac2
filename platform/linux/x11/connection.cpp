#include "platform/linux/x11/connection.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <vector>

namespace platform::x11 {
namespace {

// X errors are answers to failed requests (a capture off the root, a
// keyboard mapping the server refuses); the failed request shows in its own
// result, and nothing is ever printed.
int swallowError(Display*, XErrorEvent*) { return 0; }

bool closing = false;

// Xlib ends the process after this handler when the server goes away; the
// run still ends with one document and status 1, and nothing on stderr
// (Xlib's default handler prints there). Once the answer has been printed
// and the connection is being closed, only the status remains.
int leaveQuietly(Display*) {
    if (!closing) {
        static const char document[] = "{\"error\":\"Lost the connection to the X server\"}\n";
        [[maybe_unused]] ssize_t written = write(STDOUT_FILENO, document, sizeof document - 1);
    }
    _exit(1);
}

// Closes the connection when the process ends normally: without a final
// XSync, events still in Xlib's buffer or in flight are lost when the
// process exits right after posting them.
class SharedConnection {
public:
    Display* get() {
        if (!tried_) {
            tried_ = true;
            XSetErrorHandler(swallowError);
            XSetIOErrorHandler(leaveQuietly);
            display_ = XOpenDisplay(nullptr);
        }
        return display_;
    }

    void addCleanup(void (*cleanup)()) { cleanups_.push_back(cleanup); }

    ~SharedConnection() {
        if (!display_) return;
        closing = true;
        for (auto cleanup : cleanups_) cleanup();
        XSync(display_, False);
        XCloseDisplay(display_);
    }

private:
    bool tried_ = false;
    Display* display_ = nullptr;
    std::vector<void (*)()> cleanups_;
};

SharedConnection& shared() {
    static SharedConnection instance;
    return instance;
}

}  // namespace

_XDisplay* connection() { return shared().get(); }

void atDisconnect(void (*cleanup)()) { shared().addCleanup(cleanup); }

void syncConnection() {
    if (Display* display = connection()) XSync(display, False);
}

}  // namespace platform::x11
