#include "NEC_Decoder.h"

#include "tmTrace.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

const char* const kUnit = "NEC_Decoder";

#define NEC_ERROR(...)                    \
    do {                                  \
        tmSetTraceLevel(0);               \
        tmTraceLocation(__LINE__, kUnit); \
        tmTracePrint(__VA_ARGS__);        \
    } while (0)

#define NEC_INFO(...)              \
    do {                           \
        tmSetTraceLevel(1);        \
        tmTracePrint(__VA_ARGS__); \
    } while (0)

std::uint8_t ReverseBits(std::uint8_t v)
{
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (v & (1u << i)) r = static_cast<std::uint8_t>(r | (0x80u >> i));
    return r;
}

// Byte k from bits[8k..8k+7], the first one least significant.
std::uint8_t PackByte(const std::uint8_t* bits, int k)
{
    std::uint8_t b = 0;
    for (int i = 0; i < 8; ++i)
        if (bits[8 * k + i]) b = static_cast<std::uint8_t>(b | (1u << i));
    return b;
}

bool InRange(std::uint32_t v, std::uint32_t lo, std::uint32_t hi) { return v >= lo && v <= hi; }

// Time since the previous edge in `unit` (100-ns steps); a pause too long for
// 32 bits stays the longest interval instead of wrapping into a bit.
std::uint32_t Interval(std::uint64_t now, std::uint64_t prev, std::uint64_t unit)
{
    const std::uint64_t d = now >= prev ? (now - prev) / unit : 0;
    return d > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(d);
}

// A held key sends a repeat code every 108 ms, start to start. A repeat that
// starts later than this after the last frame or repeat taken does not
// belong to it (the frame in between was lost, or a repeat was): another
// key's press may be under way. A new press ends its frame at least 11.8 ms
// after the last repeat code, so its first repeat comes 119.8 ms or more
// after it: the bound stays below that.
constexpr std::uint64_t kRepeatWithin = (108000 + 10000) * 10; // 100 ns

// Whether a repeat code that started at `start` follows the key of `last`;
// `quiet`: no frame's edges came in between (only lost ones).
bool RepeatFollows(std::uint64_t start, std::uint64_t last, bool quiet)
{
    if (start >= last && (quiet || start - last <= kRepeatWithin)) return true;
    NEC_INFO("Info: Repeat dropped, %d ms after the last key",
             start >= last ? static_cast<int>(std::min<std::uint64_t>((start - last) / 10000, INT32_MAX)) : -1);
    return false;
}

} // namespace

CNEC_Decoder::CNEC_Decoder(tmIOSDependTimeOut* timeOut, std::uint32_t samplePeriodUs, std::uint32_t unitTimeUs)
    : m_pTimeOut(timeOut), m_dwSamplePeriod(samplePeriodUs), m_dwUnitTime(unitTimeUs),
      // A zero period would divide by zero; treat it as the coarsest limit.
      m_dwMaxBurstPlus1(samplePeriodUs ? (unitTimeUs / 2) / samplePeriodUs + 1 : 1)
{
}

std::uint64_t CNEC_Decoder::Now() const
{
    std::uint64_t now = 0;
    if (m_pTimeOut) m_pTimeOut->tmIGetTime(&now);
    return now;
}

