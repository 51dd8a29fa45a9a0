// The release's version, in one place: the C++ texts, the dialog templates, the Windows version
// resource and the release archive's name (scripts/dist reads the three numbers from here).
// Macros because the resource compiler only understands the preprocessor.
#pragma once

#define MURIVO_VERSION_MAJOR 1
#define MURIVO_VERSION_MINOR 0
#define MURIVO_VERSION_PATCH 1

#define MURIVO_STRINGIFY_(x) #x
#define MURIVO_STRINGIFY(x) MURIVO_STRINGIFY_(x)
// "1.0.1"
#define MURIVO_VERSION_TEXT                                                                        \
    MURIVO_STRINGIFY(MURIVO_VERSION_MAJOR)                                                         \
    "." MURIVO_STRINGIFY(MURIVO_VERSION_MINOR) "." MURIVO_STRINGIFY(MURIVO_VERSION_PATCH)
