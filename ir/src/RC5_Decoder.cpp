#include "RC5_Decoder.h"

#include "tmTrace.h"

#include <cstring>

namespace {

const char* const kUnit = "RC5_Decoder";

// Past the fourteenth bit without a start gap the counter stays here: the
// frame is void and the counter cannot wrap back into a frame.
constexpr std::uint32_t kOverrun = 15;
// Upper end of the longest bit window, in µs.
constexpr std::uint64_t kLastIntervalMax = 3732;

void TraceError(std::uint16_t line, const char* message)
{
    tmSetTraceLevel(0);
    tmTraceLocation(line, kUnit);
    tmTracePrint("%s", message);
}

// Traces of one edge are collected and printed once its state change has
// been published, so that a retried update does not print them twice.
enum class Ev { Detected0, Detected1, Detected0a, Detected1b, Start, Delayed, Unknown, Last };
struct Event {
    Ev id;
    int a, b, c, d;
};
struct Events {
    Event e[8];
    int n = 0;
    void add(Ev id, int a = 0, int b = 0, int c = 0, int d = 0)
    {
        if (n < 8) e[n++] = Event{id, a, b, c, d};
    }
};

void Print(const Events& events)
{
    for (int i = 0; i < events.n; ++i) {
        const Event& ev = events.e[i];
        tmSetTraceLevel(1);
        switch (ev.id) {
        case Ev::Detected0: tmTracePrint("Info: Detected '0' (%d) %5d usec", ev.a, ev.b); break;
        case Ev::Detected1: tmTracePrint("Info: Detected '1' (%d) %5d usec", ev.a, ev.b); break;
        case Ev::Detected0a: tmTracePrint("Info: Detected '0' (%d) %5d usec 1", ev.a, ev.b); break;
        case Ev::Detected1b: tmTracePrint("Info: Detected '1' (%d) %5d usec 2", ev.a, ev.b); break;
        case Ev::Start: tmTracePrint("Info: Start detected"); break;
        case Ev::Delayed:
            tmTracePrint("Info: Delayed report (Command 0x%02X, Group 0x%02X Toggle %d, %d)", static_cast<unsigned>(ev.a),
                         static_cast<unsigned>(ev.b), ev.c, ev.d);
            break;
        case Ev::Unknown: tmTracePrint("Info: Unknown '0' (%d) %5d usec 1", ev.a, ev.b); break;
        case Ev::Last:
            tmTracePrint("Info: Last bit detected (Command 0x%02X, Group 0x%02XToggle %d, %d)",
                         static_cast<unsigned>(ev.a), static_cast<unsigned>(ev.b), ev.c, ev.d);
            break;
        }
    }
}

std::uint8_t Command(std::uint32_t acc) { return static_cast<std::uint8_t>(acc & 0x3Fu); }
std::uint8_t Group(std::uint32_t acc) { return static_cast<std::uint8_t>((acc >> 6) & 0x1Fu); }
std::uint8_t Toggle(std::uint32_t acc) { return static_cast<std::uint8_t>((acc >> 11) & 1u); }
std::uint8_t Field(std::uint32_t acc) { return static_cast<std::uint8_t>((acc >> 12) & 1u); }

} // namespace

std::uint32_t CRC5_Decoder::Pack(const State& s)
{
    return (s.accumulator & 0x3FFFu) | ((s.counter & 0xFFu) << 16) | ((s.lastBit & 1u) << 24) | ((s.error & 1u) << 25);
}

CRC5_Decoder::State CRC5_Decoder::Unpack(std::uint32_t word)
{
    return State{word & 0x3FFFu, (word >> 16) & 0xFFu, (word >> 24) & 1u, (word >> 25) & 1u};
}

void CRC5_Decoder::Fill(const State& s, tmIrRc5Report* report)
{
    report->command = Command(s.accumulator);
    report->group = Group(s.accumulator);
    report->toggle = Toggle(s.accumulator);
    report->field = Field(s.accumulator);
}

CRC5_Decoder::CRC5_Decoder(tmIOSDependTimeOut* timeOut, std::uint32_t samplePeriodUs, std::uint32_t unitTimeUs,
                           CIR_DecoderCallback* sink)
{
    if (!timeOut) return;
    m_pTimeOut = timeOut;
    m_pSink = sink;
    m_dwSamplePeriod = samplePeriodUs;
    m_dwUnitTime = unitTimeUs;
    if (samplePeriodUs != 0) {
        m_dwSamplesPerBit = unitTimeUs / samplePeriodUs;
        m_dwHalfBitLimit = (unitTimeUs / 2) / samplePeriodUs + 1;
    }
    m_dwState.store(Pack(State{0, 0, 0, 0}), std::memory_order_relaxed);
    m_pTimeOut->tmIStartTimer(500, 1, this);
}

