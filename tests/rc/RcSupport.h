#pragma once
// Front end rig and RC5/RC6 signal builders for the RC decoder tests.
#include "OSDependFactory.h"
#include "OSDependTimeOut.h"
#include "tmIR_Decoder.h"
#include "tests/support/DecoderFakes.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace remorra::test {

// A front end of one decoder type on fake layers in virtual time.
struct Rig {
    explicit Rig(std::int32_t type, std::int32_t mode = TM_IR_CAPTURE_EDGE) : scope(vt), pin(vt)
    {
        vt.advanceMs(1000);
        const tmIrHwInfo hw{type, 4, 0, mode};
        decoder = std::make_unique<tmIIrDecoder>(&sink, &pin, &interrupts, &factory, &hw);
    }
    // One interrupt `us` after the previous one; timers due on the way fire first.
    void edgeAfter(std::int64_t us)
    {
        vt.advanceUs(us);
        interrupts.fire();
    }
    void edges(const std::vector<std::int64_t>& intervals)
    {
        for (std::int64_t us : intervals) edgeAfter(us);
    }

    os::VirtualTimeService vt;
    os::ScopedTimeService scope;
    FakeInterruptLayer interrupts;
    FakeGpioLayer pin;
    RecordingSink sink;
    COSDependFactory factory;
    std::unique_ptr<tmIIrDecoder> decoder;
};

// Signal as level runs in µs, 1 = burst.
struct Run {
    int level;
    std::int64_t us;
};

// Burst-to-burst intervals of a run list; the first burst gets `gapUs`.
inline std::vector<std::int64_t> BurstIntervals(const std::vector<Run>& runs, std::int64_t gapUs)
{
    std::vector<std::int64_t> out;
    std::int64_t t = 0, lastStart = -1;
    int prev = 0;
    for (const Run& r : runs) {
        if (r.level == 1 && prev == 0) {
            out.push_back(lastStart < 0 ? gapUs : t - lastStart);
            lastStart = t;
        }
        if (r.us > 0) prev = r.level;
        t += r.us;
    }
    return out;
}

// Level at time `us` after the start of the run list (0 outside it).
inline int LevelAt(const std::vector<Run>& runs, std::int64_t us)
{
    std::int64_t t = 0;
    for (const Run& r : runs) {
        if (us >= t && us < t + r.us) return r.level;
        t += r.us;
    }
    return 0;
}

constexpr std::int64_t kT6 = 444;

// RC6: leader, start bit, three mode bits, trailer of double length, then
// `dataBits` bits of `data`, most significant first. Bit 1 = burst, space.
inline std::vector<Run> Rc6Frame(unsigned mode, unsigned trailer, std::uint64_t data, int dataBits)
{
    std::vector<Run> runs{{1, 6 * kT6}, {0, 2 * kT6}};
    auto bit = [&](unsigned b, std::int64_t half) {
        runs.push_back({b ? 1 : 0, half});
        runs.push_back({b ? 0 : 1, half});
    };
    bit(1, kT6);
    for (int i = 2; i >= 0; --i) bit((mode >> i) & 1u, kT6);
    bit(trailer & 1u, 2 * kT6);
    for (int i = dataBits - 1; i >= 0; --i) bit(static_cast<unsigned>((data >> i) & 1u), kT6);
    return runs;
}

constexpr std::int64_t kHalf5 = 889;

// RC5: fourteen bits S1, S2, toggle, 5 group, 6 command. Bit 1 = space, burst.
inline std::vector<Run> Rc5Frame(unsigned s2, unsigned toggle, unsigned group, unsigned command)
{
    const unsigned word = (1u << 13) | ((s2 & 1u) << 12) | ((toggle & 1u) << 11) | ((group & 0x1Fu) << 6) | (command & 0x3Fu);
    std::vector<Run> runs;
    for (int i = 13; i >= 0; --i) {
        const int b = (word >> i) & 1u;
        runs.push_back({b ? 0 : 1, kHalf5});
        runs.push_back({b ? 1 : 0, kHalf5});
    }
    return runs;
}

} // namespace remorra::test
