#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

// Screen pixels through memory shared with the X server (MIT-SHM): the
// server copies them straight into our memory instead of sending megabytes
// down the connection. Only for a server on this machine (a local socket)
// that offers the extension; everything else reads through the connection.
//
// The segment is marked for removal as soon as this process has attached
// it, with the stop signals held back until then, so it disappears when the
// run ends, however it ends (the server may still attach a marked segment
// on Linux).
namespace platform::x11 {

class SharedScreenImage {
public:
    // Grabs the root window's area (inside the root) into shared memory.
    SharedScreenImage(Display* display, int x, int y, unsigned width, unsigned height);
    ~SharedScreenImage();
    SharedScreenImage(const SharedScreenImage&) = delete;
    SharedScreenImage& operator=(const SharedScreenImage&) = delete;

    // The area's pixels, valid while this object lives; nothing when shared
    // memory is not available here or the server did not fill it.
    XImage* image() const { return filled_ ? image_ : nullptr; }

private:
    bool grab(int x, int y);

    Display* display_;
    XShmSegmentInfo segment_{};
    XImage* image_ = nullptr;
    bool mapped_ = false;
    bool attached_ = false;
    bool filled_ = false;
};

}  // namespace platform::x11
