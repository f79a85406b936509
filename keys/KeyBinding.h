#pragma once
// What a programmable remote key sends, and the 25 key slots that hold those
// bindings. Toolkit-free: the profile code, the main window and the key
// dispatcher all share these definitions.
#include <array>
#include <cstddef>
#include <cstdint>

// Hot-key modifier bits as the hot-key field reports them.
enum : std::uint32_t {
    HOTKEYF_SHIFT_BIT = 1,
    HOTKEYF_CONTROL_BIT = 2,
    HOTKEYF_ALT_BIT = 4,
    HOTKEYF_EXT_BIT = 8,
};

struct KeyBinding {
    std::uint8_t m_bCtrl = 0;  // 0 or 1
    std::uint8_t m_bAlt = 0;   // 0 or 1
    std::uint8_t m_bShift = 0; // 0 or 1
    std::uint32_t m_dwVirtualKey = 0; // Windows virtual-key code, 0 = no key
    std::uint32_t m_dwModifiers = 0;  // HOTKEYF_*_BIT as they came

    // The flags always follow the modifier bits when the editor applies a field.
    static KeyBinding FromHotKey(std::uint32_t virtualKey, std::uint32_t modifiers) {
        KeyBinding b;
        b.m_dwVirtualKey = virtualKey;
        b.m_dwModifiers = modifiers;
        b.m_bCtrl = (modifiers & HOTKEYF_CONTROL_BIT) ? 1 : 0;
        b.m_bAlt = (modifiers & HOTKEYF_ALT_BIT) ? 1 : 0;
        b.m_bShift = (modifiers & HOTKEYF_SHIFT_BIT) ? 1 : 0;
        return b;
    }
    friend bool operator==(const KeyBinding&, const KeyBinding&) = default;
};

namespace remorra::keys {

// Slot positions in the main window's declaration order (not the profile
// file's load/save order, which puts Mode before Mute: see kProfileKeyOrder).
enum KeySlotIndex : std::size_t {
    SlotPower, SlotMute, SlotMode, SlotMenu, SlotCHLUp, SlotCHLDown, SlotVOLUp,
    SlotVOLDown, SlotZoom, SlotFav, SlotEPG, SlotPause, SlotRecord, SlotRecall,
    SlotSUB, SlotSNAP, SlotExit, SlotClear, SlotPlay, SlotStop, SlotReplay,
    SlotREW, SlotFWD, SlotSkip, SlotRecordedTV,
    KeySlotCount
};

struct KeySlotInfo {
    int controlId;          // hot-key field of the main window
    const char* label;      // text beside the field
    const char* profileKey; // element name in a profile file
    const char* remoteCode; // key code text the remote sends
};

// Indexed by KeySlotIndex.
inline constexpr std::array<KeySlotInfo, KeySlotCount> kKeySlots{{
    {1001, "Power/Off:", "Power", "0x84"},
    {1004, "Mute:", "Mute", "0x94"},
    {1006, "Mode:", "Mode", "0x9B"},
    {1013, "Menu:", "Menu", "0x9E"},
    {1007, "CHL+:", "CHLUp", "0x96"},
    {1008, "CHL -:", "CHLDown", "0x91"},
    {1014, "VOL+:", "VOLUp", "0x93"},
    {1015, "VOL -:", "VOLDown", "0x8C"},
    {1009, "Zoom:", "Zoom", "0x9D"},
    {1016, "Fav:", "Fav", "0x95"},
    {1010, "EPG:", "EPG", "0x9C"},
    {1017, "Pause:", "Pause", "0x98"},
    {1011, "Record:", "Record", "0x83"},
    {1018, "Back/Recall:", "Recall", "0x80"},
    {1012, "SUB:", "SUB", "0x97"},
    {1019, "SNAP:", "SNAP", "0x9A"},
    {1005, "Exit:", "Exit", "0x9F"},
    {1024, "Clear:", "Clear", "0xD4"},
    {1025, "Play:", "Play", "0xDE"},
    {1026, "Stop:", "Stop", "0xDC"},
    {1029, "Replay:", "Replay", "0xD9"},
    {1027, "REW:", "REW", "0xDB"},
    {1028, "FWD:", "FWD", "0xDA"},
    {1030, "Skip:", "Skip", "0xD8"},
    {1023, "Recorded TV:", "RecordedTV", "0xDD"},
}};

// The order in which profile files are loaded and saved.
inline constexpr std::array<KeySlotIndex, KeySlotCount> kProfileKeyOrder{{
    SlotPower, SlotMode, SlotMute, SlotMenu, SlotCHLUp, SlotCHLDown, SlotVOLUp,
    SlotVOLDown, SlotZoom, SlotFav, SlotEPG, SlotPause, SlotRecord, SlotRecall,
    SlotSUB, SlotSNAP, SlotExit, SlotClear, SlotPlay, SlotStop, SlotReplay,
    SlotREW, SlotFWD, SlotSkip, SlotRecordedTV,
}};

using KeyBindings = std::array<KeyBinding, KeySlotCount>;

} // namespace remorra::keys

// One of the main window's 25 slots: the binding its hot-key field last
// applied. The window pairs it with its own field widget.
struct KeySlot {
    remorra::keys::KeySlotIndex m_nIndex = remorra::keys::SlotPower;
    KeyBinding m_binding;
    const remorra::keys::KeySlotInfo& info() const { return remorra::keys::kKeySlots[m_nIndex]; }
};
