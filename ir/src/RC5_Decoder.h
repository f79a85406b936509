#pragma once
// RC5 decoder. The edge entry turns burst-to-burst intervals into bits and
// reports on the fourteenth; a frame whose last bit brought no edge waits at
// thirteen bits for the next start gap or the 500 ms timer. The sample entry
// decodes raw pin levels (0 = burst).
#include "tmIOSDepend.h"
#include "tmIrProtocolDecoder.h"
#include "tmIrTypes.h"

#include <atomic>
#include <cstdint>

class CRC5_Decoder : public tmIOSDependAbstractCB, public tmIrProtocolDecoder<tmIrRc5Report> {
public:
    static constexpr std::uint32_t kBits = 14;

    CRC5_Decoder(tmIOSDependTimeOut* timeOut, std::uint32_t samplePeriodUs, std::uint32_t unitTimeUs,
                 CIR_DecoderCallback* sink);
    ~CRC5_Decoder() override = default;
    CRC5_Decoder(const CRC5_Decoder&) = delete;
    CRC5_Decoder& operator=(const CRC5_Decoder&) = delete;

    // Timer's thread: reports a frame left pending at thirteen bits.
    void OnTimeOut() override;
    // Interrupt thread; 0 with the record filled, else 8.
    std::int32_t DecodeEdge(tmIrRc5Report* report, const std::uint32_t* edge) override;
    std::int32_t DecodeSamples(const std::uint8_t* window, std::uint32_t count, tmIrRc5Report* report) override;

private:
    // Counter, accumulator, last bit and error flag live in one word so that
    // the edge entry and the timer pass hand a pending frame over with a
    // single compare-and-swap: whichever wins reports it, the other sees it gone.
    struct State {
        std::uint32_t accumulator; // 14 bits; counter value n goes to bit 13 - n
        std::uint32_t counter;
        std::uint32_t lastBit;
        std::uint32_t error;
    };
    static std::uint32_t Pack(const State& s);
    static State Unpack(std::uint32_t word);
    static void Fill(const State& s, tmIrRc5Report* report);

    std::uint32_t m_dwSamplePeriod = 220;
    std::uint32_t m_dwUnitTime = 1778;
    std::uint32_t m_dwSamplesPerBit = 0;
    std::uint32_t m_dwHalfBitLimit = 0;
    std::uint32_t m_adwBits[kBits] = {};
    tmIOSDependTimeOut* m_pTimeOut = nullptr;
    CIR_DecoderCallback* m_pSink = nullptr;
    // Written by the edge entry; the timer reads it to leave a frame alone
    // while its last interval may still arrive.
    std::atomic<std::uint64_t> m_ullPrevTime{0};
    std::atomic<std::uint32_t> m_dwState{0};
};
