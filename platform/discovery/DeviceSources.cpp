#include "platform/discovery/DeviceSources.h"

#include "platform/discovery/SimulatedCards.h"

namespace remorra::discovery {

void CompositeDeviceSource::add(std::unique_ptr<ICaptureDeviceSource> source) {
    if (source) m_slots.push_back({std::move(source)});
}

void CompositeDeviceSource::setFallback(std::unique_ptr<ICaptureDeviceSource> source) {
    m_fallback = {std::move(source)};
}

HResult CompositeDeviceSource::createEnumerator() {
    m_pos = 0;
    m_useFallback = false;
    HResult first = kOk;
    bool any = false;
    auto create = [&](Slot& s) {
        if (!s.source) return;
        const HResult hr = s.source->createEnumerator();
        s.created = hr == kOk;
        s.open = false;
        any = any || s.created;
        if (hr != kOk && first == kOk) first = hr;
    };
    for (Slot& s : m_slots) create(s);
    create(m_fallback);
    return any || first == kOk ? kOk : first;
}

HResult CompositeDeviceSource::openCategory() {
    bool any = false;
    for (Slot& s : m_slots) {
        s.open = s.created && s.source->openCategory() == kOk;
        any = any || s.open;
    }
    if (!any && m_fallback.created) {
        m_fallback.open = m_fallback.source->openCategory() == kOk;
        m_useFallback = m_fallback.open;
        any = m_useFallback;
    }
    return any ? kOk : kFalse;
}

std::unique_ptr<IDeviceMoniker> CompositeDeviceSource::next() {
    if (m_useFallback) return m_fallback.source->next();
    for (; m_pos < m_slots.size(); ++m_pos) {
        Slot& s = m_slots[m_pos];
        if (!s.open) continue;
        if (std::unique_ptr<IDeviceMoniker> device = s.source->next()) return device;
    }
    return nullptr;
}

std::unique_ptr<ICaptureDeviceSource> CreateCaptureDeviceSource(std::string& error, const ReceiverConfig& config) {
    error.clear();
    auto devices = std::make_unique<CompositeDeviceSource>();
    const std::optional<std::vector<SimCardSpec>> described = DescribedSimCards(error);
    if (described) devices->add(std::make_unique<SimCardDeviceSource>(*described));
    AddReceiverSources(*devices, config);
    if (!described)
        devices->setFallback(std::make_unique<SimCardDeviceSource>(std::vector<SimCardSpec>{{kDefaultSimCardName}}));
    return devices;
}

} // namespace remorra::discovery
