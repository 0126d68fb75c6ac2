#pragma once

namespace platform::atspi {

// Drops every message GLib, GObject and libatspi would log or print, so
// that nothing but the tool's JSON document reaches stdout and stderr.
// Idempotent; called before the first use of libatspi.
void silenceGlibLogging() noexcept;

}  // namespace platform::atspi
