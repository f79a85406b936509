#pragma once
// IR timing captures: reading the two common text forms (mode2 lines and raw
// alternating durations) and writing nominal frames as mode2 text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace remorra::tuner {

// Alternating burst (pulse) and space durations in µs, starting with a burst;
// runs of one kind are merged and leading spaces dropped.
using Timeline = std::vector<std::uint32_t>;

// Parses mode2 text (`pulse N`, `space N`, `timeout N` as a space, `#`
// comments) or raw durations (`+N`/`-N`, or unsigned starting with a pulse).
// On a malformed input returns false with `error` = "NAME:LINE: what is wrong"
// and leaves `out` empty.
bool parseCapture(std::string_view text, const std::string& name, Timeline& out, std::string& error);

std::string toMode2(const Timeline& t);

struct EncodeOptions {
    int frames = 1;
    std::uint32_t gapMs = 100; // space after each frame (and its repeats)
    std::uint32_t jitterUs = 0;
    std::uint32_t seed = 1;
};

// NEC: 16-bit (or 24-bit when `bits24`) address, command, then `repeats`
// repeat codes 108 ms apart.
Timeline encodeNec(std::uint32_t address, std::uint8_t command, int repeats, bool bits24, const EncodeOptions& o);
// RC5: group 0-31, command 0-127 (64 and up clear the second start bit).
Timeline encodeRc5(std::uint8_t group, std::uint8_t command, bool toggle, const EncodeOptions& o);
// RC6 mode 0 (8-bit control and information, toggle in the trailer bit) or
// mode 6 (16-bit control and information, toggle in control bit 15).
Timeline encodeRc6(int mode, std::uint16_t control, std::uint16_t information, bool toggle, const EncodeOptions& o);

} // namespace remorra::tuner
