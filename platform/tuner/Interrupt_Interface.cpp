#include "platform/tuner/Interrupt_Interface.h"

#include "platform/os/AddressWait.h"
#include "platform/os/EdgeTime.h"
#include "platform/os/TimeService.h"
#include "platform/tuner/KsWire.h"

#include <cstring>

using namespace remorra::tuner;
namespace os = remorra::os;

namespace remorra::tuner {
namespace {
std::atomic<bool> g_graphFails{false};
}
std::unique_ptr<FilterGraph> FilterGraph::create()
{
    if (g_graphFails.load())
        return nullptr;
    return createSystemFilterGraph();
}
void setFilterGraphCreationFails(bool fail) { g_graphFails.store(fail); }
} // namespace remorra::tuner

CInterrupt_Interface::CInterrupt_Interface(std::uint16_t implementationId, ICaptureFilter* filter)
    : m_szStatus{}, m_pCaptureFilter(filter), m_legacyEventData{}, m_chipEventData{},
      m_wImplementationId(implementationId)
{
    m_pFilterGraph = FilterGraph::create();
    if (!m_pFilterGraph) {
        SetStatus("CLSID_FilterGraph creation failed");
        return;
    }
    if (!filter) {
        SetStatus("Filter 'Analog Capture' not found");
        return;
    }
    SetStatus("No Error");
    for (auto& h : m_hEvents)
        h = os::createEvent();
    m_thread = std::thread([this] { ThreadLoop(); });
}

CInterrupt_Interface::~CInterrupt_Interface()
{
    m_pFilterGraph.reset();
    // The thread must be gone before its events are closed.
    StopThread();
    for (auto& h : m_hEvents) {
        os::closeEvent(h);
        h = 0;
    }
}

void CInterrupt_Interface::StopThread()
{
    if (m_thread.joinable()) {
        os::setEvent(m_hEvents[2]);
        m_thread.join();
    }
}

void CInterrupt_Interface::SetStatus(const char* text)
{
    std::strncpy(m_szStatus, text, sizeof m_szStatus - 1);
    m_szStatus[sizeof m_szStatus - 1] = '\0';
}

namespace {
// A callback that holds the thread longer than this is handling a key (the
// NEC hold-off sleeps 100 ms); a late wake-up is far shorter.
constexpr std::int64_t kBusyMs = 20;
} // namespace

void CInterrupt_Interface::ThreadLoop()
{
    os::raiseThreadPriority();
    // A sampling pass reads pins through the filter from this thread.
    const os::ComApartment com(os::ComApartment::Model::Free);
    // The edge clock's per-thread state is set up here, not on the first edge.
    (void)os::decoderNow();
    for (;;) {
        const int which = os::waitForEvents(m_hEvents, 3);
        // A broken wait ends the thread instead of spinning on it.
        if (which < 0 || which == 2)
            return;
        if (os::eventCarriesTimes(m_hEvents[which]))
            DeliverTimed(which);
        else
            Deliver(which);
    }
}

void CInterrupt_Interface::Deliver(int which)
{
    static constexpr std::uint32_t kSources[2] = {0, 1};
    // Marked before the callback is read: a disable that clears the
    // callback and then sees no mark knows no call can start any more.
    m_nInCallback.store(static_cast<std::uint32_t>(which + 1), std::memory_order_seq_cst);
    if (CInterruptCallback* cb = m_pCallbacks[which].load(std::memory_order_seq_cst))
        cb->OnInterrupt(&kSources[which]);
    m_nInCallback.store(0, std::memory_order_release);
    os::wakeAllWaiters(m_nInCallback);
}

// Every edge queued with the event, each with its own instant, however late
// the thread woke. What happened while a callback held the thread is dropped,
// as a driver event signalled meanwhile merges into one: a key's hold-off
// must not be made up for afterwards.
void CInterrupt_Interface::DeliverTimed(int which)
{
    os::ITimeService& time = os::timeService();
    const std::int64_t busy = time.frequency() * kBusyMs / 1000;
    const os::EventHandle h = m_hEvents[which];
    std::int64_t at = 0;
    while (os::peekEventTime(h, at)) {
        if (at >= m_llBusyUntil) {
            const os::EdgeTimeScope edge(at);
            const std::int64_t start = time.counter();
            Deliver(which);
            const std::int64_t end = time.counter();
            if (end - start > busy)
                m_llBusyUntil = end;
        }
        // Taken off only now: until the decoders have it, it holds their clock back.
        os::popEventTime(h);
    }
}

std::int32_t CInterrupt_Interface::tmIEnableInterrupt(std::uint8_t pin, std::uint32_t source,
                                                      CInterruptCallback* callback)
{
    if (!callback)
        return kCallbackMissing;
    const int slot = source != 0 ? 1 : 0;
    std::uint32_t eventId = pin;
    if (m_wImplementationId == 0) {
        const int id = legacyEventId(pin, source);
        if (id < 0)
            return kNoLegacyEvent;
        eventId = static_cast<std::uint32_t>(id);
    }
    m_pCallbacks[slot].store(callback, std::memory_order_release);
    if (!m_pCaptureFilter || !m_pCaptureFilter->offersControl())
        return kDone;
    const bool legacy = m_wImplementationId == 0;
    const auto request = eventEnableRequest(legacy ? kLegacyEventSet : kChipEventSet, eventId);
    std::uint8_t* record = legacy ? m_legacyEventData : m_chipEventData;
    const std::size_t size = legacy ? sizeof m_legacyEventData : sizeof m_chipEventData;
    fillEventData(record, size, m_hEvents[slot], pin);
    std::uint32_t returned = 0;
    // A refused registration is not reported; no callbacks will arrive.
    m_pCaptureFilter->ksEvent(request, std::span(record, size), &returned);
    return kDone;
}

std::int32_t CInterrupt_Interface::tmIDisableInterrupt(std::uint8_t pin, std::uint32_t source)
{
    const bool legacy = m_wImplementationId == 0;
    if (legacy && legacyEventId(pin, source) < 0)
        return kNoLegacyEvent;
    HResult hr = kNoInterface;
    if (m_pCaptureFilter && m_pCaptureFilter->offersControl()) {
        std::uint8_t* record = legacy ? m_legacyEventData : m_chipEventData;
        std::uint32_t returned = 0;
        hr = m_pCaptureFilter->ksEvent({}, std::span(record, kDisableEventDataSize), &returned);
    }
    const int slot = source != 0 ? 1 : 0;
    m_pCallbacks[slot].store(nullptr, std::memory_order_seq_cst);
    // The caller may free the callback's object next (the front end does in
    // its destructor), so a call already running must end first. The layer
    // thread itself disables during a sampling pass; it cannot wait on itself.
    if (m_thread.joinable() && std::this_thread::get_id() != m_thread.get_id()) {
        // Through the OS seam: MinGW's std::atomic::wait can miss the wake-up.
        for (std::uint32_t busy = m_nInCallback.load(std::memory_order_seq_cst);
             busy == static_cast<std::uint32_t>(slot + 1); busy = m_nInCallback.load(std::memory_order_seq_cst))
            os::waitWhileEquals(m_nInCallback, busy);
    }
    return succeeded(hr) ? kDone : kDisableRefused;
}
