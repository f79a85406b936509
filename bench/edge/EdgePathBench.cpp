// Cost of what runs on every pin edge: the time read, each decoder's edge
// entry, and OnInterrupt through the front end. The clock is scripted to the
// burst starts of real frames so every decoder walks its normal path.
#include "NEC_Decoder.h"
#include "OSDependFactory.h"
#include "OSDependTimeOut.h"
#include "RC5_Decoder.h"
#include "RC6_Decoder.h"
#include "bench/support/BenchSupport.h"
#include "tmIR_Decoder.h"

#include <benchmark/benchmark.h>

using namespace remorra;

namespace {

struct Sink final : CIR_DecoderCallback {
    void OnIrKey(std::int32_t, const void*) override { ++reports; }
    std::uint64_t reports = 0;
};

struct NullGpio final : tmIGPIOLayer {
    std::int32_t tmISetPin(std::uint8_t, std::uint8_t) override { return 1; }
    std::int32_t tmIGetPin(std::uint8_t, std::uint8_t* v) override {
        *v = 1;
        return 1;
    }
};

struct CapturingInterrupts final : tmIInterruptLayer {
    std::int32_t tmIEnableInterrupt(std::uint8_t, std::uint32_t, CInterruptCallback* cb) override {
        callback = cb;
        return 0;
    }
    std::int32_t tmIDisableInterrupt(std::uint8_t, std::uint32_t) override { return 0; }
    CInterruptCallback* callback = nullptr;
};

// Burst starts of a steady stream of frames of the decoder's protocol, in
// 100 ns ticks, with the stream's length so that cycles keep time rising.
struct Script {
    std::vector<std::int64_t> ticks;
    std::int64_t period = 0;
};

Script scriptFor(std::int32_t decoderType) {
    tuner::EncodeOptions o;
    o.frames = 4;
    o.gapMs = 90;
    tuner::Timeline t;
    switch (decoderType) {
    case TM_IR_DECODER_NEC:
    case TM_IR_DECODER_ALL: t = tuner::encodeNec(0xFB04, 0x12, 2, false, o); break;
    case TM_IR_DECODER_NEC24: t = tuner::encodeNec(0x12FB04, 0x12, 2, true, o); break;
    case TM_IR_DECODER_RC5: t = tuner::encodeRc5(0x1F, 0x0C, true, o); break;
    default: t = tuner::encodeRc6(6, 0x800F, 0x0426, false, o); break;
    }
    Script s;
    for (std::int64_t us : bench::burstStartsUs(t)) s.ticks.push_back(us * 10);
    std::int64_t total = 0;
    for (auto d : t) total += d;
    s.period = total * 10 + 600'000;
    return s;
}

// Runs `edge` once per iteration at the next scripted instant; fires the
// decoder's timer every 64 edges outside the timing (RC6 drains its queue
// there, as the window thread does every 40 ms).
template <typename Edge>
void runScripted(benchmark::State& state, bench::ScriptedTimeService& clock, const Script& s, Edge&& edge) {
    std::size_t i = 0;
    std::int64_t base = 0;
    std::uint64_t edges = 0;
    const std::uint64_t allocsBefore = bench::allocationCount();
    for (auto _ : state) {
        clock.now.store(base + s.ticks[i], std::memory_order_relaxed);
        edge();
        if (++i == s.ticks.size()) {
            i = 0;
            base += s.period;
        }
        if ((++edges & 63) == 0) {
            state.PauseTiming();
            clock.fireTimer();
            state.ResumeTiming();
        }
    }
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(bench::allocationCount() - allocsBefore));
    state.SetItemsProcessed(static_cast<std::int64_t>(edges));
}

void BM_tmIGetTime(benchmark::State& state) {
    // The real monotonic clock: this is the one system call on the edge path.
    tmCOSDependTimeOut timeOut;
    std::uint64_t t = 0;
    const std::uint64_t allocsBefore = bench::allocationCount();
    for (auto _ : state) {
        timeOut.tmIGetTime(&t);
        benchmark::DoNotOptimize(t);
    }
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(bench::allocationCount() - allocsBefore));
}
BENCHMARK(BM_tmIGetTime);

