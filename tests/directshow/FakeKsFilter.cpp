#include "FakeKsFilter.h"

#include "platform/tuner/KsWire.h"
#include "platform/tuner/win32/KsCaptureFilter.h"

#include <cstring>

namespace fake {

std::vector<std::uint8_t> bytesOf(const void* p, std::size_t n)
{
    const auto* b = static_cast<const std::uint8_t*>(p);
    return b ? std::vector<std::uint8_t>(b, b + n) : std::vector<std::uint8_t>{};
}

HRESULT KsFilter::QueryInterface(REFIID iid, void** out)
{
    *out = nullptr;
    if (iid == IID_IUnknown)
        *out = unknown();
    else if (iid == remorra::tuner::kIidKsPropertySet && offerPropertySet)
        *out = static_cast<IKsPropertySet*>(this);
    else if (iid == remorra::tuner::kIidKsControl && offerControl)
        *out = static_cast<IKsControl*>(this);
    if (!*out)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT KsFilter::Set(REFGUID set, DWORD id, LPVOID instance, DWORD instanceSize, LPVOID data, DWORD dataSize)
{
    calls.push_back({Call::Set, set, id, bytesOf(instance, instanceSize), bytesOf(data, dataSize), data, false});
    return answer;
}

HRESULT KsFilter::Get(REFGUID set, DWORD id, LPVOID instance, DWORD instanceSize, LPVOID data, DWORD dataSize,
                      DWORD* returned)
{
    calls.push_back({Call::Get, set, id, bytesOf(instance, instanceSize), bytesOf(data, dataSize), data, false});
    std::memcpy(data, reply.data(), std::min<std::size_t>(reply.size(), dataSize));
    *returned = replyCount;
    return answer;
}

HRESULT KsFilter::KsProperty(PKSPROPERTY request, ULONG requestSize, LPVOID data, ULONG dataSize, ULONG* returned)
{
    Call c{Call::KsProperty, {}, 0, bytesOf(request, requestSize), bytesOf(data, dataSize), data, false};
    calls.push_back(c);
    const auto* r = reinterpret_cast<const std::uint8_t*>(request);
    if (probeAnswersTo != 0 && requestSize >= 30) {
        // A driver answers through the request's pointer to the caller's flag.
        const std::uint16_t candidate = static_cast<std::uint16_t>(r[28] | (r[29] << 8));
        std::uint8_t* flag = remorra::tuner::probeResultFlag({r, requestSize});
        if (flag && candidate == probeAnswersTo)
            *flag = 1;
    } else {
        std::memcpy(data, reply.data(), std::min<std::size_t>(reply.size(), dataSize));
    }
    *returned = replyCount;
    return answer;
}

HRESULT KsFilter::KsEvent(PKSEVENT request, ULONG requestSize, LPVOID data, ULONG dataSize, ULONG* returned)
{
    calls.push_back({Call::KsEvent, {}, 0, bytesOf(request, requestSize), bytesOf(data, dataSize), data,
                     request == nullptr});
    *returned = replyCount;
    return answer;
}

} // namespace fake
