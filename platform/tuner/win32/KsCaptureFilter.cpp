#include "platform/tuner/win32/KsCaptureFilter.h"

#include "platform/os/Event.h"
#include "platform/tuner/KsWire.h"

#include <cstring>
#include <thread>

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

// Windows keeps handle values within 32 bits so that 32- and 64-bit code can
// share them; the driver widens the record's field again.
std::uint32_t handleBits(HANDLE h) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h)); }

} // namespace

// Win32 twins of our events and the records handed to the driver. Changes
// come from the window thread (or the layer thread in a sampling pass) under
// the mutex; the relay thread takes it only to pick up a change, never
// between the driver's signal and our event.
class KsCaptureFilter::EventRelay {
public:
    static constexpr int kMaxTwins = 16;
    static constexpr int kMaxRecords = 8;
    static constexpr std::size_t kMaxRecordBytes = 32;

    struct Record {
        const void* key = nullptr; // the caller's record
        std::uint8_t copy[kMaxRecordBytes] = {};
        os::EventHandle ours = 0;
    };

    EventRelay() : m_wake(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
    ~EventRelay()
    {
        if (m_thread.joinable()) {
            m_stop.store(true);
            SetEvent(m_wake);
            m_thread.join();
        }
        for (int i = 0; i < m_twinCount; ++i)
            CloseHandle(m_twins[i].theirs);
        closeRetired();
        if (m_wake)
            CloseHandle(m_wake);
    }

    std::mutex mutex;

    // The record to hand over for the caller's one; null when the table is full.
    Record* recordFor(const void* key, bool create)
    {
        Record* unused = nullptr;
        for (Record& r : m_records) {
            if (r.key == key)
                return &r;
            // A record whose event is gone belongs to a layer that no longer exists.
            if (!unused && (!r.key || !os::isOpenEvent(r.ours)))
                unused = &r;
        }
        if (!create || !unused)
            return nullptr;
        *unused = Record{};
        unused->key = key;
        return unused;
    }

    // The Win32 twin of `ours`, made when first needed; null when none can be made.
    HANDLE twinOf(os::EventHandle ours)
    {
        for (int i = 0; i < m_twinCount; ++i)
            if (m_twins[i].ours == ours)
                return m_twins[i].theirs;
        if (!startThread())
            return nullptr;
        if (m_twinCount == kMaxTwins)
            for (int i = m_twinCount - 1; i >= 0; --i)
                if (!os::isOpenEvent(m_twins[i].ours))
                    retire(i);
        if (m_twinCount == kMaxTwins)
            return nullptr;
        HANDLE h = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!h)
            return nullptr;
        m_twins[m_twinCount++] = {ours, h};
        SetEvent(m_wake);
        return h;
    }

    // Drops the twin of `ours` unless another record still names it.
    void release(os::EventHandle ours, const Record* except)
    {
        for (const Record& r : m_records)
            if (&r != except && r.key && r.ours == ours)
                return;
        for (int i = 0; i < m_twinCount; ++i)
            if (m_twins[i].ours == ours) {
                retire(i);
                SetEvent(m_wake);
                return;
            }
    }

private:
    struct Twin {
        os::EventHandle ours = 0;
        HANDLE theirs = nullptr;
    };

    bool startThread()
    {
        if (m_thread.joinable())
            return true;
        if (!m_wake)
            return false;
        m_thread = std::thread([this] { run(); });
        return true;
    }

    // The relay thread may still wait on a dropped handle, so it is closed
    // only once that thread has picked up the change (or has ended).
    void retire(int i)
    {
        if (m_retiredCount < kMaxTwins)
            m_retired[m_retiredCount++] = m_twins[i].theirs;
        else
            CloseHandle(m_twins[i].theirs); // cannot happen: twins and retired share the bound
        m_twins[i] = m_twins[--m_twinCount];
        m_twins[m_twinCount] = {};
    }

