#pragma once
// The instant of an edge, handed along with its pin event by sources that
// know when each edge happened (the real receivers rebuild it from the
// device's durations). The decoders read time through tmIGetTime, which
// answers decoderNow(): on the thread delivering such an edge, that edge's
// instant, the same for every decoder it reaches however late the thread
// woke; elsewhere the counter, held back to the oldest edge that is due but
// not yet delivered, so that a timer comparing "time since the last edge"
// with now never runs ahead of an edge still on its way. Sources that cannot
// know the instant (the tuner card's driver events) leave all this unused,
// and the decoders read the counter as they always did.
#include <cstdint>

namespace remorra::os {

// On the calling thread, while it lives: the edge being delivered happened
// at `ticks` (counter ticks of the time service). Nests; the inner one counts.
class EdgeTimeScope {
public:
    explicit EdgeTimeScope(std::int64_t ticks);
    ~EdgeTimeScope();
    EdgeTimeScope(const EdgeTimeScope&) = delete;
    EdgeTimeScope& operator=(const EdgeTimeScope&) = delete;

private:
    std::int64_t m_previous;
    bool m_hadPrevious;
};

// Counter ticks the decoders take as now (see above). No lock, no allocation.
std::int64_t decoderNow();

// A source's next edge, due at the instant held, that has not been handed to
// its pin event yet (a receive loop woken late holds its edges back); until
// then decoderNow() does not pass it. A few sources at once; a source beyond
// them holds nothing back.
class EdgeHold {
public:
    EdgeHold();
    ~EdgeHold();
    EdgeHold(const EdgeHold&) = delete;
    EdgeHold& operator=(const EdgeHold&) = delete;
    void hold(std::int64_t ticks);
    void release();

private:
    int m_slot;
};

} // namespace remorra::os
