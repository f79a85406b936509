#include "FakeDevice.h"
#include "platform/os/Files.h"
#include "platform/os/VirtualTimeService.h"
#include "platform/receivers/EdgeClock.h"
#include "platform/receivers/Mode2.h"
#include "platform/receivers/RawIrCaptureFilter.h"
#include "platform/tuner/GPIO_Interface.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/IrCapture.h"
#include "platform/tuner/KsWire.h"
#include "platform/tuner/ReplayPipeline.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace remorra::receivers;
using namespace remorra::tuner;
using remorra::test::batchesOf;
using remorra::test::FakeRawIrDevice;

namespace {

constexpr std::uint32_t kTimeoutUs = 125'000;

class Lines final : public CIR_DecoderCallback {
public:
    void OnIrKey(std::int32_t type, const void* report) override
    {
        std::lock_guard lock(mutex);
        lines.push_back(formatKeyReport(type, report));
        changed.notify_all();
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> lines;
};

Timeline recorded(const char* name)
{
    const char* dir = std::getenv("REMORRA_TEST_DATA");
    std::string text;
    Timeline t;
    std::string error;
    if (!dir || !remorra::os::readWholeFile(std::string(dir) + "/receivers/" + name, text) ||
        !parseCapture(text, name, t, error))
        ADD_FAILURE() << "cannot read " << name << " " << error;
    return t;
}

// One run of the program's pipeline on a raw IR receiver in virtual time.
struct ReceiverRun {
    std::vector<std::string> lines;
    std::vector<std::string> log;
    // What the device saw (it goes with its filter).
    int opened = 0;
    int closed = 0;
    bool mode2 = false;
    std::uint32_t timeoutUs = 0;
    bool lost = false;
    std::uint32_t directionMask = 0;
    std::int32_t pinReadAfter = -1;
};

ReceiverRun runReceiver(const Timeline& capture, std::size_t batch, std::int64_t latencyUs, std::int64_t windowUs,
                        const ReplayOptions& opts, int goneAfterBatches = -1, const std::string& openError = {})
{
    remorra::os::VirtualTimeService clock;
    remorra::os::ScopedTimeService useClock(clock);
    std::atomic<bool> stop{false};
    ReceiverRun run;
    auto device = std::make_unique<FakeRawIrDevice>(
        clock, batchesOf(toMode2Words(capture, kTimeoutUs), 200'000, batch, latencyUs, windowUs), stop);
    device->goneAfterBatches = goneAfterBatches;
    device->openError = openError;
    FakeRawIrDevice* seen = device.get();
    RawIrCaptureFilter::Options options;
    options.ownThread = false;
    options.log = [&](const std::string& line) { run.log.push_back(line); };
    RawIrCaptureFilter filter(std::move(device), options);
    Lines sink;
    runPipeline(filter, sink, opts, clock, [&] {
        VirtualEdgeClock edges(clock);
        filter.serve(edges, stop);
        if (!filter.lost())
            return;
        // The caller goes on after a loss: pin reads fail, a second run of
        // the loop neither reopens nor logs again.
        CGPIO_Interface gpio(&filter, 0x7231);
        std::uint8_t level = 9;
        run.pinReadAfter = gpio.tmIGetPin(4, &level);
        filter.serve(edges, stop);
    });
    run.lines = sink.lines;
    run.opened = seen->opened;
    run.closed = seen->closed;
    run.mode2 = seen->mode2;
    run.timeoutUs = seen->timeoutUs;
    run.lost = filter.lost();
    run.directionMask = filter.directionMask();
    return run;
}

// What the card's path decodes from the capture on time: the reference.
std::vector<std::string> onTime(const Timeline& capture, const ReplayOptions& opts)
{
    Lines reference;
    replayCapture(capture, reference, opts);
    EXPECT_FALSE(reference.lines.empty());
    return reference.lines;
}

} // namespace

TEST(RawIrReceiver, BatchedCaptureDecodesAsTheDecodeTool)
{
    remorra::tuner::EncodeOptions jitter;
    jitter.jitterUs = 50;
    jitter.frames = 2;
    jitter.gapMs = 150;
    remorra::tuner::EncodeOptions rc6 = jitter;
    rc6.jitterUs = 30; // RC6's half-bit tolerance is tight
    struct Case {
        const char* name;
        Timeline capture;
        std::int32_t decoder;
        std::size_t batch;
        std::int64_t latencyUs;
        std::int64_t windowUs;
    } cases[] = {
        {"recorded NEC, word by word", recorded("nec-two-keys.mode2"), TM_IR_DECODER_NEC, 1, 100, 0},
        {"recorded NEC, 4 ms packets", recorded("nec-two-keys.mode2"), TM_IR_DECODER_NEC, 0, 700, 4000},
        {"recorded NEC, whole frames at timeout", recorded("nec-two-keys.mode2"), TM_IR_DECODER_NEC, 0, 3000, 0},
        {"NEC 24-bit", encodeNec(0x123456, 0x42, 0, true, jitter), TM_IR_DECODER_NEC24, 0, 300, 1000},
        {"RC5", encodeRc5(0x05, 0x21, true, jitter), TM_IR_DECODER_RC5, 1, 200, 0},
        {"RC6 mode 6", encodeRc6(6, 0x800F, 0x040C, false, rc6), TM_IR_DECODER_RC6, 0, 100, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReplayOptions opts;
        opts.decoderType = c.decoder;
        const std::vector<std::string> reference = onTime(c.capture, opts);
        const ReceiverRun run = runReceiver(c.capture, c.batch, c.latencyUs, c.windowUs, opts);
        EXPECT_EQ(run.lines, reference);
        EXPECT_TRUE(run.log.empty());
        EXPECT_EQ(run.opened, 1);
        EXPECT_TRUE(run.mode2);
        EXPECT_EQ(run.timeoutUs, kTimeoutUs);
        EXPECT_EQ(run.directionMask, 0x10u); // the probe found the chip path
    }
}

// The interrupt thread woken 5 ms late at every seventh edge: the receivers
// hand each edge's instant along, so no key changes; the card's driver
// events carry none, so its edges merge and keys are lost, as before.
TEST(RawIrReceiver, LateInterruptThreadChangesNoKey)
{
    remorra::tuner::EncodeOptions twice;
    twice.frames = 2;
    twice.gapMs = 150;
    struct Case {
        const char* name;
        Timeline capture;
        std::int32_t decoder;
    } cases[] = {
        {"recorded NEC", recorded("nec-two-keys.mode2"), TM_IR_DECODER_NEC},
        {"NEC 24-bit", encodeNec(0x123456, 0x42, 1, true, twice), TM_IR_DECODER_NEC24},
        {"RC5", encodeRc5(0x05, 0x21, true, twice), TM_IR_DECODER_RC5},
        {"RC6 mode 6", encodeRc6(6, 0x800F, 0x040C, false, twice), TM_IR_DECODER_RC6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReplayOptions opts;
        opts.decoderType = c.decoder;
        const std::vector<std::string> reference = onTime(c.capture, opts);
        std::atomic<int> edges{0};
        ReplayOptions late = opts;
        late.beforeEdge = [&] {
            if (++edges % 7 == 0)
                remorra::os::timeService().sleepMs(5);
        };
        const ReceiverRun run = runReceiver(c.capture, 1, 100, 0, late);
        EXPECT_EQ(run.lines, reference);
        edges = 0;
        Lines card;
        replayCapture(c.capture, card, late);
        EXPECT_NE(card.lines, reference);
        EXPECT_GT(edges.load(), 7);
    }
}

TEST(RawIrReceiver, UnpluggedMidRunLogsOnceAndStopsTheEvents)
{
    const Timeline capture = recorded("nec-two-keys.mode2");
    ReplayOptions opts;
    const std::vector<std::string> reference = onTime(capture, opts);
    ASSERT_EQ(reference.size(), 3u);

    // The first key arrives whole; the device goes before the second.
    const ReceiverRun run = runReceiver(capture, 0, 3000, 0, opts, 1);
    EXPECT_EQ(run.lines, std::vector<std::string>(reference.begin(), reference.begin() + 2));
    ASSERT_EQ(run.log.size(), 1u);
    EXPECT_EQ(run.log[0], "IR receiver /dev/lirc7 has gone");
    EXPECT_TRUE(run.lost);
    EXPECT_EQ(run.pinReadAfter, 0);
    EXPECT_EQ(run.opened, 1);
    EXPECT_GE(run.closed, 1);

    // Permission lost before the start: logged once, nothing decoded.
    const ReceiverRun refused = runReceiver(capture, 1, 100, 0, opts, -1, "open: Permission denied");
    EXPECT_TRUE(refused.lines.empty());
    EXPECT_EQ(refused.log, std::vector<std::string>{"IR receiver /dev/lirc7 could not be opened: open: Permission denied"});
    EXPECT_EQ(refused.opened, 1);
}

TEST(RawIrReceiver, AnswersAsAChipPathDriverAndRefusesTheRest)
{
    remorra::os::VirtualTimeService clock;
    remorra::os::ScopedTimeService useClock(clock);
    std::atomic<bool> stop{false};
    RawIrCaptureFilter::Options options;
    options.ownThread = false;
    options.implementationId = 0x7200;
    RawIrCaptureFilter filter(std::make_unique<FakeRawIrDevice>(clock, std::vector<remorra::test::Batch>{}, stop),
                              options);
    int sent = 0;
    EXPECT_EQ(probeImplementationId(&filter, &sent), 0x7200);
    EXPECT_EQ(sent, 0x7231 - 0x7200 + 1);

    CGPIO_Interface chip(&filter, 0x7200);
    std::uint8_t level = 9;
    EXPECT_EQ(chip.tmIGetPin(4, &level), 1);
    EXPECT_EQ(level, 1); // idle
    CGPIO_Interface wrongId(&filter, 0x7231);
    EXPECT_EQ(wrongId.tmIGetPin(4, &level), 0);
    CGPIO_Interface legacy(&filter, 0);
    EXPECT_EQ(legacy.tmIGetPin(4, &level), 0);
    EXPECT_EQ(legacy.tmISetPin(4, 1), 0);

    // Events: only chip registrations; disabling needs the very same record.
    struct Sink final : CInterruptCallback {
        void OnInterrupt(const std::uint32_t*) override {}
    } cb;
    std::uint8_t record[kChipEventDataSize];
    fillEventData(record, sizeof record, 77, 4);
    std::uint32_t returned = 0;
    const auto enable = eventEnableRequest(kChipEventSet, 4);
    EXPECT_EQ(filter.ksEvent(enable, record, &returned), kOk);
    std::uint8_t other[kDisableEventDataSize];
    fillEventData(other, sizeof other, 77, 4);
    EXPECT_EQ(filter.ksEvent({}, other, &returned), kNotFound);
    EXPECT_EQ(filter.ksEvent({}, std::span(record, kDisableEventDataSize), &returned), kOk);
    std::uint8_t legacyRecord[kLegacyEventDataSize];
    fillEventData(legacyRecord, sizeof legacyRecord, 77, 4);
    EXPECT_EQ(filter.ksEvent(eventEnableRequest(kLegacyEventSet, 0), legacyRecord, &returned), kInvalidArg);
    CInterrupt_Interface legacyLayer(0, &filter);
    EXPECT_EQ(legacyLayer.tmIEnableInterrupt(4, 0, &cb), CInterrupt_Interface::kNoLegacyEvent);
}

// The filter's own real-time thread: a frame read at once plays out, then
// the device vanishes; the test observes the report and the log line.
TEST(RawIrReceiver, OwnThreadPlaysTheFrameAndSurvivesTheLoss)
{
    class Immediate final : public IRawIrDevice {
    public:
        explicit Immediate(std::vector<std::uint32_t> words) : m_words(std::move(words)) {}
        std::string describe() const override { return "/dev/lirc0"; }
        bool open(std::string&) override { return true; }
        bool setMode2(std::string&) override { return true; }
        bool setReceiveTimeout(std::uint32_t) override { return false; }
        Wait wait(std::int64_t timeoutUs) override
        {
            if (!m_words.empty())
                return Wait::Ready;
            return timeoutUs == 0 ? Wait::Timeout : Wait::Gone;
        }
        int read(std::span<std::uint32_t> out, std::string&) override
        {
            const std::size_t n = std::min(out.size(), m_words.size());
            std::copy_n(m_words.begin(), n, out.begin());
            m_words.erase(m_words.begin(), m_words.begin() + static_cast<std::ptrdiff_t>(n));
            return static_cast<int>(n);
        }
        void close() override {}

    private:
        std::vector<std::uint32_t> m_words;
    };

    std::mutex mutex;
    std::condition_variable logged;
    std::vector<std::string> log;
    RawIrCaptureFilter::Options options;
    options.log = [&](const std::string& line) {
        std::lock_guard lock(mutex);
        log.push_back(line);
        logged.notify_all();
    };
    RawIrCaptureFilter filter(
        std::make_unique<Immediate>(toMode2Words(encodeNec(0xFB04, 0x12, 0, false, {}), kTimeoutUs)), options);
    CInterrupt_Interface interrupts(probeImplementationId(&filter), &filter);
    // Burst starts reach the interrupt layer's thread.
    struct Count final : CInterruptCallback {
        void OnInterrupt(const std::uint32_t*) override
        {
            std::lock_guard lock(*mutex);
            ++edges;
            changed->notify_all();
        }
        std::mutex* mutex = nullptr;
        std::condition_variable* changed = nullptr;
        int edges = 0;
    } count;
    count.mutex = &mutex;
    count.changed = &logged;
    interrupts.tmIEnableInterrupt(4, 0, &count);
    {
        std::unique_lock lock(mutex);
        logged.wait(lock, [&] { return !log.empty() && count.edges >= 1; });
    }
    EXPECT_EQ(log, std::vector<std::string>{"IR receiver /dev/lirc0 has gone"});
    EXPECT_TRUE(filter.lost());
    EXPECT_EQ(interrupts.tmIDisableInterrupt(4, 0), 0);
}

// A line stuck in a burst reports one pulse of many seconds. Its end lies far
// ahead of the clock; closing the filter meanwhile must not wait for it (nor
// spin at real-time priority until then).
TEST(RawIrReceiver, ClosingDuringAFarAheadEdgeReturnsPromptly)
{
    class StuckLine final : public IRawIrDevice {
    public:
        std::string describe() const override { return "/dev/lirc1"; }
        bool open(std::string&) override { return true; }
        bool setMode2(std::string&) override { return true; }
        bool setReceiveTimeout(std::uint32_t) override { return true; }
        Wait wait(std::int64_t timeoutUs) override
        {
            if (!m_read)
                return Wait::Ready;
            // A blocking device with nothing more to say.
            std::this_thread::sleep_for(std::chrono::microseconds(timeoutUs));
            return Wait::Timeout;
        }
        int read(std::span<std::uint32_t> out, std::string&) override
        {
            if (m_read)
                return 0;
            m_read = true;
            out[0] = mode2Word(Mode2Kind::Pulse, kMode2ValueMask);
            return 1;
        }
        void close() override {}

    private:
        bool m_read = false;
    };

    const remorra::os::EventHandle burst = remorra::os::createEvent();
    auto filter = std::make_unique<RawIrCaptureFilter>(std::make_unique<StuckLine>(), RawIrCaptureFilter::Options{});
    std::uint8_t record[kChipEventDataSize];
    fillEventData(record, sizeof record, burst, 4);
    std::uint32_t returned = 0;
    ASSERT_EQ(filter->ksEvent(eventEnableRequest(kChipEventSet, 4), record, &returned), kOk);
    // The burst's start is signalled; its end is 16.7 s ahead.
    ASSERT_EQ(remorra::os::waitForEvents(&burst, 1), 0);
    EXPECT_EQ(filter->level(), 0);

    auto closed = std::async(std::launch::async, [&] { filter.reset(); });
    EXPECT_EQ(closed.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    closed.wait();
    remorra::os::closeEvent(burst);
}
