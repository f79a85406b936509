#pragma once
// Discovery of the real IR receivers: every rc device of the kernel with a
// raw IR node (/sys/class/rc/rcN/lircM), in the order of N, then the GPIO
// line named in config.ini. Each binds to a RawIrCaptureFilter; the device
// itself is opened only when the filter's events are first registered.
#include "platform/discovery/CaptureDevices.h"
#include "platform/discovery/DeviceSources.h"
#include "platform/receivers/RawIrCaptureFilter.h"

#include <functional>
#include <string>
#include <vector>

namespace remorra::receivers {

struct FoundReceiver {
    std::string friendlyName; // "device name (driver)"
    std::string node;         // /dev/lircM, or the GPIO chip
    bool gpio = false;
    unsigned line = 0;
};

struct ReceiverSettings {
    std::string sysfsRoot = "/sys";
    std::string devRoot = "/dev";
    std::string gpioChip; // empty: no GPIO receiver
    unsigned gpioLine = 0;
    RawIrCaptureFilter::Options filter;
    // Device factories; the platform's by default, fakes in tests.
    std::function<std::unique_ptr<IRawIrDevice>(const std::string& path)> openRaw = openLircDevice;
    std::function<std::unique_ptr<IRawIrDevice>(const std::string& chip, unsigned line)> openGpio = openGpioLine;
};

// The GPIO receiver of the settings; both values must be set, the line a number.
void readGpioSettings(const discovery::ReceiverConfig& config, ReceiverSettings& settings);

std::vector<FoundReceiver> findReceivers(const ReceiverSettings& settings);

class RawIrDeviceSource final : public discovery::ICaptureDeviceSource {
public:
    explicit RawIrDeviceSource(ReceiverSettings settings) : m_settings(std::move(settings)) {}
    discovery::HResult createEnumerator() override;
    discovery::HResult openCategory() override;
    std::unique_ptr<discovery::IDeviceMoniker> next() override;

private:
    ReceiverSettings m_settings;
    std::vector<FoundReceiver> m_found;
    std::size_t m_pos = 0;
};

} // namespace remorra::receivers
