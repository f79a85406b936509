#include "platform/receivers/EdgeTimeline.h"

#include "platform/receivers/Mode2.h"

#include <algorithm>

namespace remorra::receivers {

EdgeTimeline::EdgeTimeline(std::int64_t frequency, std::int64_t delayTicks)
    : m_frequency(frequency), m_delay(delayTicks)
{
}

void EdgeTimeline::reset()
{
    m_inFrame = false;
    m_lastWasPulse = false;
    m_offsetUs = 0;
    m_gapUs = 0;
}

void EdgeTimeline::startFrame(std::int64_t now)
{
    m_base = now + m_delay;
    // Never before the previous frame's edges, which may still be ahead of
    // us, nor closer to them than the idle time the device reported.
    if (m_havePrevious)
        m_base = std::max(m_base, m_lastEdge + ticksOf(m_gapUs));
    m_offsetUs = 0;
    m_inFrame = true;
    m_lastWasPulse = false;
}

void EdgeTimeline::endFrame()
{
    if (m_inFrame) {
        m_lastEdge = m_base + ticksOf(m_offsetUs);
        m_havePrevious = true;
    }
    m_inFrame = false;
    m_lastWasPulse = false;
    m_gapUs = 0;
}

TimedEdge EdgeTimeline::edgeAt(std::int64_t now, std::uint8_t level)
{
    // An edge read after its instant keeps it: it travels with the signal,
    // so the decoders measure the received intervals all the same.
    TimedEdge e{m_base + ticksOf(m_offsetUs), level};
    if (e.at < now)
        ++m_late;
    return e;
}

std::size_t EdgeTimeline::feed(std::span<const std::uint32_t> words, std::int64_t now, std::span<TimedEdge> out)
{
    std::size_t n = 0;
    for (std::uint32_t word : words) {
        if (n + kMaxEdgesPerWord > out.size())
            break;
        const std::uint32_t us = mode2Value(word);
        switch (mode2Kind(word)) {
        case Mode2Kind::Pulse:
            if (us == 0)
                break;
            if (!m_inFrame)
                startFrame(now);
            // A pulse reported in two parts is one burst.
            if (!m_lastWasPulse)
                out[n++] = edgeAt(now, 0);
            m_offsetUs += us;
            out[n++] = edgeAt(now, 1);
            m_lastWasPulse = true;
            break;
        case Mode2Kind::Space:
            if (us == kMode2ValueMask) {
                // "A long time": the kernel's marker after a reset.
                endFrame();
            } else if (m_inFrame) {
                m_offsetUs += us;
                m_lastWasPulse = false;
            } else {
                // The whole gap since the frame ended, sent as the next pulse starts.
                m_gapUs = us;
            }
            break;
        case Mode2Kind::Timeout:
            if (m_inFrame) {
                endFrame();
                m_gapUs = us;
            }
            break;
        case Mode2Kind::Overflow:
            // Samples were lost: what follows cannot be placed against what came before.
            endFrame();
            break;
        case Mode2Kind::Frequency:
        default:
            break;
        }
    }
    return n;
}

} // namespace remorra::receivers
