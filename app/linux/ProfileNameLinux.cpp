#include "app/ProfileNamePlatform.h"

namespace remorra {

bool IsPathSeparator(char c) { return c == '/'; }

std::string PlatformProfileNameRefusal(const std::string& name) {
    // Any byte but '/' and NUL is fine; only the length is limited (NAME_MAX).
    if (name.size() + 4 > 255) return "The profile name is too long.";
    return {};
}

} // namespace remorra
