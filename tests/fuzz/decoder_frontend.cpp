// Interval streams through the decoder front end in virtual time, for all four
// decoder types and both capture modes; the RC5/RC6 timers fire as the clock
// passes them. First byte: bits 0-1 decoder type, bit 2 sampling mode. Then
// 16-bit durations alternating burst and space; a set top bit scales the rest
// by 16 so that long gaps are reachable.
#include "FuzzInput.h"
#include "RcSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace remorra;
using remorra::fuzz::fail;
using remorra::fuzz::FuzzInput;

namespace {

void checkReports(const test::RecordingSink& sink, std::int32_t type)
{
    for (std::int32_t t : sink.types)
        if (t != type)
            fail("a report of another decoder type");
    for (const auto& r : sink.rc5)
        if (r.command > 0x7F || r.group > 0x1F || r.toggle > 1)
            fail("RC5 report out of its fields' ranges");
    for (const auto& r : sink.rc6)
        if (type == TM_IR_DECODER_RC6 && r.header >> 21 != 0)
            fail("RC6 header wider than start, mode, trailer and control");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const std::uint8_t sel = in.u8();
    const std::int32_t type = sel & 3;
    const std::int32_t mode = sel & 4 ? TM_IR_CAPTURE_SAMPLING : TM_IR_CAPTURE_EDGE;

    // Absolute burst/space boundaries in µs from the capture's start.
    std::vector<std::int64_t> bounds;
    std::int64_t t = 0;
    // A sampling pass costs thousands of counter reads, so that mode gets
    // fewer bursts to keep the fuzzer fast.
    const std::size_t maxBounds = mode == TM_IR_CAPTURE_SAMPLING ? 160 : 4096;
    while (!in.empty() && bounds.size() < maxBounds) {
        const std::uint16_t v = in.u16();
        const std::int64_t us = v & 0x8000 ? std::int64_t{v & 0x7FFF} * 16 : v;
        bounds.push_back(t);
        t += us ? us : 1;
    }
    if (bounds.size() % 2)
        bounds.push_back(t);

    test::Rig rig(type, mode);
    const std::int64_t start = rig.vt.nowUs() + 200'000;
    // Receiver output: 0 during a burst, 1 idle.
    rig.pin.level = [&](std::int64_t now) -> std::uint8_t {
        const auto passed = std::upper_bound(bounds.begin(), bounds.end(), now - start) - bounds.begin();
        return passed % 2 ? 0 : 1;
    };
    if (mode == TM_IR_CAPTURE_SAMPLING)
        rig.vt.setStepPerRead(rig.vt.frequency() / 50'000); // 20 µs a read: fine enough for NEC's 280 µs samples
    for (std::size_t k = 0; k < bounds.size(); k += 2) {
        const std::int64_t at = start + bounds[k];
        // A burst that starts while a sampling pass holds the thread is not
        // signalled separately; it coalesces with the pass, as on the card.
        if (rig.vt.nowUs() >= at && k > 0)
            continue;
        if (rig.vt.nowUs() < at)
            rig.vt.advanceUs(at - rig.vt.nowUs());
        rig.interrupts.fire();
    }
    rig.vt.setStepPerRead(0);
    rig.vt.advanceMs(1000);
    checkReports(rig.sink, type);
    if (std::getenv("REMORRA_FUZZ_VERBOSE"))
        std::fprintf(stderr, "type %d mode %d: %zu reports\n", type, mode, rig.sink.types.size());
    return 0;
}
