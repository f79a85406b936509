#pragma once
// How the receive loop reads the time and waits for an edge's instant.
// Real time sleeps to an absolute instant and spins the last stretch;
// virtual time moves a VirtualTimeService and waits until each signalled
// edge has been taken, so replays are deterministic.
#include "platform/os/Event.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace remorra::os {
class VirtualTimeService;
}

namespace remorra::receivers {

class IEdgeClock {
public:
    virtual ~IEdgeClock() = default;
    // Counter ticks of the time service and their rate.
    virtual std::int64_t now() = 0;
    virtual std::int64_t frequency() = 0;
    // Returns true at `at` or as soon after it as possible; false as soon as
    // `stop` reads true before then, however far ahead `at` lies.
    virtual bool waitUntil(std::int64_t at, const std::atomic<bool>& stop) = 0;
    // The receive loop has signalled these events for one edge.
    virtual void signalled(const os::EventHandle* handles, int count) = 0;
    // Raises the receive thread's priority (real time only).
    virtual void prepareThread() {}
};

class VirtualEdgeClock final : public IEdgeClock {
public:
    explicit VirtualEdgeClock(os::VirtualTimeService& clock) : m_clock(clock) {}
    std::int64_t now() override;
    std::int64_t frequency() override;
    bool waitUntil(std::int64_t at, const std::atomic<bool>& stop) override;
    void signalled(const os::EventHandle* handles, int count) override;

private:
    os::VirtualTimeService& m_clock;
};

// Sleeps on the platform's absolute-time sleep to `spinNs` before the
// instant, then spins on the counter; runs the thread at real-time priority.
// Long waits are cut into slices so that a stop request is seen within one.
std::unique_ptr<IEdgeClock> makeRealTimeEdgeClock(std::int64_t spinNs);

} // namespace remorra::receivers
