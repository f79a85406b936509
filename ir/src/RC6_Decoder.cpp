#include "RC6_Decoder.h"

#include "tmTrace.h"

#include <cstdlib>
#include <cstring>

namespace {

const char* const kUnit = "RC6_Decoder";

constexpr std::int32_t kLongGap = 60000;
constexpr std::int32_t kDataLimit = 65000;
constexpr std::int32_t kTerminator = 70000;
constexpr std::int32_t kMaxInterval = 0x7FFFFFFF;

void TraceError(std::uint16_t line, const char* message)
{
    tmSetTraceLevel(0);
    tmTraceLocation(line, kUnit);
    tmTracePrint("%s", message);
}

void TraceInfo(const char* message)
{
    tmSetTraceLevel(1);
    tmTracePrint("%s", message);
}

bool In(std::int32_t v, std::int32_t lo, std::int32_t hi) { return v >= lo && v <= hi; }

// A late edge lengthens one interval and shortens the next by as much; the
// excess goes back to the next interval.
std::int32_t Snap(std::int32_t v)
{
    if (In(v, 977, 1243)) return 888;
    if (In(v, 1465, 1643)) return 1332;
    if (In(v, 1953, 2043)) return 1776;
    if (In(v, 2441, 2443)) return 2220;
    return v;
}

} // namespace

CRC6_Decoder::CRC6_Decoder(tmIOSDependTimeOut* timeOut, std::uint32_t samplePeriodUs, std::uint32_t unitTimeUs,
                           CIR_DecoderCallback* sink)
    : m_pSink(sink)
{
    if (!timeOut) return;
    m_pTimeOut = timeOut;
    m_dwSamplePeriod = samplePeriodUs;
    m_dwUnitTime = unitTimeUs;
    if (samplePeriodUs != 0) {
        m_dwUnitSamples = unitTimeUs / samplePeriodUs;
        m_dwHalfBitLimit = static_cast<std::uint32_t>(unitTimeUs * 0.5 / samplePeriodUs) + 1;
    }
    ClearRecord();
    m_dwArmed = 1;
    m_dwEnded = 0;
    ResetWalk();
    m_pTimeOut->tmIStartTimer(40, 1, this);
}

std::int32_t CRC6_Decoder::DecodeEdge(tmIrRc6Report*, const std::uint32_t*)
{
    if (!m_pTimeOut) return TM_IR_DECODER_IN_PROGRESS;
    std::uint64_t now = 0;
    m_pTimeOut->tmIGetTime(&now);
    const std::uint32_t head = m_dwEdgeHead.load(std::memory_order_relaxed);
    const std::uint32_t tail = m_dwEdgeTail.load(std::memory_order_acquire);
    if (head - tail >= kEdgeQueue) {
        m_bEdgesLost.store(true, std::memory_order_release);
        m_dwLostEdges.fetch_add(1, std::memory_order_relaxed);
        return TM_IR_DECODER_IN_PROGRESS;
    }
    m_aullEdges[head % kEdgeQueue] = now;
    m_dwEdgeHead.store(head + 1, std::memory_order_release);
    return TM_IR_DECODER_IN_PROGRESS;
}

void CRC6_Decoder::ClearRecord()
{
    std::memset(m_alRing, 0, sizeof m_alRing);
    m_dwWritePos = 0;
    m_dwReadIndex = 0;
    m_dwLastGap = 0;
    m_dwCarry = 0;
    m_lCarryAmount = 0;
}

void CRC6_Decoder::ResetWalk()
{
    std::memset(m_aucSlots, 0, sizeof m_aucSlots);
    m_bLeaderSeen = 0;
    m_bHeaderStarted = 0;
    m_bHeaderAssembled = 0;
    m_bMisplaced = 0;
    m_dwSlot = 0;
    m_dwLevel = 1;
    m_dwHeader = 0;
}

