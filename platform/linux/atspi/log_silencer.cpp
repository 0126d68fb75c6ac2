#include "platform/linux/atspi/log_silencer.h"

#include <glib.h>

namespace platform::atspi {
namespace {

GLogWriterOutput dropStructured(GLogLevelFlags, const GLogField*, gsize, gpointer) { return G_LOG_WRITER_HANDLED; }

void dropMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

void dropPrint(const gchar*) {}

}  // namespace

void silenceGlibLogging() noexcept {
    static bool silenced = false;
    if (silenced) return;
    silenced = true;
    // Structured logging (g_warning and friends in current GLib) goes through
    // the writer; older call sites through the default handler; g_print and
    // g_printerr through their own handlers. A fatal error still aborts,
    // which is why callers never let libatspi reach one.
    g_log_set_writer_func(dropStructured, nullptr, nullptr);
    g_log_set_default_handler(dropMessage, nullptr);
    g_set_print_handler(dropPrint);
    g_set_printerr_handler(dropPrint);
}

}  // namespace platform::atspi
