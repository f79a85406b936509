#pragma once
// The decode pipeline of the program, assembled around the simulated card
// and driven in virtual time: card (probe), GPIO layer, interrupt layer and
// decoder front end, configured as start-up configures them.
#include "platform/tuner/IrCapture.h"
#include "tmIrTypes.h"

#include <cstdint>
#include <functional>
#include <string>

namespace remorra::os {
class VirtualTimeService;
}

namespace remorra::tuner {

class ICaptureFilter;

struct ReplayOptions {
    std::int32_t decoderType = TM_IR_DECODER_NEC;
    std::int32_t captureMode = TM_IR_CAPTURE_EDGE;
    std::uint16_t cardImplementationId = 0x7231;
    std::uint32_t startDelayMs = 200;  // front end exists this long before the capture
    std::uint32_t tailMs = 1000;       // after the last duration, so pending timers fire
    // Runs on the interrupt thread before each edge reaches the front end: a
    // replay can make that thread wake late (sleep on the virtual clock).
    std::function<void()> beforeEdge;
};

// Replays one capture through a fresh pipeline; every OnIrKey reaches `sink`
// in order (on the interrupt thread or, for timer reports, on the caller's).
// Installs its own virtual time service for the duration of the call.
// False with `error` set when the replay stalled (see SimTunerCard::replay).
bool replayCapture(const Timeline& capture, CIR_DecoderCallback& sink, const ReplayOptions& options = {},
                   std::string* error = nullptr);

// Replays a capture handed over frame by frame (as CaptureReader gives them:
// `startUs` from the capture's first burst) through one pipeline, so memory
// follows the longest frame. `produce` is called once and plays each frame
// with the function it is given, in order; that function returns false when
// the replay stalled (`error` set) and `produce` should stop. False when a
// frame stalled or `produce` returned false (its own failure: `error` untouched).
using PlayFrame = std::function<bool(std::uint64_t startUs, const Timeline& frame)>;
bool replayFrames(const std::function<bool(const PlayFrame&)>& produce, CIR_DecoderCallback& sink,
                  const ReplayOptions& options = {}, std::string* error = nullptr);

// Assembles probe, GPIO layer, interrupt layer and front end on `filter` as
// start-up does, runs `drive` (which plays the IR), lets `options.tailMs`
// pass on `clock` so pending timers fire, and shuts down in the program's order.
void runPipeline(ICaptureFilter& filter, CIR_DecoderCallback& sink, const ReplayOptions& options,
                 os::VirtualTimeService& clock, const std::function<void()>& drive);

// The decode tool's line for one key report, without a newline.
std::string formatKeyReport(std::int32_t decoderType, const void* report);

} // namespace remorra::tuner