std::int32_t CNEC_Decoder::DecodeEdge32(tmIrNecReport* report, const std::uint32_t*)
{
    const std::uint64_t now = Now();
    const std::uint32_t d = Interval(now, m_ullPrevTime, 10);
    std::int32_t result = TM_IR_DECODER_IN_PROGRESS;

    if (InRange(d, 901, 1500)) {
        m_bQuietSinceKey = false;
        ++m_ucBitCount;
    } else if (InRange(d, 1601, 2500)) {
        m_bQuietSinceKey = false;
        if (m_ucBitCount < 32) m_dwAccu |= 1u << (31 - m_ucBitCount);
        ++m_ucBitCount;
    } else if (InRange(d, 12501, 13999)) {
        m_bQuietSinceKey = false;
        m_ucBitCount = 0;
        m_dwAccu = 0;
        m_bValid32 = 0;
        m_ullFrameStart = m_ullPrevTime;
    } else if (InRange(m_dwPrevInterval, 10001, 11999) && InRange(d, 85001, 97999)) {
        NEC_INFO("Info: Repeat detected, last Data: 0x%04X Data 0x%02X", m_tSaved32.address, m_tSaved32.command);
        const std::uint64_t start = m_ullPrevTime - std::uint64_t{m_dwPrevInterval} * 10;
        if (m_bValid32 && report && RepeatFollows(start, m_ullLastKey32, m_bQuietSinceKey)) {
            m_ullLastKey32 = start;
            m_bQuietSinceKey = true;
            m_tSaved32.repeat = 1;
            *report = m_tSaved32;
            result = TM_IR_DECODER_OK;
        }
    } else if (InRange(d, 10001, 11999)) {
        // the space of a repeat code
    } else if (d > 15000) {
        NEC_INFO("Info: Start detected");
        m_ucBitCount = 0;
        m_ullFrameStart = now;
    } else {
        NEC_INFO("Info: Actual time %5d usec", static_cast<int>(d));
        m_bQuietSinceKey = false;
        m_bValid32 = 0;
    }

    if (m_ucBitCount == 32) {
        const auto b0 = ReverseBits(static_cast<std::uint8_t>(m_dwAccu >> 24));
        const auto b1 = ReverseBits(static_cast<std::uint8_t>(m_dwAccu >> 16));
        const auto b2 = ReverseBits(static_cast<std::uint8_t>(m_dwAccu >> 8));
        const auto b3 = ReverseBits(static_cast<std::uint8_t>(m_dwAccu));
        NEC_INFO("Info: Last bit detected, Data:%2X%2X Data %2X Inv %2X Bits %d", b1, b0, b2, b3, m_ucBitCount);
        m_aucLastFrame32[0] = b0, m_aucLastFrame32[1] = b1, m_aucLastFrame32[2] = b2, m_aucLastFrame32[3] = b3;
        if (b3 == static_cast<std::uint8_t>(~b2)) {
            m_tSaved32.address = static_cast<std::uint16_t>(b0 + 256 * b1);
            m_tSaved32.command = b2;
            m_tSaved32.repeat = 0;
            if (report) *report = m_tSaved32;
            m_ucBitCount = 0;
            m_bValid32 = 1;
            m_ullLastKey32 = m_ullFrameStart;
            m_bQuietSinceKey = true;
            result = TM_IR_DECODER_OK;
        } else {
            NEC_ERROR("Error: Uncorrect data");
            m_bValid32 = 0;
            result = TM_IR_DECODER_DATA_MISMATCH;
        }
    }

    m_ullPrevTime = now;
    m_dwPrevInterval = d;
    return result;
}

std::int32_t CNEC_Decoder::DecodeEdge40(tmIrNec24Report* report, const std::uint32_t*)
{
    const std::uint64_t now = Now();
    const std::uint32_t d = Interval(now, m_ullPrevTime, 100);
    std::int32_t result = TM_IR_DECODER_IN_PROGRESS;

    if (InRange(d, 91, 150)) {
        m_bQuietSinceKey = false;
        if (m_ucBitCount < 40) {
            m_aucBits40[m_ucBitCount] = 0;
            NEC_INFO("Info: Detected '0' (%5d, %d)", static_cast<int>(d), 39 - m_ucBitCount);
        }
        ++m_ucBitCount;
    } else if (InRange(d, 161, 250)) {
        m_bQuietSinceKey = false;
        if (m_ucBitCount < 40) {
            m_aucBits40[m_ucBitCount] = 1;
            NEC_INFO("Info: Detected '1' (%5d, %d)", static_cast<int>(d), 39 - m_ucBitCount);
        }
        ++m_ucBitCount;
    } else if (InRange(d, 1251, 1399)) {
        m_bQuietSinceKey = false;
        m_ucBitCount = 0;
        m_ullFrameStart = m_ullPrevTime;
    } else if (InRange(m_dwPrevInterval, 1001, 1349) && InRange(d, 8501, 9799)) {
        NEC_INFO("Info: Repeat detected, last Key Data: 0x%04X Data 0x%02X", m_tSaved24.address, m_tSaved24.command);
        const std::uint64_t start = m_ullPrevTime - std::uint64_t{m_dwPrevInterval} * 100;
        if (m_bValid24 && report && RepeatFollows(start, m_ullLastKey24, m_bQuietSinceKey)) {
            m_ullLastKey24 = start;
            m_bQuietSinceKey = true;
            m_tSaved24.repeat = 1;
            *report = m_tSaved24;
            result = TM_IR_DECODER_OK;
        }
    } else if (d > 1500) {
        NEC_INFO("Info: Start detected");
        m_ucBitCount = 0;
        m_ullFrameStart = now;
    }

    if (m_ucBitCount == 40) {
        std::uint8_t b[5];
        for (int k = 0; k < 5; ++k) b[k] = PackByte(m_aucBits40, k);
        NEC_INFO("Info: Last bit detected, Data:0x%2X%2X%2X Data %2X Inv %2X Bits %d", b[2], b[1], b[0], b[3], b[4],
                 m_ucBitCount);
        if (b[4] == static_cast<std::uint8_t>(~b[3])) {
            m_tSaved24.address = b[0] + 256u * b[1] + 65536u * b[2];
            m_tSaved24.command = b[3];
            m_tSaved24.repeat = 0;
            if (report) *report = m_tSaved24;
            m_ucBitCount = 0;
            m_bValid24 = 1;
            m_ullLastKey24 = m_ullFrameStart;
            m_bQuietSinceKey = true;
            result = TM_IR_DECODER_OK;
        } else {
            NEC_ERROR("Error: Uncorrect data");
            m_bValid24 = 0;
            result = TM_IR_DECODER_DATA_MISMATCH;
        }
    }

    m_ullPrevTime = now;
    m_dwPrevInterval = d;
    return result;
}

