#include "RC5_Decoder.h"

CRC5_Decoder::CRC5_Decoder(tmIOSDependTimeOut*, std::uint32_t, std::uint32_t, CIR_DecoderCallback*)
{
}

std::int32_t CRC5_Decoder::DecodeEdge(tmIrRc5Report*, const std::uint32_t*)
{
    return TM_IR_DECODER_IN_PROGRESS;
}

std::int32_t CRC5_Decoder::DecodeSamples(const std::uint8_t*, std::uint32_t, tmIrRc5Report*)
{
    return TM_IR_DECODER_INVALID_START;
}
