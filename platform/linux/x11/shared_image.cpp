#include "platform/linux/x11/shared_image.h"

#include <X11/Xutil.h>

#include <signal.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace platform::x11 {
namespace {

// A server reached over the network (a forwarded display) cannot see this
// machine's shared memory, and may even hold an unrelated segment under the
// same number.
bool connectedLocally(Display* display) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    return getsockname(ConnectionNumber(display), reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
           address.ss_family == AF_UNIX;
}

// Holds back the signals that end a run while a segment exists without
// its removal mark.
class StopSignalsHeld {
public:
    StopSignalsHeld() {
        sigset_t stops;
        sigemptyset(&stops);
        for (const int signal : {SIGTERM, SIGINT, SIGQUIT, SIGHUP}) sigaddset(&stops, signal);
        sigprocmask(SIG_BLOCK, &stops, &previous_);
    }
    ~StopSignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    StopSignalsHeld(const StopSignalsHeld&) = delete;
    StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

private:
    sigset_t previous_;
};

// A byte pattern no screen row shows. The first row of the segment holds
// it before the grab: a server that wrote somewhere else (a segment of the
// same number in another IPC namespace, as in a container that shares only
// the X socket) leaves it there, instead of passing off untouched memory as
// the picture.
std::uint8_t markByte(int i) { return static_cast<std::uint8_t>(i * 37 + 11); }

// Two MiB: a few round trips for a whole screen, and a band that stays in
// the cache between the server's copy and ours.
constexpr std::size_t bandBytes = std::size_t{2} << 20;

}  // namespace

SharedScreenImage::SharedScreenImage(Display* display, unsigned width, unsigned height) : display_(display) {
    if (!connectedLocally(display) || !XShmQueryExtension(display)) return;
    const int screen = DefaultScreen(display);
    image_ = XShmCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(DefaultDepth(display, screen)),
                             ZPixmap, nullptr, &segment_, width, 1);
    if (!image_ || image_->bytes_per_line <= 0) return;
    const auto rowBytes = static_cast<std::size_t>(image_->bytes_per_line);
    bandRows_ = static_cast<unsigned>(std::clamp<std::size_t>(bandBytes / rowBytes, 1, std::max(height, 1U)));
    const std::size_t size = rowBytes * bandRows_;
    {
        StopSignalsHeld held;
        segment_.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
        if (segment_.shmid < 0) return;
        void* address = shmat(segment_.shmid, nullptr, 0);
        shmctl(segment_.shmid, IPC_RMID, nullptr);
        if (address == reinterpret_cast<void*>(-1)) return;
        segment_.shmaddr = image_->data = static_cast<char*>(address);
        mapped_ = true;
    }
    // Maps every page at once rather than page by page on first use.
    // Without this (an older kernel) the pages are simply faulted in.
    madvise(segment_.shmaddr, size, MADV_POPULATE_WRITE);
    segment_.readOnly = False;
    // A refusal arrives as an error (swallowed by the connection's handler)
    // and makes every grab fail.
    attached_ = XShmAttach(display, &segment_);
}

XImage* SharedScreenImage::grab(int x, int y, unsigned rows) {
    if (!attached_ || rows == 0 || rows > bandRows_) return nullptr;
    image_->height = static_cast<int>(rows);
    auto* firstRow = reinterpret_cast<std::uint8_t*>(image_->data);
    const int rowBytes = image_->bytes_per_line;
    for (int i = 0; i < rowBytes; ++i) firstRow[i] = markByte(i);
    if (!XShmGetImage(display_, DefaultRootWindow(display_), image_, x, y, AllPlanes)) return nullptr;
    for (int i = 0; i < rowBytes; ++i)
        if (firstRow[i] != markByte(i)) return image_;
    return nullptr;
}

SharedScreenImage::~SharedScreenImage() {
    if (attached_) XShmDetach(display_, &segment_);
    if (mapped_) shmdt(segment_.shmaddr);
    if (image_) {
        image_->data = nullptr;  // the segment, not Xlib's to free
        XDestroyImage(image_);
    }
}

}  // namespace platform::x11
