# The Linux desktop backend, one folder per service:
#   atspi/        the accessibility service: the AT-SPI2 bus and its D-Bus
#                 calls, element records fetched in batches, roles, actions,
#                 settings, embedded documents and each toolkit's quirks;
#   x11/          the X server: its connection, synthetic input (typing,
#                 keyboard layout, input lock, interrupts), the window
#                 manager and window properties, displays, capture;
#   freedesktop/  the desktop's conventions: desktop entries, the program
#                 that opens an address in a running browser, process facts
#                 from /proc;
#   display_server.{h,cpp}  the one crossing between services: what atspi/
#                 needs from the display server (a window's place on the
#                 screen, the bus address published on the root window),
#                 answered by x11/; atspi/ and x11/ never include each other;
#   temporary_directory.cpp  $TMPDIR, else /tmp.
# Beside them: libpng for encoding (platform/png/), timing, files and
# process launching from the code shared with other POSIX systems
# (platform/posix/).
pkg_check_modules(LINUX_DESKTOP REQUIRED IMPORTED_TARGET atspi-2 gobject-2.0 glib-2.0 x11 xext xtst xrandr libpng)
set(TAVIK_LINUX_DIR ${CMAKE_CURRENT_LIST_DIR})
file(GLOB TAVIK_LINUX_SOURCES CONFIGURE_DEPENDS
  ${TAVIK_LINUX_DIR}/*.cpp ${TAVIK_LINUX_DIR}/atspi/*.cpp ${TAVIK_LINUX_DIR}/x11/*.cpp
  ${TAVIK_LINUX_DIR}/freedesktop/*.cpp ${TAVIK_LINUX_DIR}/../png/*.cpp ${TAVIK_LINUX_DIR}/../posix/*.cpp)
add_library(tavik_platform_linux OBJECT ${TAVIK_LINUX_SOURCES})
target_link_libraries(tavik_platform_linux PUBLIC tavik_core PkgConfig::LINUX_DESKTOP)

# Tests of the backend's own logic (role and action naming), linked with
# this backend rather than the in-memory desktop.
file(GLOB_RECURSE TAVIK_LINUX_TESTS CONFIGURE_DEPENDS ${TAVIK_LINUX_DIR}/../../tests/linux-unit/*.cpp)
find_package(GTest QUIET)
if(TAVIK_LINUX_TESTS AND GTest_FOUND)
  add_executable(tavik_linux_tests ${TAVIK_LINUX_TESTS})
  target_link_libraries(tavik_linux_tests PRIVATE tavik_platform_linux tavik_core GTest::gtest GTest::gtest_main)
  add_test(NAME linux-backend COMMAND tavik_linux_tests)
endif()
