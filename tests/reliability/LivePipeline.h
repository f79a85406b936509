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
#include <vector>

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
    void OnIrKey(std::int32_t type, const void* report) override
    {
        if (type >= 0 && type < 8)
            m_counts[type].fetch_add(1);
        {
            std::lock_guard lock(m_mutex);
            ++m_total;
            // Reserved up front: the interrupt thread does not allocate here.
            if (m_keys.size() < m_keys.capacity())
                m_keys.push_back(keyOf(type, report));
        }
        m_changed.notify_all();
    }
    int count(std::int32_t type) const { return m_counts[type].load(); }
    // The first 64 reports, each in keyOf's form.
    std::vector<std::uint32_t> keys()
    {
        std::lock_guard lock(m_mutex);
        return m_keys;
    }
    // Type in the top byte; below it NEC address and command, RC5 group and
    // command, or RC6 information.
    static std::uint32_t keyOf(std::int32_t type, const void* report)
    {
        std::uint32_t code = 0;
        if (type == TM_IR_DECODER_NEC) {
            const auto* r = static_cast<const tmIrNecReport*>(report);
            code = std::uint32_t{r->address} << 8 | r->command;
        } else if (type == TM_IR_DECODER_RC5) {
            const auto* r = static_cast<const tmIrRc5Report*>(report);
            code = std::uint32_t{r->group} << 8 | r->command;
        } else if (type == TM_IR_DECODER_RC6) {
            code = static_cast<const tmIrRc6Report*>(report)->information;
        }
        return static_cast<std::uint32_t>(type) << 24 | code;
    }
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
    std::vector<std::uint32_t> m_keys = [] {
        std::vector<std::uint32_t> v;
        v.reserve(64);
        return v;
    }();
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
