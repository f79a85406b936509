#pragma once
// Records and codes shared by the decoder front end, the protocol decoders
// and the key-report sink.
#include <cstdint>

enum : std::int32_t {
    TM_IR_DECODER_OK = 0,
    TM_IR_DECODER_INVALID_START = 1,
    TM_IR_DECODER_INVALID_BIT_DURATION = 2,
    TM_IR_DECODER_INVALID_BIT_TEMPLATE = 3,
    TM_IR_DECODER_SAMPLING_FREQUENCY_TOO_LOW = 4,
    TM_IR_DECODER_INSUFFICIENT_SAMPLES = 5,
    TM_IR_DECODER_DATA_MISMATCH = 7,
    TM_IR_DECODER_IN_PROGRESS = 8,
    TM_IR_DECODER_FRAME_COMPLETE = 9,
    TM_IR_DECODER_NOT_INITIALIZED = 17,
};

// Decoder types of tmIrHwInfo::decoderType and CIR_DecoderCallback::OnIrKey.
enum : std::int32_t {
    TM_IR_DECODER_RC5 = 0,
    TM_IR_DECODER_RC6 = 1,
    TM_IR_DECODER_NEC = 2,   // 16-bit address
    TM_IR_DECODER_NEC24 = 3, // 24-bit address
    // NEC 16-bit, RC5 and RC6 side by side on the same edges (remote maps).
    TM_IR_DECODER_ALL = 4,
    // Reported only with TM_IR_DECODER_ALL: a complete NEC frame whose
    // command byte is not followed by its inverse (the kernel's nec32).
    TM_IR_DECODER_NEC32 = 5,
};

// Capture modes of tmIrHwInfo::captureMode.
enum : std::int32_t {
    TM_IR_CAPTURE_SAMPLING = 0,
    TM_IR_CAPTURE_EDGE = 1,
};

struct tmIrHwInfo {
    std::int32_t decoderType;
    std::int32_t gpioPin;     // low 8 bits reach the layers
    std::int32_t edgeSelect;  // 0 or 1 one source, anything else both
    std::int32_t captureMode; // 1 edge timing, 0 sampling
};

struct tmIrRc5Report {
    std::uint8_t command;
    std::uint8_t group;
    std::uint8_t toggle;
    std::uint8_t field; // second start bit: 0 marks commands 64-127
};
static_assert(sizeof(tmIrRc5Report) == 4);

struct tmIrRc6Report {
    std::uint32_t header;
    std::uint16_t control;
    std::uint16_t information; // key code
};
static_assert(sizeof(tmIrRc6Report) == 8);

struct tmIrNecReport {
    std::uint8_t reserved[32]; // never filled, never read
    std::uint16_t address;     // first received byte low, second high
    std::uint8_t command;
    std::uint8_t pad;
    std::uint32_t repeat;      // 0 new frame, 1 repeat of the last one
};
static_assert(sizeof(tmIrNecReport) == 40);

struct tmIrNec24Report {
    std::uint8_t reserved[32];
    std::uint32_t address;     // 24 bits, first received byte lowest
    std::uint8_t command;
    std::uint8_t pad[3];
    std::uint32_t repeat;
};
static_assert(sizeof(tmIrNec24Report) == 44);

struct tmIrNec32Report {
    std::uint8_t bytes[4]; // as received: address, address', command, command'
    std::uint32_t repeat;  // always 0: repeat codes follow only checked frames
};

// Key-report sink. Called synchronously: NEC keys on the interrupt thread,
// RC5/RC6 keys also from their timers on the UI thread. `report` points to
// the record of `decoderType` and is valid during the call only.
class CIR_DecoderCallback {
public:
    virtual void OnIrKey(std::int32_t decoderType, const void* report) = 0;

protected:
    ~CIR_DecoderCallback() = default;
};
