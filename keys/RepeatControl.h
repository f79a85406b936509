#pragma once
// Held buttons of other remotes. PressTracker tells a new press from a held
// one (NEC by its repeat codes, RC5/RC6 by the toggle bit); RepeatLimiter
// lets the repeats of a held button through only after a delay, then at most
// one per period. Each object belongs to one thread at a time.
#include "keys/IrScancode.h"

#include <cstdint>

namespace remorra::keys {

struct RepeatSettings {
    std::uint32_t delayMs = 0;  // repeats ignored this long after the press
    std::uint32_t periodMs = 0; // then at most one per period; 0/0 passes all
    friend bool operator==(const RepeatSettings&, const RepeatSettings&) = default;
};

// Frames of a held RC5/RC6 button come every 114 ms or less; a longer
// silence means that toggles were missed, so the next frame is a new press.
inline constexpr std::int64_t kHeldGapMs = 300;

class PressTracker {
public:
    // Sets `code.repeat` for the toggle protocols; NEC keeps its own flag.
    void track(IrCode& code, std::int64_t nowMs);

private:
    IrCode m_last;
    std::int64_t m_lastMs = 0;
    bool m_seen = false;
};

class RepeatLimiter {
public:
    // True when the report goes on to be sent.
    bool pass(const IrCode& code, std::int64_t nowMs, const RepeatSettings& s);

private:
    std::int64_t m_pressMs = 0;
    std::int64_t m_lastPassMs = 0;
    bool m_pressed = false;
};

// Milliseconds on the time seam.
std::int64_t NowMs();

} // namespace remorra::keys
