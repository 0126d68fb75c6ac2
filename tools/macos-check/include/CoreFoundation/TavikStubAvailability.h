// Availability markers of the declarations here: real ones when the
// compiler targets macOS (so -Wunguarded-availability-new checks the
// backend), nothing for the Linux compiler that builds the fake.
#pragma once

#if defined(__clang__) && defined(__APPLE__)
#define TAVIK_STUB_MACOS(since) __attribute__((availability(macos, introduced = since)))
#define TAVIK_STUB_MACOS_OBSOLETED(since, deprecatedIn, obsoletedIn, text) \
    __attribute__((availability(macos, introduced = since, deprecated = deprecatedIn, obsoleted = obsoletedIn, message = text)))
#else
#define TAVIK_STUB_MACOS(since)
#define TAVIK_STUB_MACOS_OBSOLETED(since, deprecatedIn, obsoletedIn, text)
#endif