void CRC6_Decoder::RecordEdge(std::uint64_t now)
{
    if (m_dwArmed == 0 || m_dwEnded == 1) return;
    const std::uint64_t us = now >= m_ullPrevTime ? (now - m_ullPrevTime) / 10 : 0;
    std::int64_t v = us > static_cast<std::uint64_t>(kMaxInterval) ? kMaxInterval : static_cast<std::int64_t>(us);
    m_ullPrevTime = now;
    if (m_dwCarry) {
        v += m_lCarryAmount;
        if (v > kMaxInterval) v = kMaxInterval;
        m_dwCarry = 0;
        m_lCarryAmount = 0;
    }
    std::int32_t stored = static_cast<std::int32_t>(v);
    if (stored > kLongGap) {
        if (m_dwWritePos - m_dwLastGap < 20)
            m_dwLastGap = m_dwWritePos;
        else
            m_dwEnded = 1;
    } else if (m_dwWritePos >= 2) {
        const std::int32_t nominal = Snap(stored);
        if (nominal != stored) {
            m_dwCarry = 1;
            m_lCarryAmount = stored - nominal;
            stored = nominal;
        }
    }
    m_alRing[m_dwWritePos] = stored;
    if (m_dwEnded) {
        // The gap that ends this record opens the next frame: decode now and
        // keep the gap, rather than drop that frame's edges until the pass.
        ++m_dwWritePos;
        Finish();
        m_alRing[0] = stored;
        m_dwWritePos = 1;
        return;
    }
    if (++m_dwWritePos >= kRingSize) {
        m_dwWritePos = 0;
        std::memset(m_alRing, 0, sizeof m_alRing);
    }
}

void CRC6_Decoder::PutSlot(std::uint8_t value)
{
    // Two slots per interval can step past the last one before the range
    // check at the end of the interval; such writes are dropped.
    if (m_dwSlot < kSlots) m_aucSlots[m_dwSlot] = value;
}

bool CRC6_Decoder::Walk(const std::int32_t* intervals, std::uint32_t count, tmIrRc6Report* report)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::int32_t v = intervals[i] == INT32_MIN ? kMaxInterval : std::abs(intervals[i]);
        std::uint32_t& s = m_dwSlot;
        if (s == 0 && In(v, 3201, 3904)) {
            m_bLeaderSeen = 1;
        } else if (s == 0 && !m_bHeaderStarted && m_bLeaderSeen && In(v, 801, 976)) {
            m_dwHeader = 1u << 20;
            m_bHeaderStarted = 1;
        } else if (!m_bHeaderStarted || v >= kDataLimit) {
            if (v > kLongGap) {
                if (!m_bMisplaced && (s == 35 || s == 36) && ((m_dwHeader >> 17) & 7u) == 6u) {
                    std::uint32_t control = 0;
                    for (std::uint32_t k = 4; k <= 19; ++k) control = (control << 1) | m_aucSlots[k];
                    std::uint32_t info = 0;
                    if (s == 36) {
                        for (std::uint32_t k = 20; k <= 35; ++k) info = (info << 1) | m_aucSlots[k];
                    } else {
                        // The last half-bit of a trailing 1 brings no edge.
                        for (std::uint32_t k = 20; k <= 34; ++k) info = (info << 1) | m_aucSlots[k];
                        info = (info << 1) | 1u;
                    }
                    report->header = m_dwHeader + control;
                    report->control = 0;
                    report->information = static_cast<std::uint16_t>(info);
                    tmSetTraceLevel(2);
                    tmTracePrint("Info: Start %x Header 0x%X Control 0x%2X Information 0x%2X",
                                 static_cast<unsigned>(m_aucSlots[0]), static_cast<unsigned>(report->header),
                                 static_cast<unsigned>(report->control), static_cast<unsigned>(report->information));
                    return true;
                }
                ResetWalk();
            }
        } else if (In(v, 801, 976)) {
            PutSlot(static_cast<std::uint8_t>(m_dwLevel));
            ++s;
        } else if (In(v, 1201, 1464)) {
            if (s == 2) {
                PutSlot(1); ++s;
            } else if (s == 3) {
                PutSlot(0); ++s;
            } else if (s == 4 && m_aucSlots[3] == 0) {
                // After a 1 trailer the interval starts at a data burst and
                // the general rule below applies.
                PutSlot(0); m_dwLevel = 0; ++s;
            } else {
                PutSlot(1);
                if (m_dwLevel == 1) {
                    ++s; PutSlot(0); m_dwLevel = 0; ++s;
                } else {
                    m_dwLevel = 1; ++s;
                }
            }
        } else if (In(v, 1600, 1952)) {
            if (s == 2) {
                PutSlot(1); ++s; PutSlot(0); m_dwLevel = 1; ++s;
            } else if (s == 3 || s == 4) {
                PutSlot(1); m_dwLevel = 1; ++s;
            } else if (m_dwLevel == 0) {
                PutSlot(1); ++s; PutSlot(0); m_dwLevel = 0; ++s;
            } else {
                // From a burst that starts a 1 the next starts after 2t or 3t:
                // an edge was lost or moved.
                m_bMisplaced = 1;
            }
        } else if (In(v, 2001, 2440)) {
            if (s == 2) {
                PutSlot(1); ++s; PutSlot(0); ++s;
            } else if (s == 3) {
                // Slot 3 is still clear here unless an earlier interval set it.
                const bool wasSet = m_aucSlots[3] == 1;
                PutSlot(1);
                if (wasSet) {
                    ++s; PutSlot(0); m_dwLevel = 0; ++s;
                } else {
                    m_dwLevel = 1; ++s;
                }
            } else if (s == 4) {
                PutSlot(1); ++s; PutSlot(0); m_dwLevel = 0; ++s;
            } else {
                m_bMisplaced = 1;
            }
        } else if (In(v, 2401, 2928) && s == 3) {
            PutSlot(1); ++s; PutSlot(0); m_dwLevel = 0; ++s;
        } else {
            // Skipping the interval would shift every later slot and could
            // still end at 35 slots: a wrong key. The frame is dropped.
            m_bMisplaced = 1;
        }

        if ((s == 5 || s == 6) && !m_bHeaderAssembled) {
            m_dwHeader += (static_cast<std::uint32_t>(m_aucSlots[0]) << 19) + (static_cast<std::uint32_t>(m_aucSlots[1]) << 18) +
                          (static_cast<std::uint32_t>(m_aucSlots[2]) << 17) + (static_cast<std::uint32_t>(m_aucSlots[3]) << 16);
            m_bHeaderAssembled = 1;
        } else if (s >= kSlots) {
            s = 0;
            TraceError(__LINE__, "Error: Out of range");
        }
    }
    return false;
}

