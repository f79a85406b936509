// A receiver wired to a GPIO line, read through libgpiod's edge events with
// the kernel's timestamps.
#include "platform/receivers/Mode2.h"
#include "platform/receivers/RawIrDevice.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <gpiod.h>

namespace remorra::receivers {
namespace {

constexpr std::uint32_t kIdleUs = 125'000;

class GpioLine final : public IRawIrDevice {
public:
    GpioLine(std::string chip, unsigned line) : m_chipName(std::move(chip)), m_offset(line), m_durations(kIdleUs) {}
    ~GpioLine() override { close(); }

    std::string describe() const override { return m_chipName + " line " + std::to_string(m_offset); }

    bool open(std::string& error) override
    {
        close();
        m_chip = gpiod_chip_open_lookup(m_chipName.c_str());
        if (!m_chip) {
            error = std::string("no GPIO chip: ") + std::strerror(errno);
            return false;
        }
        m_line = gpiod_chip_get_line(m_chip, m_offset);
        if (!m_line) {
            error = std::string("no such line: ") + std::strerror(errno);
            return false;
        }
        return true;
    }

    bool setMode2(std::string& error) override
    {
        if (gpiod_line_request_both_edges_events(m_line, "remorra") != 0) {
            error = std::string("edge events refused: ") + std::strerror(errno);
            return false;
        }
        m_requested = true;
        m_durations = EdgeDurations(kIdleUs);
        return true;
    }

    // The idle time is ours to decide; nothing to set in the kernel.
    bool setReceiveTimeout(std::uint32_t) override { return false; }

    Wait wait(std::int64_t timeoutUs) override
    {
        if (m_pendingCount != 0)
            return Wait::Ready;
        const timespec limit{static_cast<time_t>(timeoutUs / 1'000'000), static_cast<long>(timeoutUs % 1'000'000) * 1000};
        const int n = gpiod_line_event_wait(m_line, &limit);
        if (n < 0)
            return errno == EINTR ? Wait::Timeout : Wait::Gone;
        return n == 0 ? Wait::Timeout : Wait::Ready;
    }

    int read(std::span<std::uint32_t> out, std::string& error) override
    {
        if (m_pendingCount == 0) {
            const int n = gpiod_line_event_read_multiple(m_line, m_events.data(),
                                                         static_cast<unsigned>(m_events.size()));
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR)
                    return 0;
                error = std::strerror(errno);
                return -1;
            }
            m_pending = 0;
            m_pendingCount = static_cast<std::size_t>(n);
        }
        std::size_t written = 0;
        while (m_pendingCount != 0 && written < out.size()) {
            const gpiod_line_event& e = m_events[m_pending++];
            --m_pendingCount;
            const std::int64_t ns = std::int64_t{e.ts.tv_sec} * 1'000'000'000 + e.ts.tv_nsec;
            written += static_cast<std::size_t>(
                m_durations.edge(e.event_type == GPIOD_LINE_EVENT_RISING_EDGE, ns, out.data() + written));
        }
        return static_cast<int>(written);
    }

    void close() override
    {
        if (m_line && m_requested)
            gpiod_line_release(m_line);
        if (m_chip)
            gpiod_chip_close(m_chip);
        m_chip = nullptr;
        m_line = nullptr;
        m_requested = false;
        m_pendingCount = 0;
    }

private:
    std::string m_chipName;
    unsigned m_offset;
    gpiod_chip* m_chip = nullptr;
    gpiod_line* m_line = nullptr;
    bool m_requested = false;
    EdgeDurations m_durations;
    std::array<gpiod_line_event, 64> m_events{};
    std::size_t m_pending = 0;
    std::size_t m_pendingCount = 0;
};

} // namespace

std::unique_ptr<IRawIrDevice> openGpioLine(const std::string& chip, unsigned line)
{
    return std::make_unique<GpioLine>(chip, line);
}

} // namespace remorra::receivers