std::int32_t CNEC_Decoder::DecodeSamples32(const std::uint8_t* window, std::uint32_t count, tmIrNecReport* report)
{
    return DecodeSamples(window, count, 32, report, nullptr);
}

std::int32_t CNEC_Decoder::DecodeSamples40(const std::uint8_t* window, std::uint32_t count, tmIrNec24Report* report)
{
    return DecodeSamples(window, count, 40, nullptr, report);
}

std::int32_t CNEC_Decoder::DecodeSamples(const std::uint8_t* window, std::uint32_t count, std::uint32_t nBits,
                                         tmIrNecReport* report32, tmIrNec24Report* report40)
{
    const bool is32 = nBits == 32;
    if (is32 ? !report32 : !report40) return TM_IR_DECODER_INVALID_START;
    if (report32) report32->address = 0, report32->command = 0, report32->repeat = 0;
    if (report40) report40->address = 0, report40->command = 0, report40->repeat = 0;
    if (!window) count = 0;
    std::int32_t& valid = is32 ? m_bValid32 : m_bValid24;

    const std::uint32_t p = m_dwSamplePeriod;
    const std::uint32_t m = m_dwMaxBurstPlus1 ? m_dwMaxBurstPlus1 - 1 : 0;
    const std::uint32_t m25 = (5 * m) / 2; // floor(2.5 m)

    // Leader burst.
    std::uint32_t pos = 0;
    std::uint32_t n = 0;
    const std::uint32_t leaderBound = is32 ? 12000 : 10000;
    while (pos < count && window[pos] == 1 && p * n < leaderBound) ++n, ++pos;
    if (p * n < 5100) {
        valid = 0;
        if (is32)
            NEC_ERROR("Error: TM_IR_DECODER_INVALID_START falling edge after %dus", static_cast<int>(p * n));
        else
            NEC_ERROR("Error: TM_IR_DECODER_INVALID_START");
        return TM_IR_DECODER_INVALID_START;
    }

    // Leader space.
    std::uint32_t s = 0;
    while (pos < count && window[pos] == 0 && p * s < 5000) ++s, ++pos;
    const std::uint32_t space = p * s;

    if (space <= 2250) {
        // Repeat code. Both widths repeat the saved frame only while one is
        // valid; a bare repeat flag would reach the sink as key 0.
        if (valid) {
            if (is32) {
                *report32 = m_tSaved32;
                report32->repeat = 1;
            } else {
                *report40 = m_tSaved24;
                report40->repeat = 1;
            }
            return TM_IR_DECODER_OK;
        }
        NEC_ERROR("Error: TM_IR_DECODER_INVALID_START");
        return TM_IR_DECODER_INVALID_START;
    }
    if (space < 3000) {
        valid = 0;
        NEC_ERROR("Error: TM_IR_DECODER_INVALID_START");
        return TM_IR_DECODER_INVALID_START;
    }

    std::uint8_t bits[40] = {};
    std::uint32_t idx = 0;
    auto record = [&](std::uint8_t bit) {
        if (idx < nBits) bits[idx++] = bit;
    };
    std::uint8_t prev = 0;
    std::uint32_t run = 0;
    bool started = false;    // a burst has begun
    bool awaitSpace = false; // a burst ended, its space is running
    std::int32_t result = TM_IR_DECODER_OK;
    bool stop = false;

    for (; pos < count && idx < nBits && !stop; ++pos) {
        const std::uint8_t cur = window[pos] ? 1 : 0;
        if (cur == prev) {
            ++run;
            continue;
        }
        if (cur == 1) { // a space of `run` samples ended
            if (!started) {
                started = true;
            } else if (!awaitSpace) {
                NEC_ERROR("Error: Wrong state");
                result = TM_IR_DECODER_INVALID_BIT_TEMPLATE;
                stop = true;
            } else if (run <= m) {
                record(0);
                awaitSpace = false;
            } else if (run < m25) {
                record(1);
                awaitSpace = false;
            } else {
                result = TM_IR_DECODER_INVALID_BIT_TEMPLATE;
                const double t = static_cast<double>(p) * run;
                if (is32)
                    NEC_ERROR("Error: Low phase too long %f us (%d)\n", t, static_cast<int>(idx));
                else
                    NEC_INFO("Info: Low phase too long %f us (%d)", t, static_cast<int>(idx));
                if (t > 3800 && t < 10000) {
                    record(1);
                    record(1);
                    NEC_INFO("Info: Corrected to 1 1");
                    awaitSpace = false;
                } else if (t <= 3800) {
                    if (is32)
                        NEC_ERROR("Error: Might be 0 1 or 1 0, no chance to do a correction");
                    else
                        NEC_INFO("Info: Might be 0 1 or 1 0, no chance to do a correction");
                    stop = true;
                } else if (is32) {
                    NEC_ERROR("Error: Missed one bit in between, no chance to do a correction\n");
                    stop = true;
                } else if (idx == 0) {
                    NEC_INFO("Info: Repeat message");
                    if (valid) {
                        *report40 = m_tSaved24;
                        report40->repeat = 1;
                        return TM_IR_DECODER_OK;
                    }
                    NEC_ERROR("Error: TM_IR_DECODER_INVALID_START");
                    return TM_IR_DECODER_INVALID_START;
                } else {
                    NEC_INFO("Info: Missed one bit in between, no chance to do a correction");
                    stop = true;
                }
            }
        } else { // a burst of `run` samples ended
            if (!started) {
                result = TM_IR_DECODER_INVALID_BIT_TEMPLATE;
                stop = true;
            } else if (awaitSpace) {
                NEC_ERROR("Error: Wrong state");
                result = TM_IR_DECODER_INVALID_BIT_TEMPLATE;
                stop = true;
            } else if (run <= m) {
                awaitSpace = true;
            } else {
                const double t = static_cast<double>(p) * run;
                if (is32)
                    NEC_ERROR("Error: High phase too long %f ms %d)\n", t, static_cast<int>(idx));
                else
                    NEC_ERROR("Error: High phase too long %f ms %d", t, static_cast<int>(idx));
                if (run >= m + 2 && run <= m25) {
                    record(0);
                    NEC_INFO("Info: Corrected to 0");
                } else {
                    NEC_INFO("Info: Corrected to 1");
                }
                awaitSpace = true;
            }
        }
        run = 1;
        prev = cur;
    }
    if (idx < nBits) result = TM_IR_DECODER_INVALID_BIT_TEMPLATE;

    std::uint8_t b[5];
    for (int k = 0; k < 5; ++k) b[k] = PackByte(bits, k);
    const std::uint8_t command = is32 ? b[2] : b[3];
    const std::uint8_t check = is32 ? b[3] : b[4];
    if (check != static_cast<std::uint8_t>(~command)) {
        NEC_ERROR("Error: Uncorrect data");
        result = TM_IR_DECODER_DATA_MISMATCH;
    }
    if (result != TM_IR_DECODER_OK) {
        valid = 0;
        return result;
    }
    valid = 1;
    if (is32) {
        report32->address = static_cast<std::uint16_t>(b[0] + 256 * b[1]);
        report32->command = command;
        report32->repeat = 0;
        m_tSaved32 = *report32;
    } else {
        report40->address = b[0] + 256u * b[1] + 65536u * b[2];
        report40->command = command;
        report40->repeat = 0;
        m_tSaved24 = *report40;
    }
    return TM_IR_DECODER_OK;
}