std::int32_t CRC5_Decoder::DecodeEdge(tmIrRc5Report* report, const std::uint32_t*)
{
    if (!m_pTimeOut) return TM_IR_DECODER_IN_PROGRESS;
    std::uint64_t now = 0;
    m_pTimeOut->tmIGetTime(&now);
    const std::uint64_t prev = m_ullPrevTime.load(std::memory_order_relaxed);
    const std::uint64_t d64 = now >= prev ? (now - prev) / 10 : 0;
    const int d = d64 > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(d64);

    Events events;
    State st{};
    State reported{};
    std::int32_t result = TM_IR_DECODER_IN_PROGRESS;
    std::uint32_t word = m_dwState.load(std::memory_order_acquire);
    do {
        events.n = 0;
        result = TM_IR_DECODER_IN_PROGRESS;
        st = Unpack(word);
        auto record = [&](std::uint32_t bit, Ev ev) {
            if (st.counter < kBits) {
                if (bit) st.accumulator |= 1u << (13 - st.counter);
                else st.accumulator &= ~(1u << (13 - st.counter));
                events.add(ev, static_cast<int>(st.counter), d);
            }
        };
        auto step = [&] {
            if (st.counter < kOverrun) ++st.counter;
        };

        if (d >= 1621 && d <= 1866) {
            record(st.lastBit, st.lastBit ? Ev::Detected1 : Ev::Detected0);
            step();
        } else if (d >= 2431 && d <= 2799) {
            if (st.counter < kBits) {
                if (st.lastBit == 0) {
                    record(0, Ev::Detected0a);
                    step();
                    record(1, Ev::Detected1b);
                    step();
                    st.lastBit = 1;
                } else {
                    record(0, Ev::Detected0a);
                    st.lastBit = 0;
                    step();
                }
            } else {
                step();
            }
        } else if (d >= 3240 && d <= 3732) {
            if (st.counter < kBits) {
                record(0, Ev::Detected0a);
                step();
                record(1, Ev::Detected1b);
                st.lastBit = 1;
                step();
            } else {
                step();
            }
        } else if (d > 80000) {
            events.add(Ev::Start);
            st.lastBit = 1;
            if (st.counter == 13 && !st.error) {
                reported = st;
                events.add(Ev::Delayed, Command(st.accumulator), Group(st.accumulator), Toggle(st.accumulator),
                           static_cast<int>(st.counter));
                result = TM_IR_DECODER_OK;
            }
            st.error = 0;
            st.counter = 1;
            st.accumulator = 0;
        } else {
            events.add(Ev::Unknown, static_cast<int>(st.counter), d);
            st.error = 1;
        }

        if (st.counter == kBits) {
            if (!st.error) {
                st.lastBit = 1;
                reported = st;
                events.add(Ev::Last, Command(st.accumulator), Group(st.accumulator), Toggle(st.accumulator),
                           static_cast<int>(st.counter));
                result = TM_IR_DECODER_OK;
            }
            st.counter = 1;
            st.accumulator = 0;
        }
    } while (!m_dwState.compare_exchange_weak(word, Pack(st), std::memory_order_acq_rel, std::memory_order_acquire));

    m_ullPrevTime.store(now, std::memory_order_relaxed);
    Print(events);
    if (result == TM_IR_DECODER_OK && report) Fill(reported, report);
    return result;
}

void CRC5_Decoder::OnTimeOut()
{
    if (!m_pTimeOut) return;
    std::uint32_t word = m_dwState.load(std::memory_order_acquire);
    const State st = Unpack(word);
    if (st.counter != 13 || st.error) return;
    // Thirteen bits are also passed on the way to fourteen: a frame is only
    // pending once its longest last interval is over.
    std::uint64_t now = 0;
    m_pTimeOut->tmIGetTime(&now);
    const std::uint64_t prev = m_ullPrevTime.load(std::memory_order_relaxed);
    if (now < prev || now - prev <= kLastIntervalMax * 10) return;
    State next = st;
    next.error = 0;
    next.counter = 1;
    next.accumulator = 0;
    // Losing the race means an edge moved the frame on: it is that edge's now.
    if (!m_dwState.compare_exchange_strong(word, Pack(next), std::memory_order_acq_rel, std::memory_order_acquire))
        return;
    tmSetTraceLevel(1);
    tmTracePrint("Info: Delayed report!");
    tmSetTraceLevel(1);
    tmTracePrint("Info: Delayed report (Command 0x%02X, Group 0x%02X Toggle %d, %d)",
                 static_cast<unsigned>(Command(st.accumulator)), static_cast<unsigned>(Group(st.accumulator)),
                 static_cast<int>(Toggle(st.accumulator)), static_cast<int>(st.counter));
    if (m_pSink) {
        tmIrRc5Report report{};
        Fill(st, &report);
        m_pSink->OnIrKey(TM_IR_DECODER_RC5, &report);
    }
}

