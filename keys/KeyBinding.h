#pragma once
// What one programmable remote key sends. The three flags are derived from
// Modifiers whenever the editor applies its fields.
#include <cstdint>

struct KeyBinding {
    std::uint8_t Ctrl = 0;        // 0 or 1
    std::uint8_t Alt = 0;         // 0 or 1
    std::uint8_t Shift = 0;       // 0 or 1
    std::uint32_t VirtualKey = 0; // Windows virtual-key code, 0 = no key
    std::uint32_t Modifiers = 0;  // hot-key bits, see below

    static constexpr std::uint32_t kModShift = 1;
    static constexpr std::uint32_t kModCtrl = 2;
    static constexpr std::uint32_t kModAlt = 4;
    static constexpr std::uint32_t kModExt = 8;

    friend bool operator==(const KeyBinding&, const KeyBinding&) = default;
};