    void closeRetired()
    {
        for (int i = 0; i < m_retiredCount; ++i)
            CloseHandle(m_retired[i]);
        m_retiredCount = 0;
    }

    void run()
    {
        os::raiseThreadPriority();
        HANDLE waitOn[1 + kMaxTwins];
        os::EventHandle ours[kMaxTwins];
        DWORD count = 1;
        waitOn[0] = m_wake;
        auto pickUp = [&] {
            std::lock_guard lock(mutex);
            closeRetired();
            count = 1;
            for (int i = 0; i < m_twinCount; ++i) {
                waitOn[count] = m_twins[i].theirs;
                ours[count - 1] = m_twins[i].ours;
                ++count;
            }
        };
        pickUp();
        for (;;) {
            const DWORD r = WaitForMultipleObjects(count, waitOn, FALSE, INFINITE);
            if (r == WAIT_OBJECT_0) {
                if (m_stop.load())
                    return;
                pickUp();
            } else if (r > WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + count) {
                os::setEvent(ours[r - WAIT_OBJECT_0 - 1]);
            } else {
                return; // a broken wait ends the relay rather than spinning
            }
        }
    }

    HANDLE m_wake;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    Twin m_twins[kMaxTwins];
    int m_twinCount = 0;
    HANDLE m_retired[kMaxTwins] = {};
    int m_retiredCount = 0;
    Record m_records[kMaxRecords];
};

KsCaptureFilter::KsCaptureFilter(IUnknown* object) : m_relay(std::make_unique<EventRelay>())
{
    if (object)
        object->AddRef();
    m_object.store(object);
    m_bindResult.store(object ? S_OK : E_POINTER);
}

KsCaptureFilter::KsCaptureFilter(Binder bind) : m_bind(std::move(bind)), m_relay(std::make_unique<EventRelay>()) {}

KsCaptureFilter::~KsCaptureFilter()
{
    // The driver may still hold registrations naming the relay's events; they
    // close with the relay, after which it signals nothing of ours.
    m_relay.reset();
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
    auto* event = request.empty() ? nullptr : reinterpret_cast<PKSEVENT>(const_cast<std::uint8_t*>(request.data()));
    ULONG got = 0;
    auto call = [&](void* data) {
        const HRESULT hr = control.p->KsEvent(event, static_cast<ULONG>(request.size()), data,
                                              static_cast<ULONG>(eventData.size()), &got);
        if (returned)
            *returned = got;
        return hr;
    };
    // Only records that ask for an event handle to be signalled name one of ours.
    const bool namesEvent = eventData.size() >= 8 && get32(eventData.data()) == kEventfEventHandle;
    if (!namesEvent)
        return call(eventData.data());
    if (eventData.size() > EventRelay::kMaxRecordBytes)
        return E_INVALIDARG;

    std::lock_guard lock(m_relay->mutex);
    const bool enable = !request.empty();
    EventRelay::Record* record = m_relay->recordFor(eventData.data(), enable);
    if (!record) {
        if (enable)
            return E_OUTOFMEMORY;
        return call(eventData.data()); // never registered through us: the driver knows nothing of it
    }
    if (enable) {
        const os::EventHandle ours = get32(eventData.data() + 4);
        HANDLE twin = m_relay->twinOf(ours);
        if (!twin)
            return E_OUTOFMEMORY;
        // A second source enabled through the same record keeps the first
        // one's twin: the driver may still hold that registration.
        std::memcpy(record->copy, eventData.data(), eventData.size());
        put32(record->copy + 4, handleBits(twin));
        record->ours = ours;
        return call(record->copy);
    }
    const HRESULT hr = call(record->copy);
    if (SUCCEEDED(hr)) {
        // The registration is gone: nothing will signal the twin any more.
        m_relay->release(record->ours, record);
        record->key = nullptr;
        record->ours = 0;
    }
    return hr;
}

} // namespace remorra::tuner
