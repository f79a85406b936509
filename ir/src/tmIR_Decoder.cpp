#include "tmIR_Decoder.h"

#include "NEC_Decoder.h"
#include "RC5_Decoder.h"
#include "RC6_Decoder.h"
#include "tmTrace.h"

#include <cstring>
#include <new>

namespace {

const char* const kUnit = "tmIR_Decoder";

#define TM_IR_ERROR(...)                     \
    do {                                     \
        tmSetTraceLevel(0);                  \
        tmTraceLocation(__LINE__, kUnit);    \
        tmTracePrint(__VA_ARGS__);           \
    } while (0)

} // namespace

tmIrDecoder::tmIrDecoder(CIR_DecoderCallback* sink, tmIGPIOLayer* gpio, tmIInterruptLayer* interrupts,
                         tmIOSDependFactory* factory, const tmIrHwInfo* hwInfo)
    : m_pGPIOLayer(gpio), m_pInterruptLayer(interrupts), m_pSink(sink)
{
    std::memset(m_aucSamples, 1, sizeof m_aucSamples);
    std::memset(m_aucWindow, 0, sizeof m_aucWindow);

    if (!hwInfo) {
        TM_IR_ERROR("Error: the Hw info object is NULL");
        return;
    }
    if (!interrupts && hwInfo->captureMode == TM_IR_CAPTURE_EDGE) {
        TM_IR_ERROR("Error: One ptInterruptLayer the objects is NULL");
        return;
    }
    if (!sink || !factory) {
        TM_IR_ERROR("Error: One of the objects is NULL");
        return;
    }
    if (!gpio && hwInfo->captureMode == TM_IR_CAPTURE_EDGE) {
        TM_IR_ERROR("Error: GPIO layer is NULL");
        return;
    }
    m_pTimeOut = factory->tmICreateTimeOut();
    if (!m_pTimeOut) {
        TM_IR_ERROR("Error: Timer object is NULL");
        return;
    }

    m_dwPin = hwInfo->gpioPin;
    m_dwEdgeSelect = hwInfo->edgeSelect;
    m_dwDecoderType = hwInfo->decoderType;
    m_dwCaptureMode = hwInfo->captureMode;
    m_dwSamplingWindowMs = 130;

    std::int64_t frequency = 0;
    m_pTimeOut->tmIGetFrequency(&frequency);
    m_llTicksPer100us = frequency / 10000;

    switch (m_dwDecoderType) {
    case TM_IR_DECODER_RC5:
        m_ullSamplePeriodUs = 220;
        m_pRC5 = new (std::nothrow) CRC5_Decoder(m_pTimeOut, 220, 1778, m_pSink);
        break;
    case TM_IR_DECODER_RC6:
        m_ullSamplePeriodUs = 220;
        m_pRC6 = new (std::nothrow) CRC6_Decoder(m_pTimeOut, 220, 444, m_pSink);
        break;
    case TM_IR_DECODER_NEC:
    case TM_IR_DECODER_NEC24:
        m_ullSamplePeriodUs = 280;
        m_pNEC = new (std::nothrow) CNEC_Decoder(m_pTimeOut, 280, 1680);
        break;
    case TM_IR_DECODER_ALL:
        // Sampled at 140 µs: RC6 takes the samples as they are, every second
        // one is NEC's 280 µs grid, and RC5 gets the sample nearest to each
        // 220 µs instant (at most 70 µs off, well inside its half bit).
        m_ullSamplePeriodUs = 140;
        m_pRC5 = new (std::nothrow) CRC5_Decoder(m_pTimeOut, 220, 1778, m_pSink);
        m_pRC6 = new (std::nothrow) CRC6_Decoder(m_pTimeOut, 140, 444, m_pSink);
        m_pNEC = new (std::nothrow) CNEC_Decoder(m_pTimeOut, 280, 1680);
        break;
    default:
        TM_IR_ERROR("Error: Unknown IR decoder (%d)", m_dwDecoderType);
        break;
    }

    EnableSources();
    m_dwStatus.store(TM_IR_DECODER_OK, std::memory_order_release);
}

tmIrDecoder::~tmIrDecoder()
{
    if (m_pInterruptLayer && Status() == TM_IR_DECODER_OK) DisableSources();
    delete m_pNEC;
    delete m_pRC5;
    delete m_pRC6;
    delete m_pTimeOut; // stops the RC5/RC6 timers
}

void tmIrDecoder::EnableSources()
{
    if (!m_pInterruptLayer) return;
    const auto pin = static_cast<std::uint8_t>(m_dwPin);
    if (m_dwEdgeSelect == 0 || m_dwEdgeSelect == 1) {
        m_pInterruptLayer->tmIEnableInterrupt(pin, static_cast<std::uint32_t>(m_dwEdgeSelect), this);
    } else {
        m_pInterruptLayer->tmIEnableInterrupt(pin, 0, this);
        m_pInterruptLayer->tmIEnableInterrupt(pin, 1, this);
    }
}

