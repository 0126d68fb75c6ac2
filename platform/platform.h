#pragma once

// The one interface through which the core reaches the desktop. The
// shipped binary links one backend (platform/<backend>/) that implements
// every operation declared in these headers.
#include "platform/accessibility.h"
#include "platform/applications.h"
#include "platform/capture.h"
#include "platform/displays.h"
#include "platform/element.h"
#include "platform/events.h"
#include "platform/files.h"
#include "platform/geometry.h"
#include "platform/processes.h"
#include "platform/timing.h"
#include "platform/window_manager.h"
