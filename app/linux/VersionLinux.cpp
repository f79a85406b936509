#include "app/Version.h"

#if __has_include("RemorraVersion.h")
#include "RemorraVersion.h"
#endif

#include <cstdio>

std::string GetVersionString() {
#if defined(REMORRA_HAS_VERSION) && REMORRA_HAS_VERSION
    char text[64];
    std::snprintf(text, sizeof text, "Version: %d.%d.%d.%d ", REMORRA_VERSION_MAJOR + 0,
                  REMORRA_VERSION_MINOR + 0, REMORRA_VERSION_PATCH + 0, REMORRA_VERSION_TWEAK + 0);
    return text;
#else
    return {};
#endif
}
