#include "platform/tuner/ReplayPipeline.h"

#include "OSDependFactory.h"
#include "platform/os/VirtualTimeService.h"
#include "platform/tuner/GPIO_Interface.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/KsWire.h"
#include "platform/tuner/SimTunerCard.h"
#include "tmIR_Decoder.h"

#include <atomic>
#include <cstdio>
#include <memory>

namespace remorra::tuner {
namespace {

// Between the interrupt layer and the front end, for ReplayOptions::beforeEdge.
class LateLayer final : public tmIInterruptLayer, public CInterruptCallback {
public:
    LateLayer(tmIInterruptLayer& inner, std::function<void()> before) : m_inner(inner), m_before(std::move(before)) {}
    std::int32_t tmIEnableInterrupt(std::uint8_t pin, std::uint32_t source, CInterruptCallback* callback) override
    {
        m_front.store(callback);
        return m_inner.tmIEnableInterrupt(pin, source, callback ? this : nullptr);
    }
    std::int32_t tmIDisableInterrupt(std::uint8_t pin, std::uint32_t source) override
    {
        return m_inner.tmIDisableInterrupt(pin, source);
    }
    void OnInterrupt(const std::uint32_t* edge) override
    {
        m_before();
        if (CInterruptCallback* front = m_front.load())
            front->OnInterrupt(edge);
    }

private:
    tmIInterruptLayer& m_inner;
    std::function<void()> m_before;
    std::atomic<CInterruptCallback*> m_front{nullptr};
};

} // namespace

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
    std::unique_ptr<LateLayer> late;
    tmIInterruptLayer* layer = interrupts.get();
    if (options.beforeEdge) {
        late = std::make_unique<LateLayer>(*interrupts, options.beforeEdge);
        layer = late.get();
    }
    auto decoder = std::make_unique<tmIIrDecoder>(&sink, gpio.get(), layer, &factory, &hw);

    drive();
    clock.setStepPerRead(0);
    clock.advanceMs(options.tailMs);

    // Shutdown order of the program: front end, GPIO layer, interrupt layer.
    decoder.reset();
    gpio.reset();
    interrupts.reset();
    late.reset();
}

bool replayFrames(const std::function<bool(const PlayFrame&)>& produce, CIR_DecoderCallback& sink,
                  const ReplayOptions& options, std::string* error)
{
    os::VirtualTimeService clock;
    os::ScopedTimeService useClock(clock);
    // A sampling pass busy-waits on the counter; each read moves time 10 µs on.
    if (options.captureMode == TM_IR_CAPTURE_SAMPLING)
        clock.setStepPerRead(clock.frequency() / 100'000);

    SimTunerCard card(SimTunerCard::Options{options.cardImplementationId, 4});
    bool ok = true;
    runPipeline(card, sink, options, clock, [&] {
        const std::int64_t start = clock.nowTicks() + clock.frequency() * options.startDelayMs / 1000;
        // Between frames the interrupt thread waits for the next event (the
        // replay saw each one handled) and timers run only on this thread,
        // so nothing reads the card's timeline while it is replaced.
        ok = produce([&](std::uint64_t startUs, const Timeline& frame) {
            card.load(frame, start + static_cast<std::int64_t>(startUs) * clock.frequency() / 1'000'000);
            return card.replay(clock, error);
        });
    });
    return ok;
}

bool replayCapture(const Timeline& capture, CIR_DecoderCallback& sink, const ReplayOptions& options,
                   std::string* error)
{
    return replayFrames([&](const PlayFrame& play) { return play(0, capture); }, sink, options, error);
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
    case TM_IR_DECODER_NEC32: {
        const auto* r = static_cast<const tmIrNec32Report*>(report);
        std::snprintf(line, sizeof line, "nec32 bytes=0x%02X 0x%02X 0x%02X 0x%02X", unsigned{r->bytes[0]},
                      unsigned{r->bytes[1]}, unsigned{r->bytes[2]}, unsigned{r->bytes[3]});
        break;
    }
    default:
        std::snprintf(line, sizeof line, "type %d", static_cast<int>(decoderType));
    }
    return line;
}

} // namespace remorra::tuner
