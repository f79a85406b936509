#pragma once
// Capture-device discovery over a device source of our own: a source yields
// (friendly name, capture filter) devices in a stable order and can fail at
// the same points the system device enumerator can.
#include "platform/os/MessageBox.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace remorra::tuner {
class ICaptureFilter;
}

// One discovered device. Its position in the caller's list is its discovery
// index ("%d: %s").
struct CaptureDeviceRecord {
    std::string m_strFriendlyName;
    std::shared_ptr<remorra::tuner::ICaptureFilter> m_pCaptureFilter; // may be null
    // A plain IR receiver rather than a tuner card: the chooser lists it
    // whatever its name.
    bool m_bIrReceiver = false;
};

namespace remorra::discovery {

using HResult = std::int32_t;
inline constexpr HResult kOk = 0;
inline constexpr HResult kFalse = 1; // empty category
inline constexpr HResult kFail = static_cast<HResult>(0x80004005u);

// One device handed out by the source (a moniker).
class IDeviceMoniker {
public:
    virtual ~IDeviceMoniker() = default;
    // Property bag: fills the friendly name (empty when the bag has none).
    virtual HResult bindPropertyBag(std::string& friendlyName) = 0;
    virtual HResult bindFilter(std::shared_ptr<tuner::ICaptureFilter>& filter) = 0;
    virtual bool isIrReceiver() const { return false; }
};

class ICaptureDeviceSource {
public:
    virtual ~ICaptureDeviceSource() = default;
    // Creating the enumerator; non-zero is a failure code.
    virtual HResult createEnumerator() = 0;
    // Class enumerator of the capture category: kOk, kFalse when empty, or a failure.
    virtual HResult openCategory() = 0;
    // Next device in order; null when there are no more.
    virtual std::unique_ptr<IDeviceMoniker> next() = 0;
};

// Appends every bindable device of the source to `list` (records already in
// it stay). Returns 0 when the enumeration ran to its end, else the code of
// the step that stopped it.
HResult FindFilterByName(std::vector<CaptureDeviceRecord>& list, ICaptureDeviceSource& source,
                         IMessageBox& box, const std::string& caption);

// A fixed set of devices, each of which may fail at its own step: the source
// the simulated cards and tests use.
class ListDeviceSource : public ICaptureDeviceSource {
public:
    struct Device {
        std::string friendlyName;
        std::shared_ptr<tuner::ICaptureFilter> filter;
        HResult bagResult = kOk;    // non-zero: the property bag cannot be bound
        HResult filterResult = kOk; // non-zero: cannot be bound as a filter
    };
    HResult createResult = kOk;
    std::vector<Device> devices;

    HResult createEnumerator() override { m_pos = 0; return createResult; }
    HResult openCategory() override { return devices.empty() ? kFalse : kOk; }
    std::unique_ptr<IDeviceMoniker> next() override;

private:
    std::size_t m_pos = 0;
};

} // namespace remorra::discovery
