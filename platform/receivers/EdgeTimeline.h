#pragma once
// Rebuilds the receiver's edge timeline from mode2 words that arrive in
// batches, possibly long after the edges they describe. A frame is anchored
// once, when its first pulse is read: its first edge is due at that read
// plus a fixed delay, and every later edge of the frame at the anchor plus
// its offset in the received durations, so the intervals between signalled
// edges are the received ones. An edge read after its instant keeps that
// instant (it is signalled at once, its instant handed along), so a late read
// changes no interval. Pure: the caller passes the clock reading.
#include <cstddef>
#include <cstdint>
#include <span>

namespace remorra::receivers {

struct TimedEdge {
    std::int64_t at = 0;    // counter ticks
    std::uint8_t level = 1; // receiver output after the edge: 0 burst, 1 idle
};

class EdgeTimeline {
public:
    // `frequency`: counter ticks per second; `delayTicks`: the fixed delay.
    EdgeTimeline(std::int64_t frequency, std::int64_t delayTicks);

    // Edges a word can yield at most.
    static constexpr std::size_t kMaxEdgesPerWord = 2;
    // Turns words read at `now` into edges, in order, written to `out`
    // (room for kMaxEdgesPerWord per word); returns how many were written.
    std::size_t feed(std::span<const std::uint32_t> words, std::int64_t now, std::span<TimedEdge> out);
    // Forgets the frame in progress (the device was reopened or data was lost).
    void reset();

    // Edges that were already due when read.
    std::uint32_t lateEdges() const { return m_late; }
    bool inFrame() const { return m_inFrame; }

private:
    std::int64_t ticksOf(std::int64_t us) const { return us * m_frequency / 1'000'000; }
    void startFrame(std::int64_t now);
    void endFrame();
    TimedEdge edgeAt(std::int64_t now, std::uint8_t level);

    const std::int64_t m_frequency;
    const std::int64_t m_delay;
    bool m_inFrame = false;
    bool m_lastWasPulse = false;
    std::int64_t m_base = 0;     // ticks of the frame's first edge
    std::int64_t m_offsetUs = 0; // position within the frame
    // Between frames: the last edge's instant and the idle time reported since.
    bool m_havePrevious = false;
    std::int64_t m_lastEdge = 0;
    std::int64_t m_gapUs = 0;
    std::uint32_t m_late = 0;
};

} // namespace remorra::receivers
