#pragma once
// Interrupt layer over the tuner card's capture filter: registers pin-change
// events with the driver and runs the thread that calls the front end back
// for each signalled event.
#include "platform/os/Com.h"
#include "platform/os/Event.h"
#include "platform/tuner/CaptureFilter.h"
#include "tmIrLayers.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

namespace remorra::tuner {

// The filter-graph manager the layer holds for its lifetime: the system's,
// created in process, where there is one (platform/tuner/<platform>/).
class FilterGraph {
public:
    virtual ~FilterGraph() = default;
    // Null when creation fails (or is forced to by setFilterGraphCreationFails).
    static std::unique_ptr<FilterGraph> create();
};
void setFilterGraphCreationFails(bool fail);
// The platform's part of create(); COM is initialised on the calling thread.
std::unique_ptr<FilterGraph> createSystemFilterGraph();

} // namespace remorra::tuner

class CInterrupt_Interface : public tmIInterruptLayer {
public:
    static constexpr std::int32_t kDone = 0;
    static constexpr std::int32_t kNoLegacyEvent = 9;
    static constexpr std::int32_t kCallbackMissing = 40;
    static constexpr std::int32_t kDisableRefused = 62;

    CInterrupt_Interface(std::uint16_t implementationId, remorra::tuner::ICaptureFilter* filter);
    ~CInterrupt_Interface() override;
    CInterrupt_Interface(const CInterrupt_Interface&) = delete;
    CInterrupt_Interface& operator=(const CInterrupt_Interface&) = delete;

    std::int32_t tmIEnableInterrupt(std::uint8_t pin, std::uint32_t source, CInterruptCallback* callback) override;
    std::int32_t tmIDisableInterrupt(std::uint8_t pin, std::uint32_t source) override;

    const char* Status() const { return m_szStatus; }
    bool ThreadRunning() const { return m_thread.joinable(); }
    // Ends the thread once a callback in progress has returned, so that what
    // the callbacks reach may be destroyed before the layer. Idempotent.
    void StopThread();
    remorra::os::EventHandle Event(int index) const { return m_hEvents[index]; }

private:
    void ThreadLoop();
    void Deliver(int which);
    void DeliverTimed(int which);
    void SetStatus(const char* text);

    // First in, last out: COM outlives everything the layer does with the filter.
    remorra::os::ComApartment m_com;
    // Event 0, event 1 and the stop event, in the order the thread waits.
    remorra::os::EventHandle m_hEvents[3] = {0, 0, 0};
    std::atomic<CInterruptCallback*> m_pCallbacks[2] = {nullptr, nullptr};
    // Source + 1 while the layer thread runs that source's callback, else 0.
    std::atomic<std::uint32_t> m_nInCallback{0};
    // Layer thread only: edges that happened before this instant came while
    // a callback held the thread (a key being handled) and are not delivered.
    std::int64_t m_llBusyUntil = 0;
    char m_szStatus[160];
    std::unique_ptr<remorra::tuner::FilterGraph> m_pFilterGraph;
    remorra::tuner::ICaptureFilter* m_pCaptureFilter;
    std::uint8_t m_legacyEventData[16];
    std::uint8_t m_chipEventData[24];
    std::thread m_thread;
    std::uint16_t m_wImplementationId;
};
