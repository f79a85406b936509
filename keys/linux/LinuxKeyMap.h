#pragma once
// Windows virtual-key code → X keysym and evdev key code.
#include <cstdint>

namespace remorra::keys::linux_keys {

struct LinuxKey {
    std::uint32_t keysym; // 0 = none
    std::uint16_t evdev;  // 0 = none
};

// {0, 0} for a code this platform has no key for.
LinuxKey LookupLinuxKey(std::uint8_t vk);

} // namespace remorra::keys::linux_keys
