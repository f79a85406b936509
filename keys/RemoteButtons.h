#pragma once
// The simulated card's remote control: NEC with one fixed 16-bit address and
// the command bytes the program's key tables know. Buttons are named as the
// profile keys (Power, Mute, ... RecordedTV) and the fixed keys (Up, Down,
// Left, Right, OK, 0-9, Star, Hash) are named. It sits with the key tables
// it takes the profile keys from.
#include "platform/tuner/IrCapture.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace remorra::simcard {

inline constexpr std::uint32_t kRemoteAddress = 0xFB04;
// Space after each press: the program's key handler keeps its thread busy for
// the strokes and a 100 ms pause, and a frame starting meanwhile would be lost.
inline constexpr std::uint32_t kPressGapMs = 300;
inline constexpr std::uint32_t kMaxHoldMs = 10'000;

struct RemoteButton {
    const char* name;
    std::uint8_t command;
};

// Every button, profile keys first, then the fixed keys.
const std::vector<RemoteButton>& RemoteButtons();
// Case-insensitive.
std::optional<std::uint8_t> FindRemoteButton(std::string_view name);

// One NEC frame per button, each followed by repeat codes for `holdMs` and
// the press gap. On an unknown name or an overlong hold returns false with
// `error` and leaves `out` alone.
bool EncodeButtonPresses(const std::vector<std::string>& names, std::uint32_t holdMs, tuner::Timeline& out,
                         std::string& error);

} // namespace remorra::simcard
