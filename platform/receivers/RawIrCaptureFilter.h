#pragma once
// A capture filter over a real IR receiver that behaves as a chip-path tuner
// driver: it answers the implementation-id probe, the pin read and the pin
// direction, and signals the registered pin events at each burst start. A
// receive loop reads the device's mode2 words, rebuilds the edge timeline
// and signals every edge at its instant plus a fixed delay, handing that
// instant along with the signal: the decoders read it as the edge's time,
// so the intervals they measure are the received ones however late the
// interrupt thread wakes.
#include "platform/receivers/EdgeClock.h"
#include "platform/receivers/EdgeTimeline.h"
#include "platform/receivers/RawIrDevice.h"
#include "platform/tuner/CaptureFilter.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace remorra::receivers {

class RawIrCaptureFilter final : public tuner::ICaptureFilter {
public:
    struct Options {
        std::uint16_t implementationId = 0x7231; // what the probe finds
        std::uint8_t irPin = 4;
        std::uint32_t delayUs = 3000;            // edge instant to signal
        std::uint32_t receiveTimeoutUs = 125'000;
        // Real time: the receive loop runs on a thread of its own, started by
        // the first event registration. Off: the caller runs serve().
        bool ownThread = true;
        std::int64_t spinNs = 200'000;
        // Burst starts whose instants playedTicks() keeps (benchmarks); 0: none.
        std::size_t recordBursts = 0;
        // One line per call; the application log when empty.
        std::function<void(const std::string&)> log;
    };

    RawIrCaptureFilter(std::unique_ptr<IRawIrDevice> device, Options options);
    ~RawIrCaptureFilter() override;
    RawIrCaptureFilter(const RawIrCaptureFilter&) = delete;
    RawIrCaptureFilter& operator=(const RawIrCaptureFilter&) = delete;

    bool offersPropertySet() const override { return false; }
    bool offersControl() const override { return true; }
    tuner::HResult propertySet(const tuner::Guid&, std::uint32_t, std::span<const std::uint8_t>,
                               std::span<const std::uint8_t>) override
    {
        return tuner::kNoInterface;
    }
    tuner::HResult propertyGet(const tuner::Guid&, std::uint32_t, std::span<const std::uint8_t>,
                               std::span<std::uint8_t>, std::uint32_t*) override
    {
        return tuner::kNoInterface;
    }
    tuner::HResult ksProperty(std::span<const std::uint8_t> request, std::span<std::uint8_t> data,
                              std::uint32_t* returned) override;
    tuner::HResult ksEvent(std::span<const std::uint8_t> request, std::span<std::uint8_t> eventData,
                           std::uint32_t* returned) override;

    // The receive loop: opens the device, then reads, rebuilds and signals
    // until `stop` reads true or the device is lost. The filter's own thread
    // runs it; without one, tests run it in virtual time.
    void serve(IEdgeClock& clock, const std::atomic<bool>& stop);

    bool lost() const { return m_lost.load(); }
    std::uint8_t level() const { return m_level.load(); }
    std::uint32_t lateEdges() const { return m_late.load(); }
    std::uint32_t directionMask() const { return m_directionMask.load(); }
    // The instant each burst start was signalled for, in order, up to
    // Options::recordBursts of them. Read after the receive loop has ended.
    const std::vector<std::int64_t>& playedTicks() const { return m_played; }

private:
    struct Registration {
        std::atomic<const std::uint8_t*> record{nullptr};
        std::atomic<os::EventHandle> handle{0};
        std::atomic<std::uint32_t> pin{0};
    };

    bool openDevice();
    void lose(const std::string& what);
    void signal(const TimedEdge& edge, IEdgeClock& clock);
    void startThread();

    const Options m_options;
    std::unique_ptr<IRawIrDevice> m_device;
    std::atomic<bool> m_lost{false};
    std::atomic<std::uint8_t> m_level{1};
    std::atomic<std::uint32_t> m_late{0};
    std::atomic<std::uint32_t> m_directionMask{0};
    std::atomic<std::uint32_t> m_directionValue{0};

    // Written under the lock by requests; read lock-free by the receive loop.
    std::mutex m_regMutex;
    std::array<Registration, 8> m_regs{};

    std::vector<std::int64_t> m_played;

    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace remorra::receivers
