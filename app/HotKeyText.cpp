#include "app/HotKeyText.h"

#include "keys/KeyBinding.h"
#include "keys/VirtualKeys.h"

#include <cstdio>

namespace remorra {

std::string HotKeyText(std::uint32_t virtualKey, std::uint32_t modifiers) {
    const auto vk = static_cast<std::uint8_t>(virtualKey & 0xFF);
    if (vk == 0 && (modifiers & (HOTKEYF_SHIFT_BIT | HOTKEYF_CONTROL_BIT | HOTKEYF_ALT_BIT)) == 0)
        return "None";
    std::string text;
    if (modifiers & HOTKEYF_CONTROL_BIT) text += "Ctrl + ";
    if (modifiers & HOTKEYF_SHIFT_BIT) text += "Shift + ";
    if (modifiers & HOTKEYF_ALT_BIT) text += "Alt + ";
    if (vk == 0) return text;
    if (const char* name = keys::VirtualKeyName(vk)) {
        text += name;
    } else {
        // A code from a hand-edited profile that no keyboard here produces.
        char buf[16];
        std::snprintf(buf, sizeof buf, "VK 0x%02X", vk);
        text += buf;
    }
    return text;
}

} // namespace remorra
