#pragma once
// The capture filter seam over a DirectShow filter object: property requests
// through its IKsPropertySet, raw property and event requests through its
// IKsControl. Each request queries the interface anew and releases it after
// the call; results are the driver's HRESULTs as they are. Event records go
// to the driver as the layer holds them: their handles are Win32 events
// (platform/os/Event.h), which the driver signals directly.
#include "platform/tuner/CaptureFilter.h"

#include <atomic>
#include <functional>
#include <mutex>

#include <unknwn.h>

namespace remorra::tuner {

class KsCaptureFilter final : public ICaptureFilter {
public:
    // Binds the filter object; on success stores an owned reference.
    using Binder = std::function<HRESULT(IUnknown** object)>;

    // Takes a reference of its own on `object` (may be null: every request fails).
    explicit KsCaptureFilter(IUnknown* object);
    // Binds when first needed, once: a device chosen from a list is bound only
    // when the program uses it. A failed binding fails every request with its code.
    explicit KsCaptureFilter(Binder bind);
    ~KsCaptureFilter() override;
    KsCaptureFilter(const KsCaptureFilter&) = delete;
    KsCaptureFilter& operator=(const KsCaptureFilter&) = delete;

    bool offersPropertySet() const override;
    bool offersControl() const override;
    HResult propertySet(const Guid& set, std::uint32_t id, std::span<const std::uint8_t> instance,
                        std::span<const std::uint8_t> data) override;
    HResult propertyGet(const Guid& set, std::uint32_t id, std::span<const std::uint8_t> instance,
                        std::span<std::uint8_t> data, std::uint32_t* returned) override;
    HResult ksProperty(std::span<const std::uint8_t> request, std::span<std::uint8_t> data,
                       std::uint32_t* returned) override;
    HResult ksEvent(std::span<const std::uint8_t> request, std::span<std::uint8_t> eventData,
                    std::uint32_t* returned) override;

    // The binding's result: S_OK once bound, its failure code, or S_FALSE
    // while nothing asked for the object yet.
    HResult bindResult() const;

private:
    IUnknown* object() const;
    HResult query(const IID& iid, void** out) const;

    mutable std::mutex m_bindMutex;
    mutable Binder m_bind;
    mutable std::atomic<IUnknown*> m_object{nullptr};
    mutable std::atomic<HResult> m_bindResult{1};
};

// GUIDs of the interfaces the filter is asked for.
extern const IID kIidKsPropertySet;
extern const IID kIidKsControl;
extern const IID kIidBaseFilter;

} // namespace remorra::tuner
