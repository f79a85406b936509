#pragma once
// A raw IR device in virtual time: it hands out mode2 words in batches, each
// batch becoming readable at its arrival instant, and can vanish or refuse
// to open.
#include "platform/os/VirtualTimeService.h"
#include "platform/receivers/Mode2.h"
#include "platform/receivers/RawIrDevice.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

namespace remorra::test {

struct Batch {
    std::int64_t arrivalUs = 0; // virtual time
    std::vector<std::uint32_t> words;
};

// Splits words into batches as a receiver delivers them: a word is known
// once the instant it describes has ended. `windowUs` > 0: everything
// known at the end of each window of that length (a device reporting by
// packets); otherwise `size` words per batch, 0 meaning up to each timeout
// report (a device reporting whole frames). A batch is readable
// `latencyUs` after it is complete.
inline std::vector<Batch> batchesOf(const std::vector<std::uint32_t>& words, std::int64_t startUs, std::size_t size,
                                    std::int64_t latencyUs, std::int64_t windowUs = 0)
{
    using namespace remorra::receivers;
    std::vector<Batch> out;
    std::int64_t pos = startUs;
    Batch b;
    for (std::uint32_t w : words) {
        std::int64_t end = pos;
        if (mode2Kind(w) == Mode2Kind::Timeout) {
            end = pos + mode2Value(w); // the following space covers the whole gap
        } else {
            pos += mode2Value(w);
            end = pos;
        }
        if (windowUs > 0) {
            const std::int64_t due = (end - startUs + windowUs - 1) / windowUs * windowUs + startUs + latencyUs;
            if (!b.words.empty() && due != b.arrivalUs) {
                out.push_back(b);
                b.words.clear();
            }
            b.words.push_back(w);
            b.arrivalUs = due;
            continue;
        }
        b.words.push_back(w);
        b.arrivalUs = end + latencyUs;
        if ((size != 0 && b.words.size() == size) || (size == 0 && mode2Kind(w) == Mode2Kind::Timeout)) {
            out.push_back(b);
            b.words.clear();
        }
    }
    if (!b.words.empty())
        out.push_back(b);
    return out;
}

class FakeRawIrDevice final : public remorra::receivers::IRawIrDevice {
public:
    FakeRawIrDevice(os::VirtualTimeService& clock, std::vector<Batch> batches, std::atomic<bool>& stop)
        : m_clock(clock), m_batches(std::move(batches)), m_stop(stop)
    {
    }

    std::string describe() const override { return "/dev/lirc7"; }
    bool open(std::string& error) override
    {
        ++opened;
        if (!openError.empty())
            error = openError;
        return openError.empty();
    }
    bool setMode2(std::string&) override
    {
        mode2 = true;
        return true;
    }
    bool setReceiveTimeout(std::uint32_t us) override
    {
        timeoutUs = us;
        return true;
    }
    Wait wait(std::int64_t timeoutUs) override
    {
        if (goneAfterBatches >= 0 && m_next >= static_cast<std::size_t>(goneAfterBatches)) {
            // Unplugged when the batch that never comes would have arrived.
            const std::int64_t goneAt = m_next < m_batches.size() ? ticksOf(m_batches[m_next].arrivalUs) : 0;
            if (goneAt > m_clock.nowTicks()) {
                if (timeoutUs == 0)
                    return Wait::Timeout;
                m_clock.advanceTo(goneAt);
            }
            return Wait::Gone;
        }
        if (m_next >= m_batches.size()) {
            // Everything played: the run ends once the queued edges are out.
            if (timeoutUs != 0)
                m_stop.store(true);
            return Wait::Timeout;
        }
        const std::int64_t arrival = ticksOf(m_batches[m_next].arrivalUs);
        if (arrival > m_clock.nowTicks() && timeoutUs != 0)
            m_clock.advanceTo(std::min(arrival, m_clock.nowTicks() + timeoutUs * m_clock.frequency() / 1'000'000));
        return arrival <= m_clock.nowTicks() ? Wait::Ready : Wait::Timeout;
    }
    int read(std::span<std::uint32_t> out, std::string&) override
    {
        if (m_next >= m_batches.size())
            return 0;
        auto& words = m_batches[m_next].words;
        const std::size_t n = std::min(out.size(), words.size() - m_taken);
        std::copy_n(words.begin() + static_cast<std::ptrdiff_t>(m_taken), n, out.begin());
        m_taken += n;
        if (m_taken == words.size()) {
            ++m_next;
            m_taken = 0;
        }
        ++reads;
        return static_cast<int>(n);
    }
    void close() override { ++closed; }

    std::string openError;
    int goneAfterBatches = -1;
    int opened = 0;
    int closed = 0;
    int reads = 0;
    bool mode2 = false;
    std::uint32_t timeoutUs = 0;

private:
    std::int64_t ticksOf(std::int64_t us) const { return us * m_clock.frequency() / 1'000'000; }

    os::VirtualTimeService& m_clock;
    std::vector<Batch> m_batches;
    std::atomic<bool>& m_stop;
    std::size_t m_next = 0;
    std::size_t m_taken = 0;
};

} // namespace remorra::test
