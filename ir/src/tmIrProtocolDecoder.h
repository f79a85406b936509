#pragma once
// What the front end needs of a timer-driven protocol decoder (RC5, RC6).
// Such a decoder also derives from tmIOSDependAbstractCB, as its primary
// base, for its periodic timer.
#include <cstdint>

template <class Report>
class tmIrProtocolDecoder {
public:
    virtual ~tmIrProtocolDecoder() = default;
    // Edge-timing mode, once per interrupt; `edge` is not read by any decoder.
    virtual std::int32_t DecodeEdge(Report* report, const std::uint32_t* edge) = 0;
    // Sampling mode; reads no more than `count` samples of `window`.
    virtual std::int32_t DecodeSamples(const std::uint8_t* window, std::uint32_t count,
                                       Report* report) = 0;
};
