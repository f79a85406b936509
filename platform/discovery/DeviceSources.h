#pragma once
// The program's capture devices, composed from several sources in one fixed
// order: the simulated cards first, then the platform's other receivers.
// This is the one place where a new kind of capture device is added.
#include "platform/discovery/CaptureDevices.h"

#include <memory>
#include <string>
#include <vector>

namespace remorra::discovery {

// Hands out the devices of its sources one source after the other. A source
// that cannot be created or opened is left out, so one broken receiver
// family does not hide the others; the whole enumerator fails only when
// every source fails. The fallback source is opened only when no primary
// source has a device.
class CompositeDeviceSource : public ICaptureDeviceSource {
public:
    void add(std::unique_ptr<ICaptureDeviceSource> source);
    void setFallback(std::unique_ptr<ICaptureDeviceSource> source);

    HResult createEnumerator() override;
    HResult openCategory() override;
    std::unique_ptr<IDeviceMoniker> next() override;

private:
    struct Slot {
        std::unique_ptr<ICaptureDeviceSource> source;
        bool created = false;
        bool open = false;
    };
    std::vector<Slot> m_slots; // primary sources, in order
    Slot m_fallback;
    std::size_t m_pos = 0;
    bool m_useFallback = false;
};

// The receivers the user's settings name (config.ini's "GpioChip" and
// "GpioLine" of "Config"), read by the caller: settings sit above discovery.
struct ReceiverConfig {
    std::string gpioChip;
    std::string gpioLine;
};

// The platform's receivers other than simulated cards, in their own order
// (platform/discovery/<platform>/ReceiverSources.cpp).
void AddReceiverSources(CompositeDeviceSource& devices, const ReceiverConfig& config);

// A fresh source over every capture device of this machine: the cards
// described in REMORRA_SIM_CARDS(_FILE) when set, then the receivers; with no
// description and no receiver found, the default simulated card
// "Quorbel Simulated Tuner". A malformed description sets `error` (the
// caller reports it) and describes no card. No config: no GPIO receiver.
std::unique_ptr<ICaptureDeviceSource> CreateCaptureDeviceSource(std::string& error,
                                                                const ReceiverConfig& config = {});

} // namespace remorra::discovery
