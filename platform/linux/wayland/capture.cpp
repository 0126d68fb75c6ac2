// Screen capture through wlr-screencopy: the part of each output that lies
// inside the requested rectangle is copied by the compositor into a shared
// memory buffer, reduced to layout units (wayland_frame.h) and placed into
// the image; what lies outside every output stays black. The cursor is
// left out.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/wayland/connection.h"
#include "platform/linux/wayland/frame.h"
#include "platform/linux/wayland/platform.h"
#include "platform/linux/wayland/proxy.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace platform::wayland {
namespace {

// A frame comes with the output's next repaint, a few milliseconds away;
// a compositor that takes this long is taken for hung.
constexpr int frameTimeoutMilliseconds = 3000;

const char* const noCapture = "the compositor offers no screen capture (wlr-screencopy)";
std::string failure = noCapture;

// A shared memory buffer the compositor writes a frame into.
class SharedBuffer {
public:
    SharedBuffer(wl_shm* shm, std::uint32_t width, std::uint32_t height, std::uint32_t stride, std::uint32_t format) {
        size_ = static_cast<std::size_t>(stride) * height;
        if (size_ == 0 || size_ > INT32_MAX) return;
        descriptor_ = memfd_create("tavik-ax-capture", MFD_CLOEXEC);
        if (descriptor_ < 0 || ftruncate(descriptor_, static_cast<off_t>(size_)) != 0) return;
        void* data = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor_, 0);
        if (data == MAP_FAILED) return;
        data_ = static_cast<std::uint8_t*>(data);
        pool_.reset(wl_shm_create_pool(shm, descriptor_, static_cast<std::int32_t>(size_)));
        if (!pool_) return;
        buffer_.reset(wl_shm_pool_create_buffer(pool_.get(), 0, static_cast<std::int32_t>(width),
                                                static_cast<std::int32_t>(height), static_cast<std::int32_t>(stride),
                                                format));
    }

    SharedBuffer(const SharedBuffer&) = delete;
    SharedBuffer& operator=(const SharedBuffer&) = delete;

    ~SharedBuffer() {
        buffer_.reset();
        pool_.reset();
        if (data_) munmap(data_, size_);
        if (descriptor_ >= 0) close(descriptor_);
    }

    wl_buffer* buffer() const { return buffer_.get(); }
    const std::uint8_t* data() const { return data_; }

private:
    int descriptor_ = -1;
    std::size_t size_ = 0;
    std::uint8_t* data_ = nullptr;
    Proxy<wl_shm_pool, wl_shm_pool_destroy> pool_;
    Proxy<wl_buffer, wl_buffer_destroy> buffer_;
};

// What the compositor says about one frame.
struct FrameEvents {
    bool offered = false;  // a wl_shm buffer was described
    std::uint32_t format = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t stride = 0;
    bool described = false;  // every buffer type was described
    bool yInverted = false;
    bool ready = false;
    bool failed = false;
};

void onBuffer(void* data, zwlr_screencopy_frame_v1*, std::uint32_t format, std::uint32_t width, std::uint32_t height,
              std::uint32_t stride) {
    auto* events = static_cast<FrameEvents*>(data);
    if (events->offered) return;
    events->offered = true;
    events->format = format;
    events->width = width;
    events->height = height;
    events->stride = stride;
}

void onFlags(void* data, zwlr_screencopy_frame_v1*, std::uint32_t flags) {
    static_cast<FrameEvents*>(data)->yInverted = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}

void onReady(void* data, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t) {
    static_cast<FrameEvents*>(data)->ready = true;
}

void onFailed(void* data, zwlr_screencopy_frame_v1*) { static_cast<FrameEvents*>(data)->failed = true; }

