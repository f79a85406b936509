#include "OSDependTimeOut.h"

#include "platform/os/EdgeTime.h"
#include "platform/os/TimeService.h"
#include "tmTrace.h"

#include <atomic>

namespace {

const char* const kUnit = ".\\IRsrc\\OSDependTimeOut";

// One table for the process. Timers start and stop on the UI thread, but
// virtual time fires them from whichever thread drives it, so the fields are
// atomics rather than plain values.
struct TimerEntry {
    std::atomic<tmIOSDependAbstractCB*> callback{nullptr};
    std::atomic<std::int32_t> value{0};
    std::atomic<std::uint32_t> timerId{0};
};
TimerEntry g_timers[tmCOSDependTimeOut::kTimerEntries];

void TimerProc(std::uint32_t timerId)
{
    for (TimerEntry& e : g_timers) {
        if (e.timerId.load(std::memory_order_acquire) == timerId) {
            if (tmIOSDependAbstractCB* cb = e.callback.load(std::memory_order_acquire))
                cb->OnTimeOut();
            return;
        }
    }
}

// Frees every entry, stopping its timer: a cleared entry's timer could never
// reach its callback again and nobody else could stop it.
void StopAllRecorded()
{
    for (TimerEntry& e : g_timers) {
        const std::uint32_t id = e.timerId.exchange(0, std::memory_order_acq_rel);
        if (id != 0) remorra::os::timeService().stopTimer(id);
    }
}

void TraceError(std::uint16_t line, const char* message)
{
    tmSetTraceLevel(0);
    tmTraceLocation(line, kUnit);
    tmTracePrint("%s", message);
}

} // namespace

tmCOSDependTimeOut::tmCOSDependTimeOut()
    : m_llFrequency(remorra::os::timeService().frequency())
{
    StopAllRecorded();
}

tmCOSDependTimeOut::~tmCOSDependTimeOut()
{
    StopAllRecorded();
}

std::int32_t tmCOSDependTimeOut::tmIStartTimer(std::uint32_t periodMs, std::int32_t value,
                                               tmIOSDependAbstractCB* callback)
{
    if (!callback) {
        TraceError(__LINE__, "Error: Callback object invalid");
        return 0;
    }
    const std::uint32_t id = remorra::os::timeService().startTimer(periodMs, &TimerProc);
    if (id == 0) {
        TraceError(__LINE__, "Error: SetTimer failed");
        return 1;
    }
    for (TimerEntry& e : g_timers) {
        if (e.timerId.load(std::memory_order_acquire) == 0) {
            e.callback.store(callback, std::memory_order_relaxed);
            e.value.store(value, std::memory_order_relaxed);
            e.timerId.store(id, std::memory_order_release);
            return 1;
        }
    }
    // Table full: an unrecorded timer could reach no callback and never be
    // stopped, so it is stopped at once. The caller still sees success.
    remorra::os::timeService().stopTimer(id);
    return 1;
}

std::int32_t tmCOSDependTimeOut::tmIGetFrequency(std::int64_t* frequency)
{
    if (!frequency) {
        TraceError(__LINE__, "Error: Invalid parameter");
        return 0;
    }
    *frequency = remorra::os::timeService().frequency();
    return 1;
}

std::int32_t tmCOSDependTimeOut::tmIGetCounter(std::int64_t* counter)
{
    if (!counter) {
        TraceError(__LINE__, "Error: Invalid parameter");
        return 0;
    }
    *counter = remorra::os::timeService().counter();
    return 1;
}

void tmCOSDependTimeOut::tmIGetTime(std::uint64_t* time100ns)
{
    if (!time100ns) {
        TraceError(__LINE__, "Error: Invalid parameter");
        return;
    }
    // The edge's own instant when its source knows it (platform/os/EdgeTime.h).
    *time100ns = ToTime100ns(static_cast<std::uint64_t>(remorra::os::decoderNow()), m_llFrequency);
}

void tmCOSDependTimeOut::tmICheckTimeOutCB(tmIOSDependAbstractCB* callback)
{
    if (!callback) TraceError(__LINE__, "Error: Invalid parameter");
}

std::uint64_t tmCOSDependTimeOut::ToTime100ns(std::uint64_t counter, std::int64_t frequency)
{
    if (frequency <= 0) return 0; // no clock rate: no time rather than a division by zero
    const std::uint64_t f = static_cast<std::uint64_t>(frequency);
    const std::uint64_t hi = counter >> 32;
    const std::uint64_t lo = counter & 0xFFFFFFFFu;
    const std::uint64_t q1 = hi * 10'000'000u / f;
    const std::uint64_t r1 = hi * 10'000'000u % f;
    if (f < 4'000'000'000u) {
        // r1 < f keeps r1 * 2^32 + lo * 10^7 inside 64 bits.
        const std::uint64_t q2 = ((r1 << 32) + lo * 10'000'000u) / f;
        return (q1 << 32) + q2;
    }
    __extension__ using U128 = unsigned __int128;
    const U128 q2 = ((static_cast<U128>(r1) << 32) + static_cast<U128>(lo) * 10'000'000u) / f;
    return static_cast<std::uint64_t>((static_cast<U128>(q1) << 32) + q2);
}

std::size_t tmCOSDependTimeOut::RecordedTimers()
{
    std::size_t n = 0;
    for (const TimerEntry& e : g_timers)
        if (e.timerId.load(std::memory_order_acquire) != 0) ++n;
    return n;
}
