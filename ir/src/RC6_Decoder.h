#pragma once
// RC6 decoder. In edge-timing mode the edge entry only timestamps the
// interrupt into a wait-free queue; the 40 ms timer pass replays those
// timestamps into the interval record, recognises a finished mode-6 frame and
// reports it itself. The sample entry decodes mode-0 frames from pin samples.
#include "tmIOSDepend.h"
#include "tmIrProtocolDecoder.h"
#include "tmIrTypes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

class CRC6_Decoder : public tmIOSDependAbstractCB, public tmIrProtocolDecoder<tmIrRc6Report> {
public:
    static constexpr std::size_t kRingSize = 100;
    static constexpr std::size_t kSlots = 90;
    // Edges buffered between two timer passes; a frame has fewer than 40.
    static constexpr std::uint32_t kEdgeQueue = 512;
    // Intervals a complete mode-6 frame records, one per burst start with the
    // gap before the leader. The leader, the start bit and the mode bits 110
    // start five bursts, a 0 trailer one more; then each data bit 0 starts
    // one, and so does each 1 that follows a 1 (the trailer being the bit
    // before the first). Fewest: a 1 trailer, then 0101...01 (16); most: a
    // 0 trailer, then 32 zeros.
    static constexpr std::uint32_t kMinFrameIntervals = 5 + 16;
    static constexpr std::uint32_t kMaxFrameIntervals = 6 + 32;

    CRC6_Decoder(tmIOSDependTimeOut* timeOut, std::uint32_t samplePeriodUs, std::uint32_t unitTimeUs,
                 CIR_DecoderCallback* sink);
    ~CRC6_Decoder() override = default;
    CRC6_Decoder(const CRC6_Decoder&) = delete;
    CRC6_Decoder& operator=(const CRC6_Decoder&) = delete;

    // Timer pass, on the timer's thread.
    void OnTimeOut() override;
    // Interrupt thread: one time read and one queue write, always 8.
    std::int32_t DecodeEdge(tmIrRc6Report* report, const std::uint32_t* edge) override;
    std::int32_t DecodeSamples(const std::uint8_t* window, std::uint32_t count, tmIrRc6Report* report) override;

    // Edges dropped because the queue was full (the record was restarted).
    std::uint32_t LostEdges() const { return m_dwLostEdges.load(std::memory_order_relaxed); }

private:
    void RecordEdge(std::uint64_t now);
    void ClearRecord();
    // Terminates, walks and clears the record; reports a complete frame.
    void Finish();
    void ResetWalk();
    // Walks `count` intervals; true when a frame was reported into `report`.
    bool Walk(const std::int32_t* intervals, std::uint32_t count, tmIrRc6Report* report);
    void PutSlot(std::uint8_t value);

    std::uint32_t m_dwSamplePeriod = 220;
    std::uint32_t m_dwUnitTime = 444;
    std::uint32_t m_dwUnitSamples = 0;
    std::uint32_t m_dwHalfBitLimit = 0;
    tmIOSDependTimeOut* m_pTimeOut = nullptr;
    CIR_DecoderCallback* m_pSink = nullptr;

    // Interrupt thread -> timer thread. Single producer, single consumer.
    std::uint64_t m_aullEdges[kEdgeQueue] = {};
    std::atomic<std::uint32_t> m_dwEdgeHead{0};
    std::atomic<std::uint32_t> m_dwEdgeTail{0};
    std::atomic<bool> m_bEdgesLost{false};
    std::atomic<std::uint32_t> m_dwLostEdges{0};

    // Everything below belongs to the timer thread.
    std::uint64_t m_ullPrevTime = 0;
    std::int32_t m_alRing[kRingSize] = {};
    std::uint32_t m_dwWritePos = 0;
    std::uint32_t m_dwReadIndex = 0;
    std::uint32_t m_dwLastGap = 0;
    std::uint32_t m_dwCarry = 0;
    std::int32_t m_lCarryAmount = 0;
    std::uint32_t m_dwArmed = 0;
    std::uint32_t m_dwEnded = 0;

    std::uint8_t m_bLeaderSeen = 0;
    std::uint8_t m_bHeaderStarted = 0;
    std::uint8_t m_bHeaderAssembled = 0;
    // An interval after the start bit fitted no window at its slot.
    std::uint8_t m_bMisplaced = 0;
    std::uint32_t m_dwLevel = 1;
    std::uint32_t m_dwSlot = 0;
    std::uint8_t m_aucSlots[kSlots] = {};
    std::uint32_t m_dwHeader = 0;
};
