#include "platform/linux/mutter/pipewire_frame.h"

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <cstring>
#include <memory>

#include "platform/timing.h"

namespace platform::mutter {
namespace {

// libpipewire's library state: set up once, with its log off (it writes
// warnings to stderr by default).
void initialisePipewire() {
    static const bool done = [] {
        pw_init(nullptr, nullptr);
        pw_log_set_level(SPA_LOG_LEVEL_NONE);
        return true;
    }();
    (void)done;
}

struct LoopDeleter {
    void operator()(pw_main_loop* loop) const { pw_main_loop_destroy(loop); }
};
struct ContextDeleter {
    void operator()(pw_context* context) const { pw_context_destroy(context); }
};
struct CoreDeleter {
    void operator()(pw_core* core) const { pw_core_disconnect(core); }
};
struct StreamDeleter {
    void operator()(pw_stream* stream) const { pw_stream_destroy(stream); }
};

struct Capture {
    pw_stream* stream = nullptr;
    std::optional<wayland::PixelOrder> order;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool formatRefused = false;
    bool failed = false;
    std::string error;
    std::optional<StreamFrame> frame;
};

std::optional<wayland::PixelOrder> orderOf(std::uint32_t format) {
    switch (format) {
        case SPA_VIDEO_FORMAT_BGRx:
        case SPA_VIDEO_FORMAT_BGRA: return wayland::PixelOrder::bgrx;
        case SPA_VIDEO_FORMAT_RGBx:
        case SPA_VIDEO_FORMAT_RGBA: return wayland::PixelOrder::rgbx;
        default: return std::nullopt;
    }
}

void onParamChanged(void* data, std::uint32_t id, const spa_pod* param) {
    auto* capture = static_cast<Capture*>(data);
    if (id != SPA_PARAM_Format || !param) return;
    spa_video_info_raw info{};
    if (spa_format_video_raw_parse(param, &info) < 0) {
        capture->formatRefused = true;
        return;
    }
    capture->order = orderOf(info.format);
    capture->width = info.size.width;
    capture->height = info.size.height;
    if (!capture->order) capture->formatRefused = true;
}

void onStateChanged(void* data, pw_stream_state, pw_stream_state state, const char* error) {
    auto* capture = static_cast<Capture*>(data);
    if (state != PW_STREAM_STATE_ERROR) return;
    capture->failed = true;
    capture->error = error ? error : "";
}

// Copies the first buffer that holds a whole picture. Mutter also sends
// buffers without pixels (only a pointer update, or a frame it marked
// corrupted); those are given back and waited past.
void onProcess(void* data) {
    auto* capture = static_cast<Capture*>(data);
    pw_buffer* buffer = pw_stream_dequeue_buffer(capture->stream);
    if (!buffer) return;
    const spa_buffer* contents = buffer->buffer;
    if (!capture->frame && capture->order && contents->n_datas > 0 && contents->datas[0].data &&
        contents->datas[0].chunk) {
        const spa_data& plane = contents->datas[0];
        const spa_chunk& chunk = *plane.chunk;
        const std::uint32_t stride = chunk.stride > 0 ? static_cast<std::uint32_t>(chunk.stride) : capture->width * 4;
        const std::uint64_t needed = static_cast<std::uint64_t>(stride) * capture->height;
        const bool whole = !(chunk.flags & SPA_CHUNK_FLAG_CORRUPTED) && chunk.size > 0 &&
                           stride >= capture->width * 4 && chunk.offset <= plane.maxsize &&
                           needed <= plane.maxsize - chunk.offset && capture->width > 0 && capture->height > 0;
        if (whole) {
            StreamFrame frame;
            const auto* start = static_cast<const std::uint8_t*>(plane.data) + chunk.offset;
            frame.pixels.assign(start, start + needed);
            frame.width = capture->width;
            frame.height = capture->height;
            frame.stride = stride;
            frame.order = *capture->order;
            capture->frame = std::move(frame);
        }
    }
    pw_stream_queue_buffer(capture->stream, buffer);
}

pw_stream_events streamEvents() {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = onStateChanged;
    events.param_changed = onParamChanged;
    events.process = onProcess;
    return events;
}

// The formats offered: raw video in the 32-bit orders frame.h reads, of
// any size. Without a modifier property the producer uses shared memory.
const spa_pod* formatOffer(spa_pod_builder& builder) {
    spa_pod_frame object{};
    spa_pod_frame choice{};
    spa_pod_builder_push_object(&builder, &object, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
    spa_pod_builder_prop(&builder, SPA_FORMAT_mediaType, 0);
    spa_pod_builder_id(&builder, SPA_MEDIA_TYPE_video);
    spa_pod_builder_prop(&builder, SPA_FORMAT_mediaSubtype, 0);
    spa_pod_builder_id(&builder, SPA_MEDIA_SUBTYPE_raw);
    spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_format, 0);
    spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Enum, 0);
    // An enumeration's first value is its default.
    for (const std::uint32_t format : {SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                                       SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA})
        spa_pod_builder_id(&builder, format);
    spa_pod_builder_pop(&builder, &choice);
    spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_size, 0);
    spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Range, 0);
    spa_pod_builder_rectangle(&builder, 1280, 1024);
    spa_pod_builder_rectangle(&builder, 1, 1);
    spa_pod_builder_rectangle(&builder, 16384, 16384);
    spa_pod_builder_pop(&builder, &choice);
    return static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &object));
}

}  // namespace

