#pragma once
// The kernel's raw IR sample words (mode2): a kind in the top byte and a
// duration in µs in the low 24 bits. Both real receivers deliver these, so
// the timeline rebuild sees one format.
#include "platform/tuner/IrCapture.h"

#include <cstdint>
#include <vector>

namespace remorra::receivers {

enum class Mode2Kind : std::uint8_t { Space = 0, Pulse = 1, Frequency = 2, Timeout = 3, Overflow = 4 };

inline constexpr std::uint32_t kMode2ValueMask = 0x00FFFFFFu;

constexpr std::uint32_t mode2Word(Mode2Kind kind, std::uint32_t us)
{
    return (std::uint32_t{static_cast<std::uint8_t>(kind)} << 24) | (us > kMode2ValueMask ? kMode2ValueMask : us);
}
constexpr Mode2Kind mode2Kind(std::uint32_t word) { return static_cast<Mode2Kind>(word >> 24); }
constexpr std::uint32_t mode2Value(std::uint32_t word) { return word & kMode2ValueMask; }

// The words a receiver with the given receive timeout (0: none) delivers
// for a capture; a trailing space is idle time and only shows as a timeout.
std::vector<std::uint32_t> toMode2Words(const tuner::Timeline& timeline, std::uint32_t timeoutUs);

// Durations from edge timestamps, as a GPIO line reports them. The receiver's
// output is active low: a falling edge starts a burst. A gap of `idleUs` or
// more becomes a timeout report, so the rebuild starts a new frame after it.
class EdgeDurations {
public:
    explicit EdgeDurations(std::uint32_t idleUs) : m_idleUs(idleUs) {}
    // Returns the number of words written to `out` (0 or 1).
    int edge(bool rising, std::int64_t timestampNs, std::uint32_t* out);

private:
    std::uint32_t m_idleUs;
    std::int64_t m_lastNs = 0;
    bool m_seen = false;
    bool m_lastRising = true;
};

} // namespace remorra::receivers
