#include "RC6_Decoder.h"

CRC6_Decoder::CRC6_Decoder(tmIOSDependTimeOut*, std::uint32_t, std::uint32_t, CIR_DecoderCallback*)
{
}

std::int32_t CRC6_Decoder::DecodeEdge(tmIrRc6Report*, const std::uint32_t*)
{
    return TM_IR_DECODER_IN_PROGRESS;
}

std::int32_t CRC6_Decoder::DecodeSamples(const std::uint8_t*, std::uint32_t, tmIrRc6Report*)
{
    return TM_IR_DECODER_INVALID_START;
}