std::optional<StreamFrame> takeFrame(std::uint32_t node, int timeoutMs, std::string& failure) {
    initialisePipewire();
    const std::unique_ptr<pw_main_loop, LoopDeleter> loop(pw_main_loop_new(nullptr));
    if (!loop) {
        failure = "PipeWire could not be set up";
        return std::nullopt;
    }
    const std::unique_ptr<pw_context, ContextDeleter> context(
        pw_context_new(pw_main_loop_get_loop(loop.get()), nullptr, 0));
    if (!context) {
        failure = "PipeWire could not be set up";
        return std::nullopt;
    }
    const std::unique_ptr<pw_core, CoreDeleter> core(pw_context_connect(context.get(), nullptr, 0));
    if (!core) {
        failure = "PipeWire does not answer (the screen-cast stream comes through the user's PipeWire daemon)";
        return std::nullopt;
    }
    Capture capture;
    const std::unique_ptr<pw_stream, StreamDeleter> stream(pw_stream_new(
        core.get(), "tavik-ax screenshot",
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture", PW_KEY_MEDIA_ROLE, "Screen",
                          nullptr)));
    if (!stream) {
        failure = "PipeWire could not make a stream";
        return std::nullopt;
    }
    capture.stream = stream.get();
    static const pw_stream_events events = streamEvents();
    spa_hook listener{};
    pw_stream_add_listener(stream.get(), &listener, &events, &capture);

    std::uint8_t space[1024];
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, space, sizeof space);
    const spa_pod* offer = formatOffer(builder);
    const auto flags = static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS);
    if (pw_stream_connect(stream.get(), PW_DIRECTION_INPUT, node, flags, &offer, 1) < 0) {
        failure = "PipeWire could not connect to the screen-cast stream";
        spa_hook_remove(&listener);
        return std::nullopt;
    }
    pw_loop* eventLoop = pw_main_loop_get_loop(loop.get());
    const std::uint64_t deadline = monotonicMicroseconds() + static_cast<std::uint64_t>(timeoutMs) * 1000;
    pw_loop_enter(eventLoop);
    while (!capture.frame && !capture.failed && !capture.formatRefused) {
        const std::uint64_t now = monotonicMicroseconds();
        if (now >= deadline) break;
        pw_loop_iterate(eventLoop, static_cast<int>((deadline - now + 999) / 1000));
    }
    pw_loop_leave(eventLoop);
    pw_stream_disconnect(stream.get());
    spa_hook_remove(&listener);
    if (capture.frame) return std::move(capture.frame);
    if (capture.formatRefused)
        failure = "the screen-cast stream offers no pixel format that is read here";
    else if (capture.failed)
        failure = "the screen-cast stream failed" + (capture.error.empty() ? "" : ": " + capture.error);
    else
        failure = "the screen-cast stream gave no frame in time";
    return std::nullopt;
}

}  // namespace platform::mutter
