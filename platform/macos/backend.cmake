# The macOS backend, one folder per service:
#   ax/      the accessibility service (ApplicationServices): elements,
#            attribute values, messaging time-outs;
#   cg/      Core Graphics: synthetic events and key codes, displays,
#            screen images (ScreenCaptureKit's screenshots, cut and put
#            together) and PNG through ImageIO;
#   appkit/  the running applications (AppKit's workspace), their bundles
#            and the frontmost one, and /usr/bin/open for an address;
#   window_manager.cpp  the one file that crosses services: windows found
#            through ax/, brought forward through appkit/, the owner of a
#            point from the window server's list;
#   cf_owned.h  Core Foundation ownership, shared by the services;
#   temporary_directory.cpp  $TMPDIR, else the user's own temporary folder.
# Timing, files and process launching from the code shared with other POSIX
# systems (platform/posix/). Objective-C++ only for the few files that need
# AppKit or ScreenCaptureKit.
enable_language(OBJCXX)
set(CMAKE_OBJCXX_STANDARD 20)
set(CMAKE_OBJCXX_STANDARD_REQUIRED ON)
set(TAVIK_MACOS_DIR ${CMAKE_CURRENT_LIST_DIR})
file(GLOB TAVIK_MACOS_SOURCES CONFIGURE_DEPENDS
  ${TAVIK_MACOS_DIR}/*.cpp ${TAVIK_MACOS_DIR}/ax/*.cpp ${TAVIK_MACOS_DIR}/cg/*.cpp ${TAVIK_MACOS_DIR}/appkit/*.cpp
  ${TAVIK_MACOS_DIR}/../posix/*.cpp)
file(GLOB TAVIK_MACOS_OBJCXX_SOURCES CONFIGURE_DEPENDS
  ${TAVIK_MACOS_DIR}/*.mm ${TAVIK_MACOS_DIR}/ax/*.mm ${TAVIK_MACOS_DIR}/cg/*.mm ${TAVIK_MACOS_DIR}/appkit/*.mm)
set_source_files_properties(${TAVIK_MACOS_OBJCXX_SOURCES} PROPERTIES COMPILE_OPTIONS "-fobjc-arc")
add_library(tavik_platform_macos OBJECT ${TAVIK_MACOS_SOURCES} ${TAVIK_MACOS_OBJCXX_SOURCES})
target_compile_options(tavik_platform_macos PRIVATE -Werror=unguarded-availability-new)
set(TAVIK_MACOS_FRAMEWORKS)
foreach(framework ApplicationServices CoreFoundation CoreGraphics ImageIO Foundation AppKit ScreenCaptureKit)
  find_library(TAVIK_${framework}_FRAMEWORK ${framework} REQUIRED)
  list(APPEND TAVIK_MACOS_FRAMEWORKS ${TAVIK_${framework}_FRAMEWORK})
endforeach()
target_link_libraries(tavik_platform_macos PUBLIC tavik_core ${TAVIK_MACOS_FRAMEWORKS})
