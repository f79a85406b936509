#include "platform/tuner/win32/KsCaptureFilter.h"

#include <cstring>

#include <windows.h>
#include <strmif.h>
#include <ks.h>
#include <ksproxy.h>

namespace remorra::tuner {

const IID kIidKsPropertySet = {0x31EFAC30, 0x515C, 0x11D0, {0xA9, 0xAA, 0x00, 0xAA, 0x00, 0x61, 0xBE, 0x93}};
const IID kIidKsControl = {0x28F54685, 0x06FD, 0x11D2, {0xB2, 0x7A, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
const IID kIidBaseFilter = {0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

namespace {

// Our wire GUIDs are the in-memory layout of a GUID on a little-endian machine.
GUID toGuid(const Guid& g)
{
    static_assert(sizeof(GUID) == 16);
    GUID out;
    std::memcpy(&out, g.bytes.data(), sizeof out);
    return out;
}

template <class T> struct Released {
    T* p = nullptr;
    ~Released()
    {
        if (p)
            p->Release();
    }
};

} // namespace

KsCaptureFilter::KsCaptureFilter(IUnknown* object)
{
    if (object)
        object->AddRef();
    m_object.store(object);
    m_bindResult.store(object ? S_OK : E_POINTER);
}

KsCaptureFilter::KsCaptureFilter(Binder bind) : m_bind(std::move(bind)) {}

KsCaptureFilter::~KsCaptureFilter()
{
    if (IUnknown* p = m_object.exchange(nullptr))
        p->Release();
}

HResult KsCaptureFilter::bindResult() const
{
    object();
    return m_bindResult.load();
}

IUnknown* KsCaptureFilter::object() const
{
    if (IUnknown* p = m_object.load(std::memory_order_acquire))
        return p;
    std::lock_guard lock(m_bindMutex);
    if (!m_bind)
        return m_object.load();
    IUnknown* bound = nullptr;
    HRESULT hr = m_bind(&bound);
    if (SUCCEEDED(hr) && !bound)
        hr = E_POINTER;
    if (FAILED(hr) && bound) {
        bound->Release();
        bound = nullptr;
    }
    m_bind = nullptr; // once, whatever it gave
    m_bindResult.store(FAILED(hr) ? hr : S_OK);
    m_object.store(bound, std::memory_order_release);
    return bound;
}

HResult KsCaptureFilter::query(const IID& iid, void** out) const
{
    *out = nullptr;
    IUnknown* p = object();
    if (!p)
        return m_bindResult.load();
    const HRESULT hr = p->QueryInterface(iid, out);
    if (SUCCEEDED(hr) && !*out)
        return E_NOINTERFACE;
    return hr;
}

bool KsCaptureFilter::offersPropertySet() const
{
    Released<IKsPropertySet> set;
    return SUCCEEDED(query(kIidKsPropertySet, reinterpret_cast<void**>(&set.p)));
}

bool KsCaptureFilter::offersControl() const
{
    Released<IKsControl> control;
    return SUCCEEDED(query(kIidKsControl, reinterpret_cast<void**>(&control.p)));
}

HResult KsCaptureFilter::propertySet(const Guid& set, std::uint32_t id, std::span<const std::uint8_t> instance,
                                     std::span<const std::uint8_t> data)
{
    Released<IKsPropertySet> props;
    if (const HRESULT hr = query(kIidKsPropertySet, reinterpret_cast<void**>(&props.p)); FAILED(hr))
        return hr;
    const GUID guid = toGuid(set);
    return props.p->Set(guid, id, const_cast<std::uint8_t*>(instance.data()), static_cast<DWORD>(instance.size()),
                        const_cast<std::uint8_t*>(data.data()), static_cast<DWORD>(data.size()));
}

HResult KsCaptureFilter::propertyGet(const Guid& set, std::uint32_t id, std::span<const std::uint8_t> instance,
                                     std::span<std::uint8_t> data, std::uint32_t* returned)
{
    Released<IKsPropertySet> props;
    if (const HRESULT hr = query(kIidKsPropertySet, reinterpret_cast<void**>(&props.p)); FAILED(hr))
        return hr;
    const GUID guid = toGuid(set);
    DWORD got = 0;
    const HRESULT hr = props.p->Get(guid, id, const_cast<std::uint8_t*>(instance.data()),
                                    static_cast<DWORD>(instance.size()), data.data(), static_cast<DWORD>(data.size()),
                                    &got);
    if (returned)
        *returned = got;
    return hr;
}

HResult KsCaptureFilter::ksProperty(std::span<const std::uint8_t> request, std::span<std::uint8_t> data,
                                    std::uint32_t* returned)
{
    Released<IKsControl> control;
    if (const HRESULT hr = query(kIidKsControl, reinterpret_cast<void**>(&control.p)); FAILED(hr))
        return hr;
    ULONG got = 0;
    auto* property = reinterpret_cast<PKSPROPERTY>(const_cast<std::uint8_t*>(request.data()));
    const HRESULT hr = control.p->KsProperty(property, static_cast<ULONG>(request.size()), data.data(),
                                             static_cast<ULONG>(data.size()), &got);
    if (returned)
        *returned = got;
    return hr;
}

HResult KsCaptureFilter::ksEvent(std::span<const std::uint8_t> request, std::span<std::uint8_t> eventData,
                                 std::uint32_t* returned)
{
    Released<IKsControl> control;
    if (const HRESULT hr = query(kIidKsControl, reinterpret_cast<void**>(&control.p)); FAILED(hr))
        return hr;
    // The records name the layer's events, which are Win32 events: the
    // driver gets them as they are and signals the waiting thread itself.
    auto* event = request.empty() ? nullptr : reinterpret_cast<PKSEVENT>(const_cast<std::uint8_t*>(request.data()));
    ULONG got = 0;
    const HRESULT hr = control.p->KsEvent(event, static_cast<ULONG>(request.size()), eventData.data(),
                                          static_cast<ULONG>(eventData.size()), &got);
    if (returned)
        *returned = got;
    return hr;
}

} // namespace remorra::tuner
