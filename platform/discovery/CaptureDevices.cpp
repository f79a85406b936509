#include "platform/discovery/CaptureDevices.h"

namespace remorra::discovery {

HResult FindFilterByName(std::vector<CaptureDeviceRecord>& list, ICaptureDeviceSource& source,
                         IMessageBox& box, const std::string& caption) {
    if (HResult hr = source.createEnumerator(); hr != kOk) {
        box.show("FindFilterByName -> Create system device enumerator failed!", caption, MsgButtons::Ok,
                 MsgIcon::None);
        return hr;
    }
    if (HResult hr = source.openCategory(); hr != kOk) return hr;
    while (std::unique_ptr<IDeviceMoniker> device = source.next()) {
        std::string name;
        if (HResult hr = device->bindPropertyBag(name); hr != kOk) return hr;
        std::shared_ptr<tuner::ICaptureFilter> probe;
        if (device->bindFilter(probe) != kOk) continue; // takes no index
        CaptureDeviceRecord record;
        // A second binding gives the record a filter object of its own.
        if (device->bindFilter(record.m_pCaptureFilter) != kOk) record.m_pCaptureFilter.reset();
        record.m_strFriendlyName = std::move(name);
        record.m_bIrReceiver = device->isIrReceiver();
        list.push_back(std::move(record));
    }
    return kOk;
}

namespace {
class ListMoniker : public IDeviceMoniker {
public:
    explicit ListMoniker(const ListDeviceSource::Device& d) : m_device(d) {}
    HResult bindPropertyBag(std::string& friendlyName) override {
        if (m_device.bagResult != kOk) return m_device.bagResult;
        friendlyName = m_device.friendlyName;
        return kOk;
    }
    HResult bindFilter(std::shared_ptr<tuner::ICaptureFilter>& filter) override {
        if (m_device.filterResult != kOk) return m_device.filterResult;
        filter = m_device.filter;
        return kOk;
    }

private:
    ListDeviceSource::Device m_device;
};
} // namespace

std::unique_ptr<IDeviceMoniker> ListDeviceSource::next() {
    if (m_pos >= devices.size()) return nullptr;
    return std::make_unique<ListMoniker>(devices[m_pos++]);
}

} // namespace remorra::discovery
