#pragma once
// A filter object of our own standing in for a tuner driver's capture filter:
// it answers for IKsPropertySet and IKsControl as told, records every call's
// bytes and answers with the HRESULTs and data it is given.
#include <windows.h>
#include <strmif.h>
#include <ks.h>
#include <ksproxy.h>

#include <atomic>
#include <cstdint>
#include <vector>

namespace fake {

struct Call {
    enum Kind { Set, Get, KsProperty, KsEvent } kind;
    GUID set{};
    DWORD id = 0;
    std::vector<std::uint8_t> instance; // Set/Get instance data, or the KS request
    std::vector<std::uint8_t> data;     // what the caller passed (before any answer)
    const void* dataAddress = nullptr;
    bool nullRequest = false;
};

class KsFilter final : public IKsPropertySet, public IKsControl {
public:
    bool offerPropertySet = true;
    bool offerControl = true;
    HRESULT answer = S_OK;
    std::vector<std::uint8_t> reply; // written into the caller's data on Get/KsProperty
    ULONG replyCount = 0;
    // KsProperty with this candidate id at offset 28 sets the flag the request points at.
    std::uint16_t probeAnswersTo = 0;
    std::vector<Call> calls;
    std::atomic<long> refs{1};

    // IUnknown, shared by both interfaces.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }

    // IKsPropertySet
    HRESULT STDMETHODCALLTYPE Set(REFGUID set, DWORD id, LPVOID instance, DWORD instanceSize, LPVOID data,
                                  DWORD dataSize) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, LPVOID instance, DWORD instanceSize, LPVOID data,
                                  DWORD dataSize, DWORD* returned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID, DWORD, DWORD*) override { return E_NOTIMPL; }

    // IKsControl
    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY request, ULONG requestSize, LPVOID data, ULONG dataSize,
                                         ULONG* returned) override;
    HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD, ULONG, LPVOID, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT request, ULONG requestSize, LPVOID data, ULONG dataSize,
                                      ULONG* returned) override;

    IUnknown* unknown() { return static_cast<IKsPropertySet*>(this); }
};

std::vector<std::uint8_t> bytesOf(const void* p, std::size_t n);

} // namespace fake
