#pragma once
// Fake tuner layers and sink for driving the decoders in virtual time.
#include "tmIOSDepend.h"
#include "tmIrLayers.h"
#include "tmIrTypes.h"
#include "platform/os/VirtualTimeService.h"

#include <functional>
#include <set>
#include <thread>
#include <utility>
#include <vector>

namespace remorra::test {

class FakeInterruptLayer final : public tmIInterruptLayer {
public:
    std::int32_t tmIEnableInterrupt(std::uint8_t pin, std::uint32_t source, CInterruptCallback* cb) override
    {
        enabled.push_back({pin, source});
        active.insert(source);
        callback = cb;
        return 0;
    }
    std::int32_t tmIDisableInterrupt(std::uint8_t pin, std::uint32_t source) override
    {
        disabled.push_back({pin, source});
        active.erase(source);
        return 0;
    }
    // Delivers an interrupt as the layer's thread would, if the source is registered.
    void fire(std::uint32_t source = 0)
    {
        if (callback && active.count(source)) {
            const std::uint32_t selector = source;
            callback->OnInterrupt(&selector);
        }
    }

    std::vector<std::pair<std::uint8_t, std::uint32_t>> enabled, disabled;
    std::set<std::uint32_t> active;
    CInterruptCallback* callback = nullptr;
};

// Pin level as a function of virtual time in µs (raw level: 0 while a burst is present).
class FakeGpioLayer final : public tmIGPIOLayer {
public:
    explicit FakeGpioLayer(os::VirtualTimeService& vt) : m_vt(vt) {}
    std::int32_t tmISetPin(std::uint8_t, std::uint8_t) override { return 1; }
    std::int32_t tmIGetPin(std::uint8_t pin, std::uint8_t* value) override
    {
        ++reads;
        lastPin = pin;
        if (failAfter >= 0 && reads > failAfter) return 0;
        *value = level ? level(m_vt.nowUs()) : 1;
        return 1;
    }
    std::function<std::uint8_t(std::int64_t)> level;
    int failAfter = -1;
    int reads = 0;
    std::uint8_t lastPin = 0;

private:
    os::VirtualTimeService& m_vt;
};

class RecordingSink final : public CIR_DecoderCallback {
public:
    void OnIrKey(std::int32_t decoderType, const void* report) override
    {
        types.push_back(decoderType);
        threads.push_back(std::this_thread::get_id());
        if (decoderType == TM_IR_DECODER_NEC) nec.push_back(*static_cast<const tmIrNecReport*>(report));
        if (decoderType == TM_IR_DECODER_NEC24) nec24.push_back(*static_cast<const tmIrNec24Report*>(report));
    }
    std::vector<std::int32_t> types;
    std::vector<std::thread::id> threads;
    std::vector<tmIrNecReport> nec;
    std::vector<tmIrNec24Report> nec24;
};

class NullTimeOutFactory final : public tmIOSDependFactory {
public:
    tmIOSDependDelayExecution* tmICreateDelayExecution() override { return nullptr; }
    void* tmICreateReserved1() override { return nullptr; }
    tmIOSDependTimeOut* tmICreateTimeOut() override { return nullptr; }
    void* tmICreateReserved3() override { return nullptr; }
    void* tmICreateReserved4() override { return nullptr; }
    void* tmICreateReserved5() override { return nullptr; }
    void* tmICreateReserved6() override { return nullptr; }
    void* tmICreateReserved7(void*) override { return nullptr; }
};

// Edge intervals (µs, burst start to burst start) of one NEC frame:
// leader, then the bytes least significant bit first.
inline std::vector<std::int64_t> necFrameIntervals(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::int64_t> out{13500};
    for (std::uint8_t b : bytes)
        for (int i = 0; i < 8; ++i) out.push_back((b >> i) & 1 ? 2250 : 1125);
    return out;
}

// Burst (true) / space runs in µs of one NEC frame on the wire, ending with the stop burst.
inline std::vector<std::pair<bool, std::int64_t>> necFrameWave(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::pair<bool, std::int64_t>> out{{true, 9000}, {false, 4500}};
    for (std::uint8_t b : bytes)
        for (int i = 0; i < 8; ++i) {
            out.push_back({true, 560});
            out.push_back({false, (b >> i) & 1 ? 1690 : 560});
        }
    out.push_back({true, 560});
    return out;
}

// 1 while `wave` has a burst at `us` after its start.
inline std::uint8_t burstAt(const std::vector<std::pair<bool, std::int64_t>>& wave, std::int64_t us)
{
    std::int64_t t = 0;
    for (const auto& [burst, len] : wave) {
        if (us < t + len) return burst ? 1 : 0;
        t += len;
    }
    return 0;
}

} // namespace remorra::test
