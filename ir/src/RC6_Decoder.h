#pragma once
// Placeholder: accepts every call and reports nothing, until the real RC6
// decoder lands here with the same constructor and entries.
#include "tmIOSDepend.h"
#include "tmIrProtocolDecoder.h"
#include "tmIrTypes.h"

class CRC6_Decoder : public tmIOSDependAbstractCB, public tmIrProtocolDecoder<tmIrRc6Report> {
public:
    CRC6_Decoder(tmIOSDependTimeOut* timeOut, std::uint32_t samplePeriodUs, std::uint32_t unitTimeUs,
                 CIR_DecoderCallback* sink);
    ~CRC6_Decoder() override = default;

    void OnTimeOut() override {}
    std::int32_t DecodeEdge(tmIrRc6Report* report, const std::uint32_t* edge) override;
    std::int32_t DecodeSamples(const std::uint8_t* window, std::uint32_t count, tmIrRc6Report* report) override;

};