void CRC6_Decoder::OnTimeOut()
{
    if (!m_pTimeOut) return;

    // Replay the edges taken up to now, in order. Time is read first: an edge
    // stamped later belongs to the next pass, and one stamped earlier but not
    // yet queued is too recent to let the record look finished.
    std::uint64_t now = 0;
    m_pTimeOut->tmIGetTime(&now);
    const std::uint32_t head = m_dwEdgeHead.load(std::memory_order_acquire);
    std::uint32_t tail = m_dwEdgeTail.load(std::memory_order_relaxed);
    for (; tail != head && m_aullEdges[tail % kEdgeQueue] <= now; ++tail) RecordEdge(m_aullEdges[tail % kEdgeQueue]);
    m_dwEdgeTail.store(tail, std::memory_order_release);
    if (m_bEdgesLost.exchange(false, std::memory_order_acq_rel)) {
        // Intervals are missing from the record: drop it and start afresh.
        ClearRecord();
        m_dwEnded = 0;
        m_dwArmed = 1;
        return;
    }

    if (m_dwEnded == 0) {
        const std::uint64_t sinceUs = now >= m_ullPrevTime ? (now - m_ullPrevTime) / 10 : 0;
        const bool quiet = sinceUs > 10000;
        const bool leader = In(m_alRing[1], 3201, 3904);
        const bool sized = m_dwWritePos >= kMinFrameIntervals && m_dwWritePos <= kMaxFrameIntervals;
        if (!(quiet && leader && sized)) {
            m_dwArmed = 1;
            return;
        }
    }

    Finish();
}

void CRC6_Decoder::Finish()
{
    // Terminate the record in a copy with room for both terminators.
    std::int32_t record[kRingSize + 2];
    std::uint32_t count = m_dwWritePos < kRingSize ? m_dwWritePos : kRingSize - 1;
    std::memcpy(record, m_alRing, sizeof m_alRing);
    record[kRingSize] = 0;
    record[kRingSize + 1] = 0;
    if (record[count] == 0 && m_dwEnded == 0) record[count] = kTerminator;
    ++count;
    record[count] = kTerminator;
    ++count;
    m_dwArmed = 0;
    m_dwReadIndex = 0;
    m_dwEnded = 0;
    m_dwCarry = 0;
    m_lCarryAmount = 0;

    tmIrRc6Report report{};
    const bool complete = Walk(record, count, &report);

    std::memset(m_alRing, 0, sizeof m_alRing);
    m_dwArmed = 1;
    m_dwSlot = 0;
    m_dwWritePos = 0;
    m_dwReadIndex = 0;
    m_dwLastGap = 0;

    if (complete && m_pSink) m_pSink->OnIrKey(TM_IR_DECODER_RC6, &report);
}

