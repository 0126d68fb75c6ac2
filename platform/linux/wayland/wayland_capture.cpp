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
#include <new>
#include <string>

#include "platform/linux/wayland/wayland_connection.h"
#include "platform/linux/wayland/wayland_frame.h"
#include "platform/linux/wayland/wayland_platform.h"
#include "platform/linux/wayland/wayland_proxy.h"
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

// Copies the part of an output (in layout pixels) into the image of the
// layout area imageArea; false with the reason noted when it fails.
bool captureOutputPart(Connection& connection, const Output& output, const PixelBox& part, Image& image,
                       const PixelBox& imageArea) {
    // The frame of a rotated or mirrored output comes in the output's own
    // orientation; turning it is not done here, and a picture on its side
    // would be wrong, not just incomplete.
    if (output.transform != WL_OUTPUT_TRANSFORM_NORMAL) {
        failure = "output " + output.name + " is rotated or flipped, which screen capture does not handle";
        return false;
    }
    const auto originX = static_cast<long>(output.logical.x);
    const auto originY = static_cast<long>(output.logical.y);
    FrameEvents events;
    const Proxy<zwlr_screencopy_frame_v1, zwlr_screencopy_frame_v1_destroy> frame(
        zwlr_screencopy_manager_v1_capture_output_region(
            connection.screencopyManager(), 0, output.handle, static_cast<std::int32_t>(part.x0 - originX),
            static_cast<std::int32_t>(part.y0 - originY), static_cast<std::int32_t>(part.width()),
            static_cast<std::int32_t>(part.height())));
    if (!frame) return false;
    zwlr_screencopy_frame_v1_add_listener(frame.get(), &frameListener, &events);
    // Version 3 describes every buffer type and then says so; before it the
    // one wl_shm buffer is all.
    const bool waitForAll = connection.screencopyVersion() >= 3;
    const bool described =
        connection.dispatchUntil([&] { return events.failed || (events.offered && (events.described || !waitForAll)); },
                                 frameTimeoutMilliseconds);
    if (!described || events.failed || !events.offered) {
        failure = "the compositor did not capture output " + output.name;
        return false;
    }
    const std::optional<PixelOrder> order = pixelOrderOf(events.format);
    if (!order || events.stride < events.width * 4 || events.width == 0 || events.height == 0) {
        failure = "the compositor captures output " + output.name + " in a pixel format that is not read here";
        return false;
    }
    const SharedBuffer buffer(connection.shm(), events.width, events.height, events.stride, events.format);
    if (!buffer.buffer()) {
        failure = "no shared memory for the capture of output " + output.name;
        return false;
    }
    zwlr_screencopy_frame_v1_copy(frame.get(), buffer.buffer());
    if (!connection.dispatchUntil([&] { return events.ready || events.failed; }, frameTimeoutMilliseconds) ||
        !events.ready) {
        failure = "the compositor did not capture output " + output.name;
        return false;
    }
    drawFrame(image, imageArea,
              Frame{buffer.data(), events.width, events.height, events.stride, *order, events.yInverted}, part);
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
    Image image;
    image.width = static_cast<std::uint32_t>(wanted->width());
    image.height = static_cast<std::uint32_t>(wanted->height());
    try {
        image.rgb.assign(static_cast<std::size_t>(image.width) * image.height * 3, 0);
    } catch (const std::bad_alloc&) {
        failure = "not enough memory for the image";
        return std::nullopt;
    }
    for (const Output& output : connection->outputs()) {
        const std::optional<PixelBox> area = pixelBoxOf(output.logical);
        if (!area) continue;
        const PixelBox part = intersect(*wanted, *area);
        if (part.empty()) continue;
        if (!captureOutputPart(*connection, output, part, image, *wanted)) return std::nullopt;
    }
    return image;
}

}  // namespace platform::wayland
