#pragma once
// Fake tuner layers, sink and trace capture for driving the decoders in virtual time.
#include "tmIOSDepend.h"
#include "tmIrLayers.h"
#include "tmIrTypes.h"
#include "tmTrace.h"
#include "platform/os/VirtualTimeService.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
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

// Pin level at `us` of runs counted in samples (burst flag, samples), the
// first sample at `startUs`, one every `periodUs`; idle (1) after the runs.
inline std::uint8_t SampledLevel(const std::vector<std::pair<int, int>>& runs, std::int64_t startUs,
                                 std::int64_t periodUs, std::int64_t us)
{
    std::int64_t slot = (us - startUs) / periodUs;
    for (const auto& [burst, n] : runs) {
        if (slot < n) return burst ? 0 : 1;
        slot -= n;
    }
    return 1;
}

// Reports may come from a timer thread, hence the lock; read the vectors once it is idle.
class RecordingSink final : public CIR_DecoderCallback {
public:
    void OnIrKey(std::int32_t decoderType, const void* report) override
    {
        std::lock_guard lock(m_mutex);
        types.push_back(decoderType);
        threads.push_back(std::this_thread::get_id());
        if (decoderType == TM_IR_DECODER_NEC) nec.push_back(*static_cast<const tmIrNecReport*>(report));
        if (decoderType == TM_IR_DECODER_NEC24) nec24.push_back(*static_cast<const tmIrNec24Report*>(report));
        if (decoderType == TM_IR_DECODER_RC5) rc5.push_back(*static_cast<const tmIrRc5Report*>(report));
        if (decoderType == TM_IR_DECODER_RC6) rc6.push_back(*static_cast<const tmIrRc6Report*>(report));
    }
    std::size_t count() const
    {
        std::lock_guard lock(m_mutex);
        return types.size();
    }
    std::vector<std::int32_t> types;
    std::vector<std::thread::id> threads;
    std::vector<tmIrNecReport> nec;
    std::vector<tmIrNec24Report> nec24;
    std::vector<tmIrRc5Report> rc5;
    std::vector<tmIrRc6Report> rc6;

private:
    mutable std::mutex m_mutex;
};

// Collects trace lines for assertions.
class TraceCapture final : public TraceSink {
public:
    TraceCapture() : m_scope(*this) {}

    void traceLine(std::uint8_t level, const char* text) override
    {
        std::lock_guard lock(m_mutex);
        m_lines.push_back({level, text});
    }
    struct Line {
        std::uint8_t level;
        std::string text;
    };
    std::vector<Line> lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_lines.clear();
    }
    int count(const std::string& text) const
    {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count_if(m_lines.begin(), m_lines.end(),
                                              [&](const Line& l) { return l.text == text; }));
    }
    bool has(std::uint8_t level, const std::string& text) const
    {
        std::lock_guard lock(m_mutex);
        return std::any_of(m_lines.begin(), m_lines.end(),
                           [&](const Line& l) { return l.level == level && l.text == text; });
    }
    // The start of the location line that opens an error trace of `unit`.
    static std::string errorLocation(const std::string& unit) { return "Error: In function: " + unit + " (Line "; }
    // True when `text` was traced at level 0 right after a location line of `unit`.
    bool hasError(const std::string& text, const std::string& unit) const
    {
        std::lock_guard lock(m_mutex);
        const std::string prefix = errorLocation(unit);
        for (std::size_t i = 1; i < m_lines.size(); ++i)
            if (m_lines[i].text == text && m_lines[i].level == 0 && m_lines[i - 1].text.rfind(prefix, 0) == 0)
                return true;
        return false;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Line> m_lines;
    ScopedTraceSink m_scope;
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

} // namespace remorra::test
