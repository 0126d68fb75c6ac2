# The Linux desktop backend: AT-SPI2 for the accessibility service, X11
# for input, displays and capture, libpng for encoding.
pkg_check_modules(LINUX_DESKTOP REQUIRED IMPORTED_TARGET atspi-2 gobject-2.0 glib-2.0 x11 xtst xrandr libpng)
file(GLOB TAVIK_LINUX_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_library(tavik_platform_linux OBJECT ${TAVIK_LINUX_SOURCES})
target_link_libraries(tavik_platform_linux PUBLIC tavik_core PkgConfig::LINUX_DESKTOP)
