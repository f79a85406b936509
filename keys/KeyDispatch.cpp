#include "keys/KeyDispatch.h"

#include "keys/VirtualKeys.h"

#include <array>
#include <cstring>

using namespace remorra::keys;

namespace {

enum class Op : std::uint8_t { End, Down, Up, Pause };
struct Step {
    Op op;
    std::uint8_t value;
};
using Sequence = std::array<Step, 12>;

constexpr Step D(std::uint8_t vk) { return {Op::Down, vk}; }
constexpr Step U(std::uint8_t vk) { return {Op::Up, vk}; }
constexpr Step P(std::uint8_t ms) { return {Op::Pause, ms}; }
constexpr Sequence Tap(std::uint8_t vk, std::uint8_t ms) { return {D(vk), P(ms), U(vk)}; }
// K1↓ 10 K2↓ 10 K2↑ 10 K1↑: the plain one-modifier shortcut.
constexpr Sequence Chord(std::uint8_t mod, std::uint8_t vk) {
    return {D(mod), P(10), D(vk), P(10), U(vk), P(10), U(mod)};
}
// Ctrl↓ 10 Shift↓ 10 K↓ 10 K↑ 10 Shift↑ 10 Ctrl↑.
constexpr Sequence CtrlShift(std::uint8_t vk) {
    return {D(VkControl), P(10), D(VkShift), P(10), D(vk), P(10), U(vk), P(10), U(VkShift), P(10), U(VkControl)};
}
constexpr Sequence kNothing{};

enum class Mce : std::uint8_t { Send, Toggle };
enum class Profile : std::uint8_t { Same, Binding, Power };

struct Row {
    const char* code;
    Mce mce;
    Sequence sequence; // the Media Center strokes; also the fixed profile strokes
    Profile profile;
    KeySlotIndex slot; // for Profile::Binding
};

constexpr Row Fixed(const char* code, Sequence s) { return {code, Mce::Send, s, Profile::Same, SlotPower}; }
constexpr Row Bound(const char* code, Sequence s, KeySlotIndex slot) {
    return {code, Mce::Send, s, Profile::Binding, slot};
}

// Record and Pause release Ctrl before the letter; the other Ctrl rows do not.
constexpr std::array<Row, 42> kRows{{
    Bound("0x80", Tap(VkBack, 20), SlotRecall),
    Fixed("0x81", Tap(VkUp, 10)),
    Fixed("0x82", Tap(VkRight, 10)),
    Bound("0x83", Sequence{D(VkControl), P(10), D(VkR), U(VkControl), U(VkR)}, SlotRecord),
    {"0x84", Mce::Toggle, kNothing, Profile::Power, SlotPower},
    Fixed("0x85", Tap(VkNumpad3, 10)),
    Fixed("0x86", Tap(VkNumpad2, 10)),
    Fixed("0x87", Tap(VkNumpad1, 10)),
    Fixed("0x88", Tap(VkDown, 10)),
    Fixed("0x89", Tap(VkNumpad6, 10)),
    Fixed("0x8A", Tap(VkNumpad5, 10)),
    Fixed("0x8B", Tap(VkNumpad4, 10)),
    Bound("0x8C", Tap(VkF9, 20), SlotVOLDown),
    Fixed("0x8D", Tap(VkNumpad9, 10)),
    Fixed("0x8E", Tap(VkNumpad8, 10)),
    Fixed("0x8F", Tap(VkNumpad7, 10)),
    Fixed("0x90", Tap(VkLeft, 10)),
    Bound("0x91", Tap(VkNext, 10), SlotCHLDown),
    Fixed("0x92", Tap(VkNumpad0, 10)),
    Bound("0x93", Tap(VkF10, 20), SlotVOLUp),
    Bound("0x94", Tap(VkF8, 10), SlotMute),
    Bound("0x95", kNothing, SlotFav),
    Bound("0x96", Tap(VkPrior, 10), SlotCHLUp),
    Bound("0x97", kNothing, SlotSUB),
    Bound("0x98", Sequence{D(VkControl), P(10), D(VkP), P(10), U(VkControl), P(10), U(VkP)}, SlotPause),
    Fixed("0x99", Tap(VkReturn, 20)),
    Bound("0x9A", kNothing, SlotSNAP),
    Bound("0x9B", kNothing, SlotMode),
    Bound("0x9C", Chord(VkControl, VkG), SlotEPG),
    Bound("0x9D", Chord(VkMenu, VkReturn), SlotZoom),
    Bound("0x9E", kNothing, SlotMenu),
    Bound("0x9F", Chord(VkMenu, VkF4), SlotExit),
    Fixed("0xD1", Tap(VkMultiply, 10)),
    Fixed("0xD2", Chord(VkShift, Vk3)),
    Bound("0xD4", Tap(VkBack, 10), SlotClear),
    Bound("0xD8", Chord(VkControl, VkF), SlotSkip),
    Bound("0xD9", Chord(VkControl, VkB), SlotReplay),
    Bound("0xDA", CtrlShift(VkF), SlotFWD),
    Bound("0xDB", CtrlShift(VkB), SlotREW),
    Bound("0xDC", CtrlShift(VkS), SlotStop),
    Bound("0xDD", Chord(VkControl, VkO), SlotRecordedTV),
    Bound("0xDE", CtrlShift(VkP), SlotPlay),
}};

const Row* FindRow(const char* keyCode) {
    if (!keyCode) return nullptr;
    for (const Row& row : kRows) {
        if (std::strcmp(row.code, keyCode) == 0) return &row;
    }
    return nullptr;
}

void Send(const Sequence& sequence, IKeyOutput& out) {
    for (const Step& step : sequence) {
        switch (step.op) {
        case Op::End: return;
        case Op::Down: out.keyDown(step.value); break;
        case Op::Up: out.keyUp(step.value); break;
        case Op::Pause: out.pause(step.value); break;
        }
    }
}

} // namespace

