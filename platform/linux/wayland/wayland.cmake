# Input, displays and capture on a Wayland session through the wlroots
# protocols (virtual pointer, virtual keyboard, screencopy) and xdg-output.
# Included from the Linux backend after tavik_platform_linux is defined;
# defines the object library tavik_platform_wayland and, with GoogleTest,
# the tests of its own logic (tavik_wayland_tests, ctest name
# linux-wayland). A program that uses it links tavik_platform_wayland
# directly, beside tavik_platform_linux (objects of an object library reach
# only the targets that link it directly). The protocol glue is generated
# from the XML files vendored beside this file.
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client xkbcommon)
pkg_get_variable(TAVIK_WAYLAND_SCANNER wayland-scanner wayland_scanner)
if(NOT TAVIK_WAYLAND_SCANNER)
  find_program(TAVIK_WAYLAND_SCANNER wayland-scanner REQUIRED)
endif()

set(TAVIK_WAYLAND_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TAVIK_WAYLAND_GENERATED ${CMAKE_BINARY_DIR}/generated/wayland-protocols)
file(MAKE_DIRECTORY ${TAVIK_WAYLAND_GENERATED})
set(TAVIK_WAYLAND_PROTOCOL_SOURCES)
foreach(protocol
    wlr-virtual-pointer-unstable-v1
    virtual-keyboard-unstable-v1
    wlr-screencopy-unstable-v1
    xdg-output-unstable-v1)
  set(xml ${TAVIK_WAYLAND_DIR}/protocols/${protocol}.xml)
  set(header ${TAVIK_WAYLAND_GENERATED}/${protocol}-client-protocol.h)
  set(code ${TAVIK_WAYLAND_GENERATED}/${protocol}-protocol.c)
  add_custom_command(OUTPUT ${header}
    COMMAND ${TAVIK_WAYLAND_SCANNER} client-header ${xml} ${header}
    DEPENDS ${xml} VERBATIM)
  add_custom_command(OUTPUT ${code}
    COMMAND ${TAVIK_WAYLAND_SCANNER} private-code ${xml} ${code}
    DEPENDS ${xml} VERBATIM)
  list(APPEND TAVIK_WAYLAND_PROTOCOL_SOURCES ${header} ${code})
endforeach()

file(GLOB TAVIK_WAYLAND_SOURCES CONFIGURE_DEPENDS ${TAVIK_WAYLAND_DIR}/*.cpp)
add_library(tavik_platform_wayland OBJECT ${TAVIK_WAYLAND_SOURCES} ${TAVIK_WAYLAND_PROTOCOL_SOURCES})
target_include_directories(tavik_platform_wayland PUBLIC ${TAVIK_WAYLAND_DIR}/../../.. ${TAVIK_WAYLAND_GENERATED})
target_link_libraries(tavik_platform_wayland PUBLIC tavik_core PkgConfig::WAYLAND_CLIENT)

# The tests of the backend's pure logic (keymap text, layout, wheel steps,
# frame conversion). The backend's objects call the shared POSIX timing and
# the input lock of the Linux backend, so they link with it.
file(GLOB TAVIK_WAYLAND_TESTS CONFIGURE_DEPENDS ${TAVIK_WAYLAND_DIR}/../../../tests/linux-unit/wayland/*.cpp)
find_package(GTest QUIET)
if(TAVIK_WAYLAND_TESTS AND GTest_FOUND AND TARGET tavik_platform_linux)
  add_executable(tavik_wayland_tests ${TAVIK_WAYLAND_TESTS})
  target_link_libraries(tavik_wayland_tests PRIVATE tavik_platform_wayland tavik_platform_linux tavik_core
    GTest::gtest GTest::gtest_main)
  add_test(NAME linux-wayland COMMAND tavik_wayland_tests)
endif()
