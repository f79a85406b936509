#include "platform/tuner/SimTunerCard.h"

#include "platform/os/TimeService.h"
#include "platform/os/VirtualTimeService.h"
#include "platform/receivers/EdgeSleep.h"
#include "platform/tuner/KsWire.h"

#include <algorithm>
#include <chrono>

namespace remorra::tuner {
namespace {

bool allZero(std::span<const std::uint8_t> bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

std::int64_t nowTicks() { return os::timeService().counter(); }

// A card raises its interrupt at the edge itself; a player stands in for that,
// so it runs at the interrupt thread's priority, sleeps until shortly before
// each edge and spins the rest of the way: a plain sleep wakes tens of µs to
// milliseconds late under load, which would blur every interval the decoders
// measure.
// Returns how late the edge is (ticks, 0 when on time).
std::int64_t waitForEdge(std::int64_t at, const std::atomic<bool>& stop, std::int64_t spinUs = 100)
{
    const std::int64_t freq = os::timeService().frequency();
    const std::int64_t spinTicks = freq * spinUs / 1'000'000; // past the usual wake-up delay
    for (;;) {
        const std::int64_t wait = at - nowTicks();
        if (wait <= 0 || stop.load())
            return wait < 0 ? -wait : 0;
        // The platform's coarse sleep: where it can only wake a whole system
        // tick late (Windows), it sleeps only across long gaps.
        if (wait > spinTicks)
            receivers::sleepAtMostNs(std::min<std::int64_t>((wait - spinTicks) * 1'000'000 / freq, 20'000) * 1000);
    }
}

// On a virtual machine an idle CPU halts, and waking it for a timer or an
// event costs the hypervisor hundreds of µs to milliseconds, longer than a
// bit window; a card's interrupt lands on a running CPU. So while a signal
// plays, every CPU is kept busy by threads that give way to anything else,
// where the platform lets them give way: level with the player and the
// interrupt thread, they would take the CPUs those need.
class CpuWaker {
public:
    CpuWaker()
    {
        const unsigned n = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < n; ++i)
            m_threads.emplace_back([this] {
                if (!os::lowerThreadToIdle())
                    return;
                while (!m_stop.load(std::memory_order_relaxed)) {
                }
            });
    }
    ~CpuWaker()
    {
        m_stop.store(true);
        for (auto& t : m_threads)
            t.join();
    }
    CpuWaker(const CpuWaker&) = delete;
    CpuWaker& operator=(const CpuWaker&) = delete;

private:
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
};

// A remote keeps its own time: when the player wakes late (a stalled CPU) for
// an edge that raises an interrupt, the rest of the signal moves later with
// it, so one stall stretches one interval instead of squeezing the edges
// behind it together, where they would coalesce into one interrupt. Edges
// nobody listens to never move the others.
std::int64_t lateToleranceTicks()
{
    return os::timeService().frequency() / 50'000; // 20 µs
}

// Pin and source behind a legacy event id; false for ids the driver lacks.
bool legacyEventPin(std::uint32_t id, std::uint8_t& pin, std::uint32_t& source)
{
    static constexpr std::uint8_t pins[4] = {23, 22, 18, 16};
    if (id > 7)
        return false;
    pin = pins[id / 2];
    source = id % 2;
    return true;
}

} // namespace

SimTunerCard::SimTunerCard() : SimTunerCard(Options{}) {}

SimTunerCard::SimTunerCard(Options options) : m_options(options)
{
    for (auto& w : m_written)
        w.store(1);
}

SimTunerCard::~SimTunerCard()
{
    m_stopPlayer.store(true);
    joinPlayer();
    {
        std::lock_guard lock(m_liveMutex);
        m_liveStop.store(true);
    }
    m_liveCv.notify_all();
    if (m_liveThread.joinable())
        m_liveThread.join();
}

void SimTunerCard::refuse(SimRequest kind, bool on) { m_refuse[static_cast<int>(kind)].store(on); }

void SimTunerCard::loseInterfaces(bool propertySet, bool control)
{
    m_lostPropertySet.store(propertySet);
    m_lostControl.store(control);
}

HResult SimTunerCard::note(SimRequest kind, std::span<const std::uint8_t> request, std::span<const std::uint8_t> data,
                           bool ok)
{
    std::lock_guard lock(m_mutex);
    Seen& s = m_seen[static_cast<int>(kind)];
    s.requestSize = std::min(request.size(), s.request.size());
    std::copy_n(request.begin(), s.requestSize, s.request.begin());
    s.dataSize = std::min(data.size(), s.data.size());
    std::copy_n(data.begin(), s.dataSize, s.data.begin());
    ok = ok && !refusing(kind);
    ++(ok ? s.accepted : s.refused);
    return ok ? kOk : kInvalidArg;
}

int SimTunerCard::accepted(SimRequest kind) const
{
    std::lock_guard lock(m_mutex);
    return m_seen[static_cast<int>(kind)].accepted;
}

int SimTunerCard::refused(SimRequest kind) const
{
    std::lock_guard lock(m_mutex);
    return m_seen[static_cast<int>(kind)].refused;
}

std::vector<std::uint8_t> SimTunerCard::lastRequest(SimRequest kind) const
{
    std::lock_guard lock(m_mutex);
    const Seen& s = m_seen[static_cast<int>(kind)];
    return {s.request.begin(), s.request.begin() + static_cast<std::ptrdiff_t>(s.requestSize)};
}

std::vector<std::uint8_t> SimTunerCard::lastData(SimRequest kind) const
{
    std::lock_guard lock(m_mutex);
    const Seen& s = m_seen[static_cast<int>(kind)];
    return {s.data.begin(), s.data.begin() + static_cast<std::ptrdiff_t>(s.dataSize)};
}

std::size_t SimTunerCard::registrations() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(
        std::count_if(m_regs.begin(), m_regs.end(), [](const Registration& r) { return r.record != nullptr; }));
}

std::uint8_t SimTunerCard::writtenLevel(std::uint8_t pin) const { return pin < 32 ? m_written[pin].load() : 0; }

std::uint8_t SimTunerCard::levelOf(std::uint8_t pin) const
{
    if (pin == m_options.irPin)
        return irLevel();
    return pin < 32 ? m_written[pin].load() : 1;
}

HResult SimTunerCard::propertySet(const Guid& set, std::uint32_t id, std::span<const std::uint8_t> instance,
                                  std::span<const std::uint8_t> data)
{
    const bool ok = offersPropertySet() && set == kLegacyGpioSet && id == 0 &&
                    instance.size() == kLegacySetInstanceSize && allZero(instance.subspan(1)) && data.size() == 1 &&
                    instance[0] < 32;
    const HResult hr = note(SimRequest::LegacySetPin, instance, data, ok);
    if (succeeded(hr))
        m_written[instance[0]].store(data[0]);
    return hr;
}

HResult SimTunerCard::propertyGet(const Guid& set, std::uint32_t id, std::span<const std::uint8_t> instance,
                                  std::span<std::uint8_t> data, std::uint32_t* returned)
{
    const bool ok = offersPropertySet() && set == kLegacyGpioSet && id == 0 &&
                    instance.size() == kLegacyGetInstanceSize && allZero(instance.subspan(1)) && data.size() == 1;
    const HResult hr = note(SimRequest::LegacyGetPin, instance, data, ok);
    if (succeeded(hr)) {
        data[0] = levelOf(instance[0]);
        if (returned)
            *returned = 1;
    }
    return hr;
}

HResult SimTunerCard::ksProperty(std::span<const std::uint8_t> request, std::span<std::uint8_t> data,
                                 std::uint32_t* returned)
{
    if (!offersControl() || request.size() < 28)
        return kNoInterface;
    const std::uint8_t* r = request.data();
    const Guid set = getGuid(r);
    const std::uint32_t id = get32(r + 16);
    const std::uint32_t flags = get32(r + 20);
    const std::uint32_t kind = get32(r + 24);
    const bool cardHasId = m_options.implementationId != 0;

    if (set == kProbeSet) {
        // Bytes 30-31 and 36-39 are left unset by the caller and not read.
        // The answer goes through the request's own pointer, never into the
        // data byte; a pointer to no flag the prober set aside is refused.
        std::uint8_t* const flag = probeResultFlag(request);
        const bool ok = request.size() == kProbeRequestSize && id == 0 && flags == kPropertyTypeGet && kind == 3 &&
                        data.size() == 1 && flag;
        const HResult hr = note(SimRequest::Probe, request, data, ok);
        if (!succeeded(hr))
            return hr;
        if (returned)
            *returned = 0;
        if (!cardHasId || get16(r + 28) != m_options.implementationId)
            return kNotFound;
        *flag = 1;
        return kOk;
    }
    if (set != kChipGpioSet || request.size() < 32)
        return note(SimRequest::ChipGetPin, request, data, false);
    const bool header = kind == 2 && cardHasId && get16(r + 28) == m_options.implementationId && r[30] == 1;
    if (id == 1) {
        const bool ok = header && request.size() == kChipGetRequestSize && flags == kPropertyTypeGet &&
                        data.size() == 1 && r[31] < 32;
        const HResult hr = note(SimRequest::ChipGetPin, request, data, ok);
        if (succeeded(hr)) {
            data[0] = levelOf(r[31]);
            if (returned)
                *returned = 1;
        }
        return hr;
    }
    const bool ok = header && id == 0 && request.size() == kChipDirectionRequestSize && flags == kPropertyTypeSet &&
                    r[31] == 0 && allZero(request.subspan(36, 4)) && data.size() == 4;
    const HResult hr = note(SimRequest::ChipPinDirection, request, data, ok);
    if (succeeded(hr)) {
        m_directionMask.store(get32(r + 32));
        m_directionValue.store(get32(data.data()));
    }
    return hr;
}

HResult SimTunerCard::ksEvent(std::span<const std::uint8_t> request, std::span<std::uint8_t> eventData,
                              std::uint32_t* returned)
{
    if (!offersControl())
        return kNoInterface;
    if (returned)
        *returned = 0;
    if (request.empty()) {
        // Disabling names the registration by the very record it was made with.
        const bool shape = eventData.size() == kDisableEventDataSize && get32(eventData.data()) == kEventfEventHandle;
        bool found = false;
        if (shape && !refusing(SimRequest::EventDisable)) {
            std::lock_guard lock(m_mutex);
            for (auto& reg : m_regs)
                if (reg.record == eventData.data()) {
                    reg = Registration{};
                    found = true;
                }
        }
        return note(SimRequest::EventDisable, request, eventData, shape && found);
    }
    const std::uint8_t* r = request.data();
    const std::uint8_t* d = eventData.data();
    bool ok = request.size() == kEventRequestSize && get32(r + 20) == kEventTypeEnable && eventData.size() >= 16 &&
              get32(d) == kEventfEventHandle && get32(d + 4) != 0 && get32(d + 8) == 0 && get32(d + 12) == 0;
    Registration reg;
    if (ok) {
        const Guid set = getGuid(r);
        reg.eventId = get32(r + 16);
        reg.record = d;
        reg.handle = get32(d + 4);
        reg.sinceTicks = nowTicks();
        std::uint8_t pin = 0;
        std::uint32_t source = 0;
        if (set == kLegacyEventSet) {
            ok = eventData.size() == kLegacyEventDataSize && legacyEventPin(reg.eventId, pin, source);
        } else if (set == kChipEventSet) {
            reg.chip = true;
            ok = eventData.size() == kChipEventDataSize && reg.eventId < 32 && d[16] == reg.eventId &&
                 allZero(eventData.subspan(17));
        } else {
            ok = false;
        }
    }
    if (ok && !refusing(SimRequest::EventEnable)) {
        std::lock_guard lock(m_mutex);
        auto slot = std::find_if(m_regs.begin(), m_regs.end(),
                                 [&](const Registration& x) { return x.record == d && x.eventId == reg.eventId; });
        if (slot == m_regs.end())
            slot = std::find_if(m_regs.begin(), m_regs.end(), [](const Registration& x) { return !x.record; });
        if (slot == m_regs.end())
            ok = false;
        else
            *slot = reg;
    }
    return note(SimRequest::EventEnable, request, eventData, ok);
}

void SimTunerCard::load(const std::vector<std::uint32_t>& durationsUs, std::int64_t startTicks)
{
    const std::int64_t freq = os::timeService().frequency();
    m_edges.clear();
    std::int64_t us = 0;
    for (std::uint32_t d : durationsUs) {
        m_edges.push_back(startTicks + us * freq / 1'000'000);
        us += d;
    }
    // A timeline ending in a pulse still ends that burst.
    if (m_edges.size() % 2)
        m_edges.push_back(startTicks + us * freq / 1'000'000);
    // Sized here, not by the player: playing must not allocate.
    m_played.assign(m_edges.size(), 0);
}

std::uint8_t SimTunerCard::irLevel() const
{
    if (m_live.load())
        return m_liveLevel.load();
    const std::int64_t now = nowTicks() - m_playerShift.load(std::memory_order_relaxed);
    const auto passed = std::upper_bound(m_edges.begin(), m_edges.end(), now) - m_edges.begin();
    return passed % 2 ? 0 : 1;
}

int SimTunerCard::signalEdge(std::size_t edge, os::EventHandle* out, int max)
{
    return signalAt(static_cast<std::uint32_t>(edge % 2), m_edges[edge], out, max);
}

int SimTunerCard::signalAt(std::uint32_t source, std::int64_t at, os::EventHandle* out, int max)
{
    if (!m_signalling.load())
        return 0;
    int n = 0;
    std::lock_guard lock(m_mutex);
    for (const auto& reg : m_regs) {
        if (!reg.record || reg.sinceTicks > at)
            continue;
        if (hits(reg, source) && os::setEvent(reg.handle) && n < max)
            out[n++] = reg.handle;
    }
    return n;
}

bool SimTunerCard::interrupts(std::uint32_t source) const
{
    std::lock_guard lock(m_mutex);
    return std::any_of(m_regs.begin(), m_regs.end(),
                       [&](const Registration& reg) { return reg.record && hits(reg, source); });
}

bool SimTunerCard::hits(const Registration& reg, std::uint32_t source) const
{
    // The chip signals a pin's change at the start of each burst.
    if (reg.chip)
        return reg.eventId == m_options.irPin && source == 0;
    std::uint8_t pin = 0;
    std::uint32_t src = 0;
    return legacyEventPin(reg.eventId, pin, src) && pin == m_options.irPin && src == source;
}

void SimTunerCard::fire(std::uint32_t source)
{
    // A one-off edge at the current instant.
    if (!m_signalling.load())
        return;
    std::lock_guard lock(m_mutex);
    for (const auto& reg : m_regs)
        if (reg.record && hits(reg, source))
            os::setEvent(reg.handle);
}

bool SimTunerCard::replay(os::VirtualTimeService& clock, std::string* error, std::chrono::milliseconds limit)
{
    std::size_t k = 0;
    os::EventHandle pending[16];
    while (k < m_edges.size()) {
        if (m_edges[k] > clock.nowTicks())
            clock.advanceTo(m_edges[k]);
        int n = signalEdge(k++, pending, 16);
        // Edges the clock passed while the interrupt thread was busy (its
        // sleeps move virtual time) land on already-pending events.
        for (;;) {
            for (int i = 0; i < n; ++i) {
                if (os::waitUntilHandled(pending[i], limit) != os::HandledResult::TimedOut)
                    continue;
                if (error)
                    *error = "replay stopped at edge " + std::to_string(k) + " of " + std::to_string(m_edges.size()) +
                             ": no thread took the card's event within " + std::to_string(limit.count()) + " ms";
                return false;
            }
            n = 0;
            bool any = false;
            while (k < m_edges.size() && m_edges[k] <= clock.nowTicks()) {
                n += signalEdge(k++, pending + n, 16 - n);
                any = true;
            }
            if (!any)
                break;
        }
    }
    return true;
}

void SimTunerCard::startPlayer()
{
    joinPlayer();
    m_stopPlayer.store(false);
    m_player = std::thread([this] {
        os::raiseThreadPriority();
        const CpuWaker awake;
        const std::int64_t tolerance = lateToleranceTicks();
        std::int64_t shift = 0;
        m_playerShift.store(0);
        for (std::size_t k = 0; k < m_edges.size() && !m_stopPlayer.load(); ++k) {
            const std::int64_t late = waitForEdge(m_edges[k] + shift, m_stopPlayer);
            if (late > tolerance && interrupts(static_cast<std::uint32_t>(k % 2))) {
                shift += late;
                m_playerShift.store(shift, std::memory_order_relaxed);
            }
            m_played[k] = nowTicks();
            os::EventHandle ignored[16];
            signalEdge(k, ignored, 16);
        }
    });
}

void SimTunerCard::joinPlayer()
{
    if (m_player.joinable())
        m_player.join();
}

std::uint64_t SimTunerCard::playLive(std::vector<std::uint32_t> durationsUs)
{
    std::uint64_t ticket = 0;
    {
        std::lock_guard lock(m_liveMutex);
        if (m_liveStop.load() || m_liveQueue.size() >= kMaxLiveQueue)
            return 0;
        m_liveQueue.push_back(std::move(durationsUs));
        ticket = ++m_liveQueued;
        if (!m_liveThread.joinable()) {
            m_live.store(true);
            m_liveThread = std::thread([this] { runLive(); });
        }
    }
    m_liveCv.notify_all();
    return ticket;
}

bool SimTunerCard::waitPlayed(std::uint64_t ticket, std::uint32_t timeoutMs)
{
    std::unique_lock lock(m_liveMutex);
    return m_liveCv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return m_livePlayed >= ticket || m_liveStop.load(); }) &&
           m_livePlayed >= ticket;
}

