#include "app/ProfileNamePlatform.h"

#include <array>
#include <string_view>

namespace remorra {

bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

namespace {
// Names that open a device instead of a file, with any extension.
bool isDeviceName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    constexpr std::array<std::string_view, 4> plain{"CON", "PRN", "AUX", "NUL"};
    for (std::string_view d : plain)
        if (base == d) return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' &&
           base[3] <= '9';
}
} // namespace

std::string PlatformProfileNameRefusal(const std::string& name) {
    for (char c : name)
        if (std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
            return std::string("The profile name cannot contain the character '") + c + "'.";
    if (isDeviceName(name)) return "The profile name \"" + name + "\" is reserved for a device.";
    if (name.size() + 4 > 255) return "The profile name is too long.";
    return {};
}

} // namespace remorra
