#include "platform/receivers/Mode2.h"

namespace remorra::receivers {

std::vector<std::uint32_t> toMode2Words(const tuner::Timeline& timeline, std::uint32_t timeoutUs)
{
    // As the kernel reports: a gap of the receive timeout or more gives a
    // timeout report when the timeout passes, then the whole gap as a space
    // when the next pulse starts.
    std::vector<std::uint32_t> words;
    words.reserve(timeline.size() * 2 + 1);
    for (std::size_t i = 0; i < timeline.size(); ++i) {
        const bool last = i + 1 == timeline.size();
        if (i % 2 == 0) {
            words.push_back(mode2Word(Mode2Kind::Pulse, timeline[i]));
            if (last && timeoutUs != 0)
                words.push_back(mode2Word(Mode2Kind::Timeout, timeoutUs));
        } else if (timeoutUs != 0 && timeline[i] >= timeoutUs) {
            words.push_back(mode2Word(Mode2Kind::Timeout, timeoutUs));
            if (!last)
                words.push_back(mode2Word(Mode2Kind::Space, timeline[i]));
        } else if (!last) {
            words.push_back(mode2Word(Mode2Kind::Space, timeline[i]));
        }
    }
    return words;
}

int EdgeDurations::edge(bool rising, std::int64_t timestampNs, std::uint32_t* out)
{
    const bool first = !m_seen;
    const bool repeated = m_seen && rising == m_lastRising;
    const std::int64_t elapsedNs = timestampNs - m_lastNs;
    m_seen = true;
    m_lastRising = rising;
    m_lastNs = timestampNs;
    // The first edge has no start; a repeated edge kind means one was missed,
    // so the period before it is unknown.
    if (first || repeated || elapsedNs <= 0)
        return 0;
    const std::int64_t us = elapsedNs / 1000;
    const std::uint32_t value = us > kMode2ValueMask ? kMode2ValueMask : static_cast<std::uint32_t>(us);
    if (rising) {
        *out = mode2Word(Mode2Kind::Pulse, value);
    } else {
        *out = mode2Word(value >= m_idleUs ? Mode2Kind::Timeout : Mode2Kind::Space, value);
    }
    return 1;
}

} // namespace remorra::receivers
