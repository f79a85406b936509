#pragma once
// NEC pulse-distance decoder, 32-bit frames (decoder type 2) and 40-bit
// frames with a 24-bit address (type 3), each from edge intervals or from a
// window of pin samples (1 = burst). Never reports by itself.
#include "tmIOSDepend.h"
#include "tmIrTypes.h"

class CNEC_Decoder {
public:
    CNEC_Decoder(tmIOSDependTimeOut* timeOut, std::uint32_t samplePeriodUs, std::uint32_t unitTimeUs);
    virtual ~CNEC_Decoder() = default;

    // Each entry writes `report` only when it returns TM_IR_DECODER_OK.
    std::int32_t DecodeEdge32(tmIrNecReport* report, const std::uint32_t* edge);
    std::int32_t DecodeEdge40(tmIrNec24Report* report, const std::uint32_t* edge);
    // Read at most `count` samples of `window`.
    std::int32_t DecodeSamples32(const std::uint8_t* window, std::uint32_t count, tmIrNecReport* report);
    std::int32_t DecodeSamples40(const std::uint8_t* window, std::uint32_t count, tmIrNec24Report* report);

    // The four bytes of the last complete 32-bit frame of the edge entry, as
    // received, whether or not its command check passed.
    void LastFrame32(std::uint8_t bytes[4]) const
    {
        for (int k = 0; k < 4; ++k) bytes[k] = m_aucLastFrame32[k];
    }

    std::uint32_t UnitTimeUs() const { return m_dwUnitTime; }
    // Longest burst (and longest 0-space) in samples, plus one.
    std::uint32_t MaxBurstPlus1() const { return m_dwMaxBurstPlus1; }

private:
    std::uint64_t Now() const;
    // Shared body of the sample entries; exactly one record pointer is set.
    std::int32_t DecodeSamples(const std::uint8_t* window, std::uint32_t count, std::uint32_t bits,
                               tmIrNecReport* report32, tmIrNec24Report* report40);

    tmIOSDependTimeOut* m_pTimeOut;
    std::uint32_t m_dwSamplePeriod;  // µs
    std::uint32_t m_dwUnitTime;      // µs
    std::uint32_t m_dwMaxBurstPlus1; // samples
    tmIrNec24Report m_tSaved24{};
    std::int32_t m_bValid24 = 0;
    tmIrNecReport m_tSaved32{};
    std::int32_t m_bValid32 = 0;
    std::uint64_t m_ullPrevTime = 0; // 100 ns
    // Start of the frame being received, and of the last frame or repeat
    // taken per width (100 ns): a repeat must follow the latter in time.
    std::uint64_t m_ullFrameStart = 0;
    std::uint64_t m_ullLastKey32 = 0;
    std::uint64_t m_ullLastKey24 = 0;
    // Nothing but silence reached the decoder since the last key taken: the
    // edges of a held key's repeats were lost while the key was being
    // handled (its hold-off holds the interrupt thread), not another frame's.
    bool m_bQuietSinceKey = false;
    std::uint8_t m_ucBitCount = 0;
    std::uint32_t m_dwAccu = 0;
    std::uint32_t m_dwPrevInterval = 0;
    std::uint8_t m_aucBits40[40] = {};
    std::uint8_t m_aucLastFrame32[4] = {};
};