// Runs of one level are one half-bit up to the half-bit limit and two
// half-bits beyond it. The window starts at the first burst, so the idle
// half-bit that precedes it is prepended. Until the first bit is complete,
// halves that do not pair are dropped so the window may open in idle level.
std::int32_t CRC5_Decoder::DecodeSamples(const std::uint8_t* window, std::uint32_t count, tmIrRc5Report* report)
{
    if (!report) return TM_IR_DECODER_INSUFFICIENT_SAMPLES;
    report->command = 0;
    report->group = 0;
    report->toggle = 0;
    report->field = 0;
    auto fail = [report](std::int32_t code) {
        report->command = 0xFF;
        report->group = 0xFF;
        report->toggle = 0xFF;
        report->field = 0xFF;
        return code;
    };
    if (m_dwHalfBitLimit < 3) {
        TraceError(__LINE__, "Error: TM_IR_DECODER_SAMPLING_FREQUENCY_TOO_LOW");
        return fail(TM_IR_DECODER_SAMPLING_FREQUENCY_TOO_LOW);
    }
    if (!window) count = 0;

    const std::uint32_t limit = m_dwHalfBitLimit;
    const std::uint32_t prefix = m_dwSamplesPerBit / 2;
    std::uint32_t bits = 0;
    bool open = false;
    std::uint32_t first = 0;

    // 0 = half taken, otherwise the error code.
    auto half = [&](std::uint32_t level) -> std::int32_t {
        if (!open) {
            open = true;
            first = level;
            return 0;
        }
        if (first == level) {
            if (bits == 0) return 0; // keep the newer half as the opening one
            TraceError(__LINE__, "Error: TM_IR_DECODER_INVALID_BIT_TEMPLATE");
            return TM_IR_DECODER_INVALID_BIT_TEMPLATE;
        }
        m_adwBits[bits++] = first;
        open = false;
        if (bits == 1 && m_adwBits[0] != 1) {
            TraceError(__LINE__, "Error: TM_IR_DECODER_INVALID_START");
            return TM_IR_DECODER_INVALID_START;
        }
        return 0;
    };

    std::uint32_t p = 0;
    bool inPrefix = true;
    while (bits < kBits) {
        // Next run: the prepended idle samples join a leading idle run.
        std::uint32_t level = 1;
        std::uint32_t len = 0;
        if (inPrefix) {
            inPrefix = false;
            len = prefix;
            while (p < count && window[p] != 0) { ++p; ++len; }
            if (len == 0) continue;
        } else {
            if (p >= count) break;
            level = window[p] != 0 ? 1u : 0u;
            while (p < count && (window[p] != 0 ? 1u : 0u) == level) { ++p; ++len; }
        }
        const bool last = p >= count;
        if (last) {
            // Idle to the end of the window: it can only close the open bit.
            if (open) {
                if (const std::int32_t rc = half(level)) return fail(rc);
            }
            break;
        }
        if (bits >= 1 && len + 2 < limit) {
            TraceError(__LINE__, "Error: TM_IR_DECODER_INVALID_BIT_DURATION");
            return fail(TM_IR_DECODER_INVALID_BIT_DURATION);
        }
        if (len <= limit) {
            if (const std::int32_t rc = half(level)) return fail(rc);
            continue;
        }
        if (!open && bits >= 1) return fail(TM_IR_DECODER_INVALID_BIT_TEMPLATE);
        if (const std::int32_t rc = half(level)) return fail(rc);
        if (bits < kBits) {
            if (const std::int32_t rc = half(level)) return fail(rc);
        }
    }

    if (bits < kBits) {
        TraceError(__LINE__, "Error: TM_IR_DECODER_INSUFFICIENT_SAMPLES");
        return fail(TM_IR_DECODER_INSUFFICIENT_SAMPLES);
    }
    std::uint32_t group = 0;
    for (std::uint32_t k = 3; k <= 7; ++k) group = (group << 1) | m_adwBits[k];
    std::uint32_t command = 0;
    for (std::uint32_t k = 8; k <= 13; ++k) command = (command << 1) | m_adwBits[k];
    if (m_adwBits[1] == 0) command += 64;
    report->command = static_cast<std::uint8_t>(command);
    report->group = static_cast<std::uint8_t>(group);
    report->toggle = static_cast<std::uint8_t>(m_adwBits[2]);
    report->field = static_cast<std::uint8_t>(m_adwBits[1]);
    return TM_IR_DECODER_OK;
}