void tmIrDecoder::DisableSources()
{
    if (!m_pInterruptLayer) return;
    const auto pin = static_cast<std::uint8_t>(m_dwPin);
    if (m_dwEdgeSelect == 0 || m_dwEdgeSelect == 1) {
        m_pInterruptLayer->tmIDisableInterrupt(pin, static_cast<std::uint32_t>(m_dwEdgeSelect));
    } else {
        m_pInterruptLayer->tmIDisableInterrupt(pin, 0);
        m_pInterruptLayer->tmIDisableInterrupt(pin, 1);
    }
}

// Edge path: stack records only, no allocation, no lock.
void tmIrDecoder::OnInterrupt(const std::uint32_t* edge)
{
    if (Status() != TM_IR_DECODER_OK) {
        TM_IR_ERROR("Error: Object not initialized");
        return;
    }
    if (m_dwCaptureMode == TM_IR_CAPTURE_SAMPLING) {
        SamplingPass();
        return;
    }
    switch (m_dwDecoderType) {
    case TM_IR_DECODER_RC5:
        if (m_pRC5) {
            tmIrRc5Report report{};
            if (m_pRC5->DecodeEdge(&report, edge) == TM_IR_DECODER_OK) m_pSink->OnIrKey(m_dwDecoderType, &report);
        }
        break;
    case TM_IR_DECODER_RC6:
        if (m_pRC6) {
            tmIrRc6Report report{};
            if (m_pRC6->DecodeEdge(&report, edge) == TM_IR_DECODER_FRAME_COMPLETE)
                m_pSink->OnIrKey(m_dwDecoderType, &report);
        }
        break;
    case TM_IR_DECODER_NEC:
        if (m_pNEC) {
            tmIrNecReport report{};
            if (m_pNEC->DecodeEdge32(&report, edge) == TM_IR_DECODER_OK) m_pSink->OnIrKey(m_dwDecoderType, &report);
        }
        break;
    case TM_IR_DECODER_NEC24:
        if (m_pNEC) {
            tmIrNec24Report report{};
            if (m_pNEC->DecodeEdge40(&report, edge) == TM_IR_DECODER_OK) m_pSink->OnIrKey(m_dwDecoderType, &report);
        }
        break;
    case TM_IR_DECODER_ALL:
        DecodeEdgeAll(edge);
        break;
    default:
        TM_IR_ERROR("Error: Unknown IR decoder (%d)", m_dwDecoderType);
        break;
    }
}

// The cheap entries first, so that each decoder reads the edge's time before
// a NEC key holds this thread for its strokes and hold-off.
void tmIrDecoder::DecodeEdgeAll(const std::uint32_t* edge)
{
    if (m_pRC6) {
        tmIrRc6Report report{};
        if (m_pRC6->DecodeEdge(&report, edge) == TM_IR_DECODER_FRAME_COMPLETE) m_pSink->OnIrKey(TM_IR_DECODER_RC6, &report);
    }
    if (m_pRC5) {
        tmIrRc5Report report{};
        if (m_pRC5->DecodeEdge(&report, edge) == TM_IR_DECODER_OK) m_pSink->OnIrKey(TM_IR_DECODER_RC5, &report);
    }
    if (m_pNEC) {
        tmIrNecReport report{};
        const std::int32_t rc = m_pNEC->DecodeEdge32(&report, edge);
        if (rc == TM_IR_DECODER_OK) {
            m_pSink->OnIrKey(TM_IR_DECODER_NEC, &report);
        } else if (rc == TM_IR_DECODER_DATA_MISMATCH) {
            tmIrNec32Report raw{};
            m_pNEC->LastFrame32(raw.bytes);
            m_pSink->OnIrKey(TM_IR_DECODER_NEC32, &raw);
        }
    }
}

void tmIrDecoder::DecodeSamplesAll()
{
    // RC5 decodes raw levels, the others want 1 while a burst is present.
    for (std::uint32_t k = 0; k < kSampleWindow; ++k) {
        const std::uint32_t at = (k * 220 + 70) / 140;
        m_aucWindow[k] = at < kSampleBufferSize ? m_aucSamples[at] : 1;
    }
    if (m_pRC5) {
        tmIrRc5Report report{};
        if (m_pRC5->DecodeSamples(m_aucWindow, kSampleWindow, &report) == TM_IR_DECODER_OK)
            m_pSink->OnIrKey(TM_IR_DECODER_RC5, &report);
    }
    for (std::uint32_t k = 0; k < kSampleWindow; ++k) m_aucAllWindow[k] = m_aucSamples[k] ? 0 : 1;
    if (m_pRC6) {
        tmIrRc6Report report{};
        if (m_pRC6->DecodeSamples(m_aucAllWindow, kSampleWindow, &report) == TM_IR_DECODER_FRAME_COMPLETE)
            m_pSink->OnIrKey(TM_IR_DECODER_RC6, &report);
    }
    if (m_pNEC) {
        for (std::uint32_t k = 0; k < kSampleWindow; ++k) m_aucAllWindow[k] = m_aucSamples[2 * k + 1] ? 0 : 1;
        tmIrNecReport report{};
        if (m_pNEC->DecodeSamples32(m_aucAllWindow, kSampleWindow, &report) == TM_IR_DECODER_OK)
            m_pSink->OnIrKey(TM_IR_DECODER_NEC, &report);
    }
}

