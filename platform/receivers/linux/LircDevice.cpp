// The kernel's raw IR device (/dev/lircN) in mode2.
#include "platform/receivers/RawIrDevice.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/lirc.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace remorra::receivers {
namespace {

std::string errnoText(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

class LircDevice final : public IRawIrDevice {
public:
    explicit LircDevice(std::string path) : m_path(std::move(path)) {}
    ~LircDevice() override { close(); }

    std::string describe() const override { return m_path; }

    bool open(std::string& error) override
    {
        close();
        m_fd = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0) {
            error = errnoText("open");
            return false;
        }
        if (ioctl(m_fd, LIRC_GET_FEATURES, &m_features) != 0) {
            error = errnoText("LIRC_GET_FEATURES");
            return false;
        }
        if (!(m_features & LIRC_CAN_REC_MODE2)) {
            error = "the device does not report pulse and space durations";
            return false;
        }
        return true;
    }

    bool setMode2(std::string& error) override
    {
        std::uint32_t mode = LIRC_MODE_MODE2;
        if (ioctl(m_fd, LIRC_SET_REC_MODE, &mode) != 0) {
            error = errnoText("LIRC_SET_REC_MODE");
            return false;
        }
        return true;
    }

    bool setReceiveTimeout(std::uint32_t us) override
    {
        if (!(m_features & LIRC_CAN_SET_REC_TIMEOUT))
            return false;
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        if (ioctl(m_fd, LIRC_GET_MIN_TIMEOUT, &low) == 0 && ioctl(m_fd, LIRC_GET_MAX_TIMEOUT, &high) == 0 &&
            low <= high)
            us = us < low ? low : us > high ? high : us;
        if (ioctl(m_fd, LIRC_SET_REC_TIMEOUT, &us) != 0)
            return false;
        std::uint32_t reports = 1;
        ioctl(m_fd, LIRC_SET_REC_TIMEOUT_REPORTS, &reports);
        return true;
    }

    Wait wait(std::int64_t timeoutUs) override
    {
        pollfd p{m_fd, POLLIN, 0};
        const timespec limit{static_cast<time_t>(timeoutUs / 1'000'000), static_cast<long>(timeoutUs % 1'000'000) * 1000};
        const int n = ppoll(&p, 1, &limit, nullptr);
        if (n < 0)
            return errno == EINTR ? Wait::Timeout : Wait::Gone;
        if (n == 0)
            return Wait::Timeout;
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL))
            return Wait::Gone;
        return Wait::Ready;
    }

    int read(std::span<std::uint32_t> out, std::string& error) override
    {
        const ssize_t got = ::read(m_fd, out.data(), out.size_bytes());
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR)
                return 0;
            error = errnoText("read");
            return -1;
        }
        if (got == 0) {
            error = "end of data";
            return -1;
        }
        return static_cast<int>(static_cast<std::size_t>(got) / sizeof(std::uint32_t));
    }

    void close() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    std::string m_path;
    int m_fd = -1;
    std::uint32_t m_features = 0;
};

} // namespace

std::unique_ptr<IRawIrDevice> openLircDevice(const std::string& path) { return std::make_unique<LircDevice>(path); }

} // namespace remorra::receivers
