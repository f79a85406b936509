#pragma once
// The decode pipeline of the program, assembled around the simulated card
// and driven in virtual time: card (probe), GPIO layer, interrupt layer and
// decoder front end, configured as start-up configures them.
#include "platform/tuner/IrCapture.h"
#include "tmIrTypes.h"

#include <cstdint>
#include <string>

namespace remorra::tuner {

struct ReplayOptions {
    std::int32_t decoderType = TM_IR_DECODER_NEC;
    std::int32_t captureMode = TM_IR_CAPTURE_EDGE;
    std::uint16_t cardImplementationId = 0x7231;
    std::uint32_t startDelayMs = 200;  // front end exists this long before the capture
    std::uint32_t tailMs = 1000;       // after the last duration, so pending timers fire
};

// Replays one capture through a fresh pipeline; every OnIrKey reaches `sink`
// in order (on the interrupt thread or, for timer reports, on the caller's).
// Installs its own virtual time service for the duration of the call.
void replayCapture(const Timeline& capture, CIR_DecoderCallback& sink, const ReplayOptions& options = {});

// The decode tool's line for one key report, without a newline.
std::string formatKeyReport(std::int32_t decoderType, const void* report);

} // namespace remorra::tuner
