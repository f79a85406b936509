#pragma once
// The decode pipeline as start-up assembles it, on the simulated card and in
// real time: probe, GPIO layer, interrupt layer, pin direction (chip path),
// front end. Shutdown follows the program's order.
#include "OSDependFactory.h"
#include "platform/tuner/GPIO_Interface.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/KsWire.h"
#include "platform/tuner/SimTunerCard.h"
#include "tmIR_Decoder.h"

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>

namespace remorra::test {

struct LivePipeline {
    LivePipeline(tuner::SimTunerCard& card, CIR_DecoderCallback& sink,
                 std::int32_t decoderType = TM_IR_DECODER_NEC, std::int32_t mode = TM_IR_CAPTURE_EDGE)
    {
        id = tuner::probeImplementationId(&card);
        gpio = std::make_unique<CGPIO_Interface>(&card, id);
        interrupts = std::make_unique<CInterrupt_Interface>(id, &card);
        if (id != 0)
            directionResult = gpio->tmISetPinDirection(0x10, 0x10);
        const tmIrHwInfo hw{decoderType, 4, 0, mode};
        decoder = std::make_unique<tmIIrDecoder>(&sink, gpio.get(), interrupts.get(), &factory, &hw);
    }
    ~LivePipeline() { shutdown(); }

    void shutdown()
    {
        decoder.reset();
        gpio.reset();
        interrupts.reset();
    }

    std::uint16_t id = 0;
    std::int32_t directionResult = 0;
    COSDependFactory factory;
    std::unique_ptr<CGPIO_Interface> gpio;
    std::unique_ptr<CInterrupt_Interface> interrupts;
    std::unique_ptr<tmIIrDecoder> decoder;
};

// Counts key reports per decoder type and lets a test wait for one.
class CountingSink final : public CIR_DecoderCallback {
public:
    void OnIrKey(std::int32_t type, const void*) override
    {
        if (type >= 0 && type < 8)
            m_counts[type].fetch_add(1);
        {
            std::lock_guard lock(m_mutex);
            ++m_total;
        }
        m_changed.notify_all();
    }
    int count(std::int32_t type) const { return m_counts[type].load(); }
    // True once `n` reports in all arrived; false after `limit` without them.
    bool waitForTotal(int n, std::chrono::milliseconds limit)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_total >= n; });
    }

private:
    std::atomic<int> m_counts[8] = {};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_total = 0;
};

// Resident set of this process in KiB (0 when unknown).
inline long residentKiB()
{
    std::ifstream in("/proc/self/status");
    std::string key;
    while (in >> key) {
        if (key == "VmRSS:") {
            long v = 0;
            in >> v;
            return v;
        }
        in.ignore(4096, '\n');
    }
    return 0;
}

} // namespace remorra::test