void SimTunerCard::runLive()
{
    os::raiseThreadPriority();
    std::unique_lock lock(m_liveMutex);
    for (;;) {
        m_liveCv.wait(lock, [&] { return m_liveStop.load() || !m_liveQueue.empty(); });
        if (m_liveStop.load())
            return;
        const std::vector<std::uint32_t> timeline = std::move(m_liveQueue.front());
        m_liveQueue.pop_front();
        lock.unlock();

        const CpuWaker awake;
        const std::int64_t freq = os::timeService().frequency();
        std::int64_t at = nowTicks() + freq / 1000;
        // Every duration starts with an edge; the end of the timeline is one
        // more instant, an edge only when the timeline ends inside a burst.
        for (std::size_t i = 0; i <= timeline.size() && !m_liveStop.load(); ++i) {
            const std::uint32_t source = static_cast<std::uint32_t>(i % 2);
            // A spinning player at the interrupt thread's priority holds a
            // CPU; spin only where an edge raises an interrupt.
            const std::int64_t late = waitForEdge(at, m_liveStop, interrupts(source) ? 100 : 0);
            if (late > lateToleranceTicks() && interrupts(source))
                at += late;
            if (i == timeline.size() && source == 0)
                break;
            m_liveLevel.store(source == 0 ? 0 : 1);
            if (source == 0)
                m_liveBursts.fetch_add(1);
            os::EventHandle ignored[16];
            signalAt(source, at, ignored, 16);
            if (i < timeline.size())
                at += std::int64_t{timeline[i]} * freq / 1'000'000;
        }
        m_liveLevel.store(1);

        lock.lock();
        ++m_livePlayed;
        m_liveCv.notify_all();
    }
}

} // namespace remorra::tuner
