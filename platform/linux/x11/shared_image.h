#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

// Screen pixels through memory shared with the X server (MIT-SHM): the
// server copies them straight into our memory instead of sending megabytes
// down the connection. Only for a server on this machine (a local socket)
// that offers the extension; everything else reads through the connection.
//
// The segment holds a band of rows, not the whole area: a whole screen's
// worth of fresh pages cost as much to map (on both sides) as the copy
// itself, while a band is mapped once and reused while still in cache.
//
// The segment is marked for removal as soon as this process has attached
// it, with the stop signals held back until then, so it disappears when the
// run ends, however it ends (the server may still attach a marked segment
// on Linux).
namespace platform::x11 {

class SharedScreenImage {
public:
    // Room for bands of rows of the given width; unusable when shared
    // memory is not available here.
    SharedScreenImage(Display* display, unsigned width, unsigned height);
    ~SharedScreenImage();
    SharedScreenImage(const SharedScreenImage&) = delete;
    SharedScreenImage& operator=(const SharedScreenImage&) = delete;

    bool usable() const { return attached_; }

    // How many rows one grab may hold.
    unsigned bandRows() const { return bandRows_; }

    // The root window's pixels of rows rows from (x, y) (inside the root,
    // at most bandRows), valid until the next grab; nothing when the
    // server did not fill them.
    XImage* grab(int x, int y, unsigned rows);

private:
    Display* display_;
    XShmSegmentInfo segment_{};
    XImage* image_ = nullptr;
    unsigned bandRows_ = 0;
    bool mapped_ = false;
    bool attached_ = false;
};

}  // namespace platform::x11
