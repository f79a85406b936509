#include "platform/receivers/RawIrCaptureFilter.h"

#include "platform/os/AppLog.h"
#include "platform/os/EdgeTime.h"
#include "platform/tuner/KsWire.h"

#include <algorithm>

namespace remorra::receivers {
namespace {

using namespace remorra::tuner;

// How long an idle receive loop waits on the device before it looks at its
// stop flag again.
constexpr std::int64_t kIdleWaitUs = 50'000;
constexpr std::size_t kQueueSize = 2048;
constexpr std::size_t kReadWords = 256;

bool allZero(std::span<const std::uint8_t> bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

void writeToAppLog(const std::string& line) { WriteLog(L"%s", line.c_str()); }

} // namespace

RawIrCaptureFilter::RawIrCaptureFilter(std::unique_ptr<IRawIrDevice> device, Options options)
    : m_options(std::move(options)), m_device(std::move(device))
{
    // Sized here: the receive loop must not allocate.
    m_played.reserve(m_options.recordBursts);
}

RawIrCaptureFilter::~RawIrCaptureFilter()
{
    m_stop.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

HResult RawIrCaptureFilter::ksProperty(std::span<const std::uint8_t> request, std::span<std::uint8_t> data,
                                       std::uint32_t* returned)
{
    if (request.size() < 32)
        return kInvalidArg;
    const std::uint8_t* r = request.data();
    const auto [set, id, flags, kind] = getPropertyHeader(r);
    if (set == kProbeSet) {
        // Answered through the request's pointer to the prober's flag.
        std::uint8_t* const flag = probeResultFlag(request);
        if (request.size() != kProbeRequestSize || id != 0 || flags != kPropertyTypeGet || kind != 3 ||
            data.size() != 1 || !flag)
            return kInvalidArg;
        if (get16(r + 28) != m_options.implementationId)
            return kNotFound;
        *flag = 1;
        return kOk;
    }
    if (set != kChipGpioSet || kind != 2 || get16(r + 28) != m_options.implementationId || r[30] != 1)
        return kInvalidArg;
    if (id == 1 && flags == kPropertyTypeGet && request.size() == kChipGetRequestSize && data.size() == 1) {
        // A receiver that has gone has no pin to read.
        if (m_lost.load())
            return kNotFound;
        data[0] = r[31] == m_options.irPin ? m_level.load() : 1;
        if (returned)
            *returned = 1;
        return kOk;
    }
    if (id == 0 && flags == kPropertyTypeSet && request.size() == kChipDirectionRequestSize && r[31] == 0 &&
        allZero(request.subspan(36, 4)) && data.size() == 4) {
        // The receiver is an input whatever is asked; keep what was asked.
        m_directionMask.store(get32(r + 32));
        m_directionValue.store(get32(data.data()));
        return kOk;
    }
    return kInvalidArg;
}

HResult RawIrCaptureFilter::ksEvent(std::span<const std::uint8_t> request, std::span<std::uint8_t> eventData,
                                    std::uint32_t* returned)
{
    if (returned)
        *returned = 0;
    std::lock_guard lock(m_regMutex);
    if (request.empty()) {
        // Disabling names the registration by the record it was made with.
        if (eventData.size() != kDisableEventDataSize || get32(eventData.data()) != kEventfEventHandle)
            return kInvalidArg;
        bool found = false;
        for (auto& reg : m_regs) {
            if (reg.record.load() == eventData.data()) {
                reg.handle.store(0, std::memory_order_release);
                reg.record.store(nullptr);
                found = true;
            }
        }
        return found ? kOk : kNotFound;
    }
    const std::uint8_t* r = request.data();
    const std::uint8_t* d = eventData.data();
    const bool ok = request.size() == kEventRequestSize && getGuid(r) == kChipEventSet &&
                    get32(r + 20) == kEventTypeEnable && get32(r + 16) < 32 && eventData.size() == kChipEventDataSize &&
                    get32(d) == kEventfEventHandle && get32(d + 4) != 0 && get32(d + 8) == 0 && get32(d + 12) == 0 &&
                    d[16] == get32(r + 16) && allZero(eventData.subspan(17));
    if (!ok)
        return kInvalidArg;
    if (m_lost.load())
        return kNotFound;
    auto slot = std::find_if(m_regs.begin(), m_regs.end(), [&](const Registration& x) { return x.record.load() == d; });
    if (slot == m_regs.end())
        slot = std::find_if(m_regs.begin(), m_regs.end(), [](const Registration& x) { return !x.record.load(); });
    if (slot == m_regs.end())
        return kFail;
    slot->record.store(d);
    slot->pin.store(get32(r + 16));
    slot->handle.store(get32(d + 4), std::memory_order_release);
    startThread();
    return kOk;
}

void RawIrCaptureFilter::startThread()
{
    if (!m_options.ownThread || m_thread.joinable())
        return;
    m_thread = std::thread([this] {
        std::unique_ptr<IEdgeClock> clock = makeRealTimeEdgeClock(m_options.spinNs);
        serve(*clock, m_stop);
    });
}

void RawIrCaptureFilter::lose(const std::string& what)
{
    // Logged once: the loop ends here and nothing reopens the device.
    if (m_lost.exchange(true))
        return;
    m_level.store(1);
    const std::string line = "IR receiver " + m_device->describe() + " " + what;
    if (m_options.log)
        m_options.log(line);
    else
        writeToAppLog(line);
}

bool RawIrCaptureFilter::openDevice()
{
    std::string error;
    if (!m_device->open(error) || !m_device->setMode2(error)) {
        m_device->close();
        lose("could not be opened: " + error);
        return false;
    }
    // Devices without a settable timeout report idle their own way.
    m_device->setReceiveTimeout(m_options.receiveTimeoutUs);
    return true;
}

void RawIrCaptureFilter::signal(const TimedEdge& edge, IEdgeClock& clock)
{
    m_level.store(edge.level);
    // The chip path signals a pin's change at the start of each burst.
    if (edge.level != 0)
        return;
    if (m_played.size() < m_played.capacity())
        m_played.push_back(edge.at);
    os::EventHandle handles[std::tuple_size_v<decltype(m_regs)>];
    int n = 0;
    for (auto& reg : m_regs) {
        const os::EventHandle h = reg.handle.load(std::memory_order_acquire);
        // The edge's instant goes with the signal: the decoders read it, not
        // the moment the interrupt thread wakes.
        if (h != 0 && reg.pin.load() == m_options.irPin && os::setEventAt(h, edge.at))
            handles[n++] = h;
    }
    clock.signalled(handles, n);
}

void RawIrCaptureFilter::serve(IEdgeClock& clock, const std::atomic<bool>& stop)
{
    clock.prepareThread();
    if (m_lost.load() || !openDevice())
        return;
    EdgeTimeline timeline(clock.frequency(), clock.frequency() * m_options.delayUs / 1'000'000);
    std::array<TimedEdge, kQueueSize> queue;
    std::size_t head = 0;
    std::size_t count = 0;
    std::array<std::uint32_t, kReadWords> words;
    std::array<TimedEdge, kReadWords * EdgeTimeline::kMaxEdgesPerWord> fresh;
    std::string error;
    // The next edge, until it is signalled: the decoders' timers must not run
    // past it when this thread wakes late.
    os::EdgeHold hold;
    while (!stop.load()) {
        if (count != 0)
            hold.hold(queue[head].at);
        else
            hold.release();
        const IRawIrDevice::Wait ready = m_device->wait(count != 0 ? 0 : kIdleWaitUs);
        if (ready == IRawIrDevice::Wait::Gone) {
            lose("has gone");
            break;
        }
        const std::size_t room = std::min(words.size(), (kQueueSize - count) / EdgeTimeline::kMaxEdgesPerWord);
        if (ready == IRawIrDevice::Wait::Ready && room != 0) {
            const int n = m_device->read(std::span(words.data(), room), error);
            if (n < 0) {
                lose("has gone: " + error);
                break;
            }
            const std::size_t made =
                timeline.feed(std::span(words.data(), static_cast<std::size_t>(n)), clock.now(), fresh);
            for (std::size_t i = 0; i < made; ++i)
                queue[(head + count++) % kQueueSize] = fresh[i];
            m_late.store(timeline.lateEdges());
            if (n != 0)
                continue;
        }
        if (count != 0) {
            if (!clock.waitUntil(queue[head].at, stop))
                break;
            signal(queue[head], clock);
            head = (head + 1) % kQueueSize;
            --count;
        }
    }
    m_level.store(1);
    m_device->close();
}

} // namespace remorra::receivers
