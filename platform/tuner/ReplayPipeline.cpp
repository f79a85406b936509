#include "platform/tuner/ReplayPipeline.h"

#include "OSDependFactory.h"
#include "platform/os/VirtualTimeService.h"
#include "platform/tuner/GPIO_Interface.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/KsWire.h"
#include "platform/tuner/SimTunerCard.h"
#include "tmIR_Decoder.h"

#include <cstdio>
#include <memory>

namespace remorra::tuner {

void runPipeline(ICaptureFilter& filter, CIR_DecoderCallback& sink, const ReplayOptions& options,
                 os::VirtualTimeService& clock, const std::function<void()>& drive)
{
    const std::uint16_t id = probeImplementationId(&filter);
    auto gpio = std::make_unique<CGPIO_Interface>(&filter, id);
    auto interrupts = std::make_unique<CInterrupt_Interface>(id, &filter);
    if (id != 0)
        gpio->tmISetPinDirection(0x10, 0x10);
    COSDependFactory factory;
    const tmIrHwInfo hw{options.decoderType, 4, 0, options.captureMode};
    auto decoder = std::make_unique<tmIIrDecoder>(&sink, gpio.get(), interrupts.get(), &factory, &hw);

    drive();
    clock.setStepPerRead(0);
    clock.advanceMs(options.tailMs);

    // Shutdown order of the program: front end, GPIO layer, interrupt layer.
    decoder.reset();
    gpio.reset();
    interrupts.reset();
}

bool replayCapture(const Timeline& capture, CIR_DecoderCallback& sink, const ReplayOptions& options,
                   std::string* error)
{
    os::VirtualTimeService clock;
    os::ScopedTimeService useClock(clock);
    // A sampling pass busy-waits on the counter; each read moves time 10 µs on.
    if (options.captureMode == TM_IR_CAPTURE_SAMPLING)
        clock.setStepPerRead(clock.frequency() / 100'000);

    SimTunerCard card(SimTunerCard::Options{options.cardImplementationId, 4});
    bool ok = true;
    runPipeline(card, sink, options, clock, [&] {
        card.load(capture, clock.nowTicks() + clock.frequency() * options.startDelayMs / 1000);
        ok = card.replay(clock, error);
    });
    return ok;
}

std::string formatKeyReport(std::int32_t decoderType, const void* report)
{
    char line[128];
    switch (decoderType) {
    case TM_IR_DECODER_NEC: {
        const auto* r = static_cast<const tmIrNecReport*>(report);
        std::snprintf(line, sizeof line, "nec address=0x%04X command=0x%02X repeat=%u", unsigned{r->address},
                      unsigned{r->command}, unsigned{r->repeat});
        break;
    }
    case TM_IR_DECODER_NEC24: {
        const auto* r = static_cast<const tmIrNec24Report*>(report);
        std::snprintf(line, sizeof line, "nec24 address=0x%06X command=0x%02X repeat=%u", unsigned{r->address},
                      unsigned{r->command}, unsigned{r->repeat});
        break;
    }
    case TM_IR_DECODER_RC5: {
        const auto* r = static_cast<const tmIrRc5Report*>(report);
        std::snprintf(line, sizeof line, "rc5 command=0x%02X group=0x%02X toggle=%u", unsigned{r->command},
                      unsigned{r->group}, unsigned{r->toggle});
        break;
    }
    case TM_IR_DECODER_RC6: {
        const auto* r = static_cast<const tmIrRc6Report*>(report);
        std::snprintf(line, sizeof line, "rc6 header=0x%X control=0x%X information=0x%X", unsigned{r->header},
                      unsigned{r->control}, unsigned{r->information});
        break;
    }
    default:
        std::snprintf(line, sizeof line, "type %d", static_cast<int>(decoderType));
    }
    return line;
}

} // namespace remorra::tuner
