#pragma once

namespace platform::atspi {

// Sets org.a11y.Status IsEnabled to true on the session bus, which tells
// toolkits (GTK, Qt, Chromium, Electron) to expose their trees; true when
// the bus accepted it.
bool enableAccessibilityStatus();

// Whether the accessibility bus answers: its registry of applications
// replies to a ping.
bool accessibilityBusAnswers();

}  // namespace platform::atspi
