# The Linux desktop backend, one folder per service:
#   atspi/        the accessibility service: the AT-SPI2 bus and its D-Bus
#                 calls, element records fetched in batches, roles, actions,
#                 settings, embedded documents and each toolkit's quirks;
#   x11/          the X server: its connection, synthetic input (typing,
#                 keyboard layout, interrupts), the window
#                 manager and window properties, displays, capture;
#   wayland/      a Wayland compositor through the wlroots protocols:
#                 virtual pointer and keyboard, outputs, screencopy capture;
#   sway/         sway's IPC: where windows are, focus, the window at a point
#                 (a Wayland client is told none of that otherwise);
#   mutter/       GNOME's compositor through its own services on the session
#                 bus: input through RemoteDesktop, the monitors through
#                 DisplayConfig, screenshots from a ScreenCast stream taken
#                 with libpipewire (frames composed as in wayland/frame.h);
#   freedesktop/  the desktop's conventions: desktop entries, the program
#                 that opens an address in a running browser, process facts
#                 from /proc;
#   display_server.{h,cpp}  the display server of the session (Wayland when
#                 a compositor answers: GNOME's or a wlroots one; else X11)
#                 and what atspi/ needs from it (a window's place on the
#                 screen, the bus address published on the root window);
#                 atspi/ never includes from
#                 the display servers' folders, nor they from atspi/;
#   input_operations.cpp, display_operations.cpp  the platform's input,
#                 display, capture and window-manager operations, each
#                 handed to x11/, to wayland/ and sway/, or to mutter/ (the
#                 active window on GNOME as atspi/ reads it);
#   input_lock, interrupted_input, mouse_buttons, pixel_box, monitor.h
#                 what the display servers' input and capture share (runs
#                 that type take turns per display or socket);
#   temporary_directory.cpp  $TMPDIR, else /tmp.
# Beside them: libpng for encoding (platform/png/), timing, files and
# process launching from the code shared with other POSIX systems
# (platform/posix/).
pkg_check_modules(LINUX_DESKTOP REQUIRED IMPORTED_TARGET atspi-2 gobject-2.0 glib-2.0 x11 xext xtst xrandr libpng
  wayland-client xkbcommon dbus-1 libpipewire-0.3)
find_package(nlohmann_json REQUIRED)
set(TAVIK_LINUX_DIR ${CMAKE_CURRENT_LIST_DIR})
file(GLOB TAVIK_LINUX_SOURCES CONFIGURE_DEPENDS
  ${TAVIK_LINUX_DIR}/*.cpp ${TAVIK_LINUX_DIR}/atspi/*.cpp ${TAVIK_LINUX_DIR}/x11/*.cpp
  ${TAVIK_LINUX_DIR}/wayland/*.cpp ${TAVIK_LINUX_DIR}/sway/*.cpp ${TAVIK_LINUX_DIR}/mutter/*.cpp
  ${TAVIK_LINUX_DIR}/freedesktop/*.cpp ${TAVIK_LINUX_DIR}/../png/*.cpp ${TAVIK_LINUX_DIR}/../posix/*.cpp)
include(${TAVIK_LINUX_DIR}/wayland/protocols.cmake)
add_library(tavik_platform_linux OBJECT ${TAVIK_LINUX_SOURCES} ${TAVIK_WAYLAND_PROTOCOL_SOURCES})
target_include_directories(tavik_platform_linux PUBLIC ${TAVIK_WAYLAND_GENERATED})
target_link_libraries(tavik_platform_linux PUBLIC tavik_core PkgConfig::LINUX_DESKTOP nlohmann_json::nlohmann_json)

# Tests of the backend's own logic (role and action naming), linked with
# this backend rather than the in-memory desktop.
file(GLOB_RECURSE TAVIK_LINUX_TESTS CONFIGURE_DEPENDS ${TAVIK_LINUX_DIR}/../../tests/linux-unit/*.cpp)
find_package(GTest QUIET)
if(TAVIK_LINUX_TESTS AND GTest_FOUND)
  add_executable(tavik_linux_tests ${TAVIK_LINUX_TESTS})
  target_link_libraries(tavik_linux_tests PRIVATE tavik_platform_linux tavik_core GTest::gtest GTest::gtest_main)
  target_compile_definitions(tavik_linux_tests PRIVATE
    TAVIK_SWAY_FIXTURES="${TAVIK_LINUX_DIR}/../../tests/linux-unit/sway/fixtures")
  add_test(NAME linux-backend COMMAND tavik_linux_tests)
endif()
