#pragma once
// Decoder front end: validates its collaborators, owns one protocol decoder
// and its time-out service, registers for the pin's edge interrupts and turns
// each interrupt into an edge entry call (edge-timing mode) or a sampling
// pass (sampling mode). Key reports go synchronously to CIR_DecoderCallback.
#include "tmIOSDepend.h"
#include "tmIrLayers.h"
#include "tmIrTypes.h"

#include <atomic>
#include <cstddef>

class CNEC_Decoder;
class CRC5_Decoder;
class CRC6_Decoder;

class tmComcreteIrDecoder {
public:
    virtual ~tmComcreteIrDecoder() = default;
};

class tmIrDecoder : public tmComcreteIrDecoder, public CInterruptCallback {
public:
    static constexpr std::size_t kSampleBufferSize = 4000;
    // Samples handed to the sample decoders: covers a 130 ms pass at the
    // finest period (220 µs, about 590 samples).
    static constexpr std::uint32_t kSampleWindow = 600;

    tmIrDecoder(CIR_DecoderCallback* sink, tmIGPIOLayer* gpio, tmIInterruptLayer* interrupts,
                tmIOSDependFactory* factory, const tmIrHwInfo* hwInfo);
    ~tmIrDecoder() override;
    tmIrDecoder(const tmIrDecoder&) = delete;
    tmIrDecoder& operator=(const tmIrDecoder&) = delete;

    virtual std::int32_t tmIReserved(std::int32_t) { return 1; }
    void OnInterrupt(const std::uint32_t* edge) override;

    std::int32_t Status() const { return m_dwStatus.load(std::memory_order_acquire); }

private:
    void EnableSources();
    void DisableSources();
    void SamplingPass();
    void DecodeEdgeAll(const std::uint32_t* edge);
    void DecodeSamplesAll();

    tmIGPIOLayer* m_pGPIOLayer;
    tmIInterruptLayer* m_pInterruptLayer;
    tmIOSDependTimeOut* m_pTimeOut = nullptr;
    CIR_DecoderCallback* m_pSink;
    std::int32_t m_dwPin = 0;
    std::int32_t m_dwEdgeSelect = 0;
    std::int64_t m_llTicksPer100us = 0;
    std::uint8_t m_aucSamples[kSampleBufferSize];
    std::uint8_t m_aucWindow[kSampleWindow];
    std::uint8_t m_aucAllWindow[kSampleWindow] = {}; // TM_IR_DECODER_ALL: RC6's, then NEC's samples
    std::int32_t m_dwSamplingWindowMs = 130;
    std::int32_t m_dwDecoderType = 0;
    std::uint64_t m_ullSamplePeriodUs = 0;
    CRC5_Decoder* m_pRC5 = nullptr;
    CRC6_Decoder* m_pRC6 = nullptr;
    CNEC_Decoder* m_pNEC = nullptr;
    std::int32_t m_dwCaptureMode = 0;
    // Set once, after registration: the interrupt thread may read it before
    // the constructor returns, and its acquire makes the decoder visible.
    std::atomic<std::int32_t> m_dwStatus{TM_IR_DECODER_NOT_INITIALIZED};
};

// Owning handle; holds null when the front end could not be allocated.
class tmIIrDecoder {
public:
    tmIIrDecoder(CIR_DecoderCallback* sink, tmIGPIOLayer* gpio, tmIInterruptLayer* interrupts,
                 tmIOSDependFactory* factory, const tmIrHwInfo* hwInfo);
    virtual ~tmIIrDecoder();
    tmIIrDecoder(const tmIIrDecoder&) = delete;
    tmIIrDecoder& operator=(const tmIIrDecoder&) = delete;

    tmIrDecoder* Decoder() const { return m_pDecoder; }

private:
    tmIrDecoder* m_pDecoder;
};