void DispatchMediaCenterKey(const char* keyCode, IKeyOutput& out) {
    const Row* row = FindRow(keyCode);
    if (!row) return;
    if (row->mce == Mce::Toggle) {
        ToggleMediaCenter(out);
    } else {
        Send(row->sequence, out);
    }
}

void DispatchProfileKey(const char* keyCode, const ProfileSnapshot& dlg, IKeyOutput& out) {
    const Row* row = FindRow(keyCode);
    if (!row) return;
    switch (row->profile) {
    case Profile::Same: Send(row->sequence, out); break;
    case Profile::Binding: SendKeyBinding(dlg.m_bindings[row->slot], out); break;
    case Profile::Power:
        if (dlg.m_nSelected != kNoProfileSelected && dlg.selectedTextIs(kMediaCenterTitle)) {
            ToggleMediaCenter(out);
        } else {
            SendKeyBinding(dlg.m_bindings[SlotPower], out);
        }
        break;
    }
}

void SendKeyBinding(KeyBinding binding, IKeyOutput& out) {
    if (binding.m_dwVirtualKey == 0) return;
    const auto vk = static_cast<std::uint8_t>(binding.m_dwVirtualKey & 0xFF);
    if (binding.m_bCtrl) { out.keyDown(VkControl); out.pause(10); }
    if (binding.m_bAlt) { out.keyDown(VkMenu); out.pause(10); }
    if (binding.m_bShift) { out.keyDown(VkShift); out.pause(10); }
    out.keyDown(vk);
    out.pause(10);
    out.keyUp(vk);
    // Released in the order pressed, not in reverse.
    if (binding.m_bCtrl) { out.keyUp(VkControl); out.pause(10); }
    if (binding.m_bAlt) { out.keyUp(VkMenu); out.pause(10); }
    if (binding.m_bShift) { out.keyUp(VkShift); out.pause(10); }
}

void ToggleMediaCenter(IKeyOutput& out) {
    if (out.windowExists(kMediaCenterTitle)) {
        Send(Chord(VkMenu, VkF4), out);
    } else {
        Send(Sequence{D(VkLWin), P(10), D(VkMenu), P(10), D(VkReturn), P(10), U(VkLWin), P(10), U(VkReturn),
                      P(10), U(VkMenu)},
             out);
    }
}