// Runs of one level are measured in units of t. A run may hold one half-bit,
// or two of the same level (the second half of one bit and the first of the
// next); the trailer's halves are 2t each. The run that reaches the end of
// the window is the idle level and can only close the open bit.
std::int32_t CRC6_Decoder::DecodeSamples(const std::uint8_t* window, std::uint32_t count, tmIrRc6Report* report)
{
    if (!window || !report || m_dwSamplePeriod == 0 || m_dwUnitTime == 0) {
        TraceError(__LINE__, "Error: TM_IR_DECODER_INVALID_START");
        return TM_IR_DECODER_INVALID_START;
    }
    const std::uint64_t period = m_dwSamplePeriod;
    std::uint32_t p = 0;
    std::uint32_t run = 0;
    while (p < count && window[p] == 1 && period * run < 2800) { ++p; ++run; }
    if (period * run < 1500) {
        TraceError(__LINE__, "Error: TM_IR_DECODER_INVALID_START");
        return TM_IR_DECODER_INVALID_START;
    }
    TraceInfo("Info: Leader High phase detected");
    run = 0;
    while (p < count && window[p] == 0 && period * run < 5000) { ++p; ++run; }
    if (period * run < 600) {
        TraceError(__LINE__, "Error: TM_IR_DECODER_INVALID_START");
        return TM_IR_DECODER_INVALID_START;
    }
    TraceInfo("Info: Leader low phase detected");

    constexpr std::uint32_t kFrameSlots = 21;
    std::uint8_t slots[kFrameSlots] = {};
    std::uint32_t s = 0;
    bool open = false;
    const std::uint64_t unit = m_dwUnitTime;

    auto closeBit = [&](std::uint8_t level) {
        slots[s] = level == 0 ? 1 : 0;
        ++s;
        open = false;
    };

    while (p < count && s < kFrameSlots) {
        const std::uint8_t level = window[p] ? 1 : 0;
        std::uint32_t len = 0;
        while (p < count && (window[p] ? 1 : 0) == level) { ++p; ++len; }
        const bool last = p >= count;
        const std::uint64_t d = period * len;
        tmSetTraceLevel(1);
        tmTracePrint("Info: Transition detected %f ms (%d, %d)", static_cast<double>(d) / 1000.0,
                     static_cast<int>(s), static_cast<int>(level));
        if (last) {
            // Idle to the end of the window: it closes a bit opened by a burst.
            if (open && level == 0) {
                TraceInfo("Info: Bit 1");
                closeBit(level);
            }
            break;
        }
        std::uint64_t units = d <= 660 ? 1 : (d + unit / 2) / unit;
        bool openedHere = false;
        while (units > 0 && s < kFrameSlots) {
            const std::uint64_t need = s == 4 ? 2 : 1;
            if (units < need || openedHere) {
                TraceError(__LINE__, "Error: TM_IR_DECODER_INVALID_BIT_TEMPLATE");
                return TM_IR_DECODER_INVALID_BIT_TEMPLATE;
            }
            units -= need;
            if (open) {
                const bool trailer = s == 4;
                if (trailer) TraceInfo("Info: Traile bit");
                if (trailer && units > 0)
                    TraceInfo(level == 0 ? "Info: Bit 1 + half bit 0" : "Info: Bit 0 + half bit 1");
                else
                    TraceInfo(level == 0 ? "Info: Bit 1" : "Info: Bit 0");
                closeBit(level);
            } else {
                open = true;
                openedHere = true;
                TraceInfo(level == 0 ? "Info: Half bit 1" : "Info: Half Bit");
            }
        }
    }

    if (s < kFrameSlots) {
        report->header = 65535;
        report->control = 0xFFFF;
        report->information = 0xFFFF;
        TraceError(__LINE__, "Error: TM_IR_DECODER_INSUFFICIENT_SAMPLES");
        return TM_IR_DECODER_INSUFFICIENT_SAMPLES;
    }
    std::uint32_t control = 0;
    for (std::uint32_t k = 5; k <= 12; ++k) control = (control << 1) | slots[k];
    std::uint32_t info = 0;
    for (std::uint32_t k = 13; k <= 20; ++k) info = (info << 1) | slots[k];
    report->header = slots[4];
    report->control = static_cast<std::uint16_t>(control);
    report->information = static_cast<std::uint16_t>(info);
    return TM_IR_DECODER_FRAME_COMPLETE;
}