void tmIrDecoder::SamplingPass()
{
    DisableSources();
    std::memset(m_aucSamples, 1, sizeof m_aucSamples);

    const std::int64_t windowNs = static_cast<std::int64_t>(m_dwSamplingWindowMs) * 1'000'000;
    std::int64_t t0 = 0;
    std::int64_t now = 0;
    m_pTimeOut->tmIGetCounter(&t0);
    m_pTimeOut->tmIGetCounter(&now);
    // Without a clock rate no time can be measured: no samples are taken.
    auto elapsedNs = [&] { return m_llTicksPer100us > 0 ? (now - t0) * 100000 / m_llTicksPer100us : windowNs; };
    std::int64_t elapsed = elapsedNs();

    const auto pin = static_cast<std::uint8_t>(m_dwPin);
    const auto periodPs = static_cast<std::int64_t>(m_ullSamplePeriodUs) * 1'000'000;
    std::size_t taken = 0;
    if (elapsed < windowNs) {
        for (std::int64_t i = 1;; ++i) {
            while (elapsed * 1000 < i * periodPs) {
                m_pTimeOut->tmIGetCounter(&now);
                elapsed = elapsedNs();
            }
            if (taken >= kSampleBufferSize) break;
            std::uint8_t level = 0;
            if (!m_pGPIOLayer || !m_pGPIOLayer->tmIGetPin(pin, &level)) {
                TM_IR_ERROR("Error: tmIGetPin failed");
                return;
            }
            m_aucSamples[taken++] = level;
            if (elapsed >= windowNs) break;
        }
    }

    // RC5 decodes raw levels; the others want 1 while a burst is present.
    if (m_dwDecoderType == TM_IR_DECODER_ALL) {
        DecodeSamplesAll();
        EnableSources();
        return;
    }
    const bool invert = m_dwDecoderType != TM_IR_DECODER_RC5;
    for (std::uint32_t k = 0; k < kSampleWindow; ++k)
        m_aucWindow[k] = invert ? (m_aucSamples[k] ? 0 : 1) : m_aucSamples[k];

    switch (m_dwDecoderType) {
    case TM_IR_DECODER_RC5:
        if (m_pRC5) {
            tmIrRc5Report report{};
            if (m_pRC5->DecodeSamples(m_aucWindow, kSampleWindow, &report) == TM_IR_DECODER_OK)
                m_pSink->OnIrKey(m_dwDecoderType, &report);
        }
        break;
    case TM_IR_DECODER_RC6:
        if (m_pRC6) {
            tmIrRc6Report report{};
            if (m_pRC6->DecodeSamples(m_aucWindow, kSampleWindow, &report) == TM_IR_DECODER_FRAME_COMPLETE)
                m_pSink->OnIrKey(m_dwDecoderType, &report);
        }
        break;
    case TM_IR_DECODER_NEC:
        if (m_pNEC) {
            tmIrNecReport report{};
            if (m_pNEC->DecodeSamples32(m_aucWindow, kSampleWindow, &report) == TM_IR_DECODER_OK)
                m_pSink->OnIrKey(m_dwDecoderType, &report);
        }
        break;
    case TM_IR_DECODER_NEC24:
        if (m_pNEC) {
            tmIrNec24Report report{};
            if (m_pNEC->DecodeSamples40(m_aucWindow, kSampleWindow, &report) == TM_IR_DECODER_OK)
                m_pSink->OnIrKey(m_dwDecoderType, &report);
        }
        break;
    default:
        TM_IR_ERROR("Error: Unknown IR decoder (%d)", m_dwDecoderType);
        break;
    }

    EnableSources();
}

tmIIrDecoder::tmIIrDecoder(CIR_DecoderCallback* sink, tmIGPIOLayer* gpio, tmIInterruptLayer* interrupts,
                           tmIOSDependFactory* factory, const tmIrHwInfo* hwInfo)
    : m_pDecoder(new (std::nothrow) tmIrDecoder(sink, gpio, interrupts, factory, hwInfo))
{
}

tmIIrDecoder::~tmIIrDecoder()
{
    delete m_pDecoder;
    m_pDecoder = nullptr;
}