void onDamage(void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {}

void onDmabuf(void*, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t, std::uint32_t) {}

void onBufferDone(void* data, zwlr_screencopy_frame_v1*) { static_cast<FrameEvents*>(data)->described = true; }

const zwlr_screencopy_frame_v1_listener frameListener{onBuffer, onFlags,  onReady,     onFailed,
                                                      onDamage, onDmabuf, onBufferDone};

// One output's part of the capture, from request to pixels.
struct PartCapture {
    const Output* output = nullptr;
    PixelBox part;  // in layout pixels
    FrameEvents events;
    Proxy<zwlr_screencopy_frame_v1, zwlr_screencopy_frame_v1_destroy> frame;
    std::unique_ptr<SharedBuffer> buffer;
    std::optional<PixelOrder> order;
};

// Asks for the part of the output; false with the reason noted when it
// cannot be asked for.
bool request(Connection& connection, PartCapture& capture) {
    const Output& output = *capture.output;
    // The frame of a rotated or mirrored output comes in the output's own
    // orientation; turning it is not done here, and a picture on its side
    // would be wrong, not just incomplete.
    if (output.transform != WL_OUTPUT_TRANSFORM_NORMAL) {
        failure = "output " + output.name + " is rotated or flipped, which screen capture does not handle";
        return false;
    }
    const auto originX = static_cast<long>(output.logical.x);
    const auto originY = static_cast<long>(output.logical.y);
    capture.frame.reset(zwlr_screencopy_manager_v1_capture_output_region(
        connection.screencopyManager(), 0, output.handle, static_cast<std::int32_t>(capture.part.x0 - originX),
        static_cast<std::int32_t>(capture.part.y0 - originY), static_cast<std::int32_t>(capture.part.width()),
        static_cast<std::int32_t>(capture.part.height())));
    if (!capture.frame) return false;
    zwlr_screencopy_frame_v1_add_listener(capture.frame.get(), &frameListener, &capture.events);
    return true;
}

// Gives the compositor a buffer of the kind it described; false with the
// reason noted when the description cannot be used.
bool provideBuffer(Connection& connection, PartCapture& capture) {
    const FrameEvents& events = capture.events;
    const std::string& name = capture.output->name;
    if (events.failed || !events.offered) {
        failure = "the compositor did not capture output " + name;
        return false;
    }
    capture.order = pixelOrderOf(events.format);
    if (!capture.order || events.stride < events.width * 4 || events.width == 0 || events.height == 0) {
        failure = "the compositor captures output " + name + " in a pixel format that is not read here";
        return false;
    }
    capture.buffer =
        std::make_unique<SharedBuffer>(connection.shm(), events.width, events.height, events.stride, events.format);
    if (!capture.buffer->buffer()) {
        failure = "no shared memory for the capture of output " + name;
        return false;
    }
    zwlr_screencopy_frame_v1_copy(capture.frame.get(), capture.buffer->buffer());
    return true;
}

// Captures the parts of every output at once: all frames are asked for,
// then all buffers given, so the outputs' repaints are waited for together
// rather than one after the other.
bool captureParts(Connection& connection, std::vector<std::unique_ptr<PartCapture>>& captures) {
    for (auto& capture : captures)
        if (!request(connection, *capture)) return false;
    // Version 3 describes every buffer type and then says so; before it the
    // one wl_shm buffer is all.
    const bool waitForAll = connection.screencopyVersion() >= 3;
    const auto described = [&] {
        for (const auto& capture : captures) {
            const FrameEvents& events = capture->events;
            if (!events.failed && !(events.offered && (events.described || !waitForAll))) return false;
        }
        return true;
    };
    if (!connection.dispatchUntil(described, frameTimeoutMilliseconds)) {
        failure = "the compositor did not answer a screen capture";
        return false;
    }
    for (auto& capture : captures)
        if (!provideBuffer(connection, *capture)) return false;
    const auto finished = [&] {
        for (const auto& capture : captures)
            if (!capture->events.ready && !capture->events.failed) return false;
        return true;
    };
    if (!connection.dispatchUntil(finished, frameTimeoutMilliseconds)) {
        failure = "the compositor did not answer a screen capture";
        return false;
    }
    for (const auto& capture : captures)
        if (!capture->events.ready) {
            failure = "the compositor did not capture output " + capture->output->name;
            return false;
        }
    return true;
}

}  // namespace

std::string captureFailureReason() { return failure; }

std::optional<Image> captureScreenImage(Rect rect) {
    Connection* connection = Connection::shared();
    if (!connection || !connection->usable()) {
        failure = "no Wayland compositor answers";
        return std::nullopt;
    }
    if (!connection->screencopyManager() || !connection->shm()) {
        failure = noCapture;
        return std::nullopt;
    }
    const std::optional<PixelBox> wanted = pixelBoxOf(rect);
    if (!wanted) {
        failure = "the area to capture has no size or is out of range";
        return std::nullopt;
    }
    std::optional<Image> image = blankImageOf(*wanted);
    if (!image) {
        failure = "not enough memory for the image";
        return std::nullopt;
    }
    std::vector<std::unique_ptr<PartCapture>> captures;
    for (const Output& output : connection->outputs()) {
        const std::optional<PixelBox> area = pixelBoxOf(output.logical);
        if (!area) continue;
        const PixelBox part = intersect(*wanted, *area);
        if (part.empty()) continue;
        auto capture = std::make_unique<PartCapture>();
        capture->output = &output;
        capture->part = part;
        captures.push_back(std::move(capture));
    }
    if (!captureParts(*connection, captures)) return std::nullopt;
    for (const auto& capture : captures) {
        const FrameEvents& events = capture->events;
        drawFrame(*image, *wanted,
                  Frame{capture->buffer->data(), events.width, events.height, events.stride, *capture->order,
                        events.yInverted},
                  capture->part);
    }
    return image;
}

}  // namespace platform::wayland