void BM_NecDecodeEdge(benchmark::State& state) {
    const bool bits24 = state.range(0) != 0;
    bench::ScriptedTimeService clock;
    os::ScopedTimeService use(clock);
    tmCOSDependTimeOut timeOut;
    CNEC_Decoder nec(&timeOut, 280, 1680);
    const Script s = scriptFor(bits24 ? TM_IR_DECODER_NEC24 : TM_IR_DECODER_NEC);
    const std::uint32_t selector = 0;
    tmIrNecReport r32{};
    tmIrNec24Report r40{};
    runScripted(state, clock, s, [&] {
        benchmark::DoNotOptimize(bits24 ? nec.DecodeEdge40(&r40, &selector) : nec.DecodeEdge32(&r32, &selector));
    });
}
BENCHMARK(BM_NecDecodeEdge)->Arg(0)->Arg(1)->ArgName("bits24");

void BM_Rc5DecodeEdge(benchmark::State& state) {
    bench::ScriptedTimeService clock;
    os::ScopedTimeService use(clock);
    tmCOSDependTimeOut timeOut;
    Sink sink;
    CRC5_Decoder rc5(&timeOut, 220, 1778, &sink);
    const Script s = scriptFor(TM_IR_DECODER_RC5);
    const std::uint32_t selector = 0;
    tmIrRc5Report r{};
    runScripted(state, clock, s, [&] { benchmark::DoNotOptimize(rc5.DecodeEdge(&r, &selector)); });
}
BENCHMARK(BM_Rc5DecodeEdge);

void BM_Rc6DecodeEdge(benchmark::State& state) {
    bench::ScriptedTimeService clock;
    os::ScopedTimeService use(clock);
    tmCOSDependTimeOut timeOut;
    Sink sink;
    CRC6_Decoder rc6(&timeOut, 220, 444, &sink);
    const Script s = scriptFor(TM_IR_DECODER_RC6);
    const std::uint32_t selector = 0;
    tmIrRc6Report r{};
    runScripted(state, clock, s, [&] { benchmark::DoNotOptimize(rc6.DecodeEdge(&r, &selector)); });
}
BENCHMARK(BM_Rc6DecodeEdge);

// The whole interrupt callback as the layer's thread calls it.
void BM_OnInterrupt(benchmark::State& state) {
    const auto type = static_cast<std::int32_t>(state.range(0));
    bench::ScriptedTimeService clock;
    os::ScopedTimeService use(clock);
    Sink sink;
    NullGpio gpio;
    CapturingInterrupts interrupts;
    COSDependFactory factory;
    const tmIrHwInfo hw{type, 4, 0, TM_IR_CAPTURE_EDGE};
    tmIIrDecoder frontEnd(&sink, &gpio, &interrupts, &factory, &hw);
    if (!frontEnd.Decoder() || frontEnd.Decoder()->Status() != TM_IR_DECODER_OK || !interrupts.callback) {
        state.SkipWithError("front end did not start");
        return;
    }
    const Script s = scriptFor(type);
    const std::uint32_t selector = 0;
    runScripted(state, clock, s, [&] { interrupts.callback->OnInterrupt(&selector); });
    state.counters["reports"] = benchmark::Counter(static_cast<double>(sink.reports));
}
BENCHMARK(BM_OnInterrupt)
    ->Arg(TM_IR_DECODER_RC5)
    ->Arg(TM_IR_DECODER_RC6)
    ->Arg(TM_IR_DECODER_NEC)
    ->Arg(TM_IR_DECODER_NEC24)
    ->Arg(TM_IR_DECODER_ALL) // the card remote's NEC with remote maps active
    ->ArgName("decoder");

} // namespace

BENCHMARK_MAIN();
