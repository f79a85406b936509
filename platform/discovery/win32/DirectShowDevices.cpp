#include "platform/discovery/win32/DirectShowDevices.h"

#include "platform/tuner/win32/KsCaptureFilter.h"

#include <oleauto.h>
#include <strmif.h>

namespace remorra::discovery {

const CLSID kClsidSystemDeviceEnum = {0x62BE5D10, 0x60EB, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
const IID kIidCreateDevEnum = {0x29840822, 0x5B84, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
const CLSID kCaptureCategory = {0xCC7BFB46, 0xF175, 0x11D1, {0xA3, 0x92, 0x00, 0xE0, 0x29, 0x1F, 0x39, 0x59}};

namespace {

const IID kIidPropertyBag = {0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

// Wide to the system's narrow code page; characters it lacks become its default.
std::string narrow(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size - 1));
    return out;
}

class DeviceMoniker : public IDeviceMoniker {
public:
    explicit DeviceMoniker(IMoniker* m) : m_moniker(m) { m_moniker->AddRef(); }
    ~DeviceMoniker() override { m_moniker->Release(); }

    HResult bindPropertyBag(std::string& friendlyName) override
    {
        IPropertyBag* bag = nullptr;
        const HRESULT hr = m_moniker->BindToStorage(nullptr, nullptr, kIidPropertyBag, reinterpret_cast<void**>(&bag));
        if (FAILED(hr) || !bag)
            return FAILED(hr) ? hr : E_POINTER;
        VARIANT name;
        VariantInit(&name);
        friendlyName.clear();
        // A bag without the name, or with one of another type, lists the device unnamed.
        if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR && name.bstrVal)
            friendlyName = narrow(name.bstrVal);
        VariantClear(&name);
        bag->Release();
        return kOk;
    }

    HResult bindFilter(std::shared_ptr<tuner::ICaptureFilter>& filter) override
    {
        if (!m_bindable) {
            // Instantiating a device's filter costs; bound once here to learn
            // whether it can be, then again only for the device in use.
            IUnknown* object = nullptr;
            const HRESULT hr = bindObject(m_moniker, &object);
            if (object)
                object->Release();
            if (FAILED(hr))
                return hr;
            m_bindable = true;
        }
        IMoniker* moniker = m_moniker;
        moniker->AddRef();
        auto release = [](IMoniker* p) { p->Release(); };
        std::shared_ptr<IMoniker> held(moniker, release);
        filter = std::make_shared<tuner::KsCaptureFilter>([held](IUnknown** out) { return bindObject(held.get(), out); });
        return kOk;
    }

private:
    static HRESULT bindObject(IMoniker* moniker, IUnknown** out)
    {
        *out = nullptr;
        const HRESULT hr = moniker->BindToObject(nullptr, nullptr, tuner::kIidBaseFilter, reinterpret_cast<void**>(out));
        if (SUCCEEDED(hr) && !*out)
            return E_POINTER;
        return hr;
    }

    IMoniker* m_moniker;
    bool m_bindable = false;
};

} // namespace

std::unique_ptr<IDeviceMoniker> WrapDeviceMoniker(IMoniker* moniker)
{
    if (!moniker)
        return nullptr;
    return std::make_unique<DeviceMoniker>(moniker);
}

DirectShowDeviceSource::DirectShowDeviceSource() = default;

DirectShowDeviceSource::~DirectShowDeviceSource() { releaseAll(); }

void DirectShowDeviceSource::releaseAll()
{
    if (m_monikers)
        m_monikers->Release();
    if (m_devEnum)
        m_devEnum->Release();
    m_monikers = nullptr;
    m_devEnum = nullptr;
}

HResult DirectShowDeviceSource::createEnumerator()
{
    releaseAll();
    const HRESULT hr = CoCreateInstance(kClsidSystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, kIidCreateDevEnum,
                                        reinterpret_cast<void**>(&m_devEnum));
    if (FAILED(hr) || !m_devEnum) {
        m_devEnum = nullptr;
        return FAILED(hr) ? hr : E_POINTER;
    }
    return kOk;
}

HResult DirectShowDeviceSource::openCategory()
{
    if (!m_devEnum)
        return E_POINTER;
    const HRESULT hr = m_devEnum->CreateClassEnumerator(kCaptureCategory, &m_monikers, 0);
    m_devEnum->Release();
    m_devEnum = nullptr;
    // S_FALSE comes with no enumerator: the category is empty.
    if (hr != S_OK || !m_monikers) {
        if (m_monikers)
            m_monikers->Release();
        m_monikers = nullptr;
        return hr == S_OK ? kFalse : hr;
    }
    m_monikers->Reset();
    return kOk;
}

std::unique_ptr<IDeviceMoniker> DirectShowDeviceSource::next()
{
    if (!m_monikers)
        return nullptr;
    IMoniker* moniker = nullptr;
    if (m_monikers->Next(1, &moniker, nullptr) != S_OK || !moniker) {
        // The last device handed out: the class enumerator is released.
        m_monikers->Release();
        m_monikers = nullptr;
        return nullptr;
    }
    std::unique_ptr<IDeviceMoniker> device = WrapDeviceMoniker(moniker);
    moniker->Release();
    return device;
}

} // namespace remorra::discovery
