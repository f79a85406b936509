#include "FakeKsFilter.h"

#include "platform/discovery/DeviceSources.h"
#include "platform/discovery/SimulatedCards.h"
#include "platform/discovery/win32/DirectShowDevices.h"
#include "platform/tuner/SimTunerCard.h"
#include "platform/tuner/win32/KsCaptureFilter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace remorra;
using namespace remorra::discovery;

namespace {

// A device of the enumerator: a property bag with or without a name, and a
// filter object that can be bound or not.
class FakeDevice final : public IMoniker, public IPropertyBag {
public:
    const wchar_t* name = nullptr; // no "FriendlyName" when null
    HRESULT bagResult = S_OK;
    HRESULT bindResult = S_OK;
    fake::KsFilter filter;
    int binds = 0;
    long refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }

    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx*, IMoniker*, REFIID iid, void** out) override
    {
        *out = nullptr;
        ++binds;
        if (FAILED(bindResult))
            return bindResult;
        return iid == tuner::kIidBaseFilter ? filter.QueryInterface(IID_IUnknown, out) : E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker*, REFIID, void** out) override
    {
        *out = nullptr;
        if (FAILED(bagResult))
            return bagResult;
        AddRef();
        *out = static_cast<IPropertyBag*>(this);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR property, VARIANT* value, IErrorLog*) override
    {
        if (!name || std::wstring(property) != L"FriendlyName")
            return E_INVALIDARG;
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocString(name);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

    // The rest of IMoniker is never asked for.
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker*, BOOL, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Enum(BOOL, IEnumMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsEqual(IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Hash(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Inverse(IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker*, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG*, IMoniker**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD*) override { return E_NOTIMPL; }
};

class FakeEnumerator final : public ICaptureDeviceSource {
public:
    std::vector<FakeDevice*> devices;
    HResult createEnumerator() override
    {
        m_pos = 0;
        return kOk;
    }
    HResult openCategory() override { return devices.empty() ? kFalse : kOk; }
    std::unique_ptr<IDeviceMoniker> next() override
    {
        return m_pos < devices.size() ? WrapDeviceMoniker(devices[m_pos++]) : nullptr;
    }

private:
    std::size_t m_pos = 0;
};

} // namespace

TEST(DirectShowDiscovery, MonikersBecomeRecordsWhoseFiltersBindWhenUsed)
{
    FakeDevice first, nameless, unbindable, last;
    first.name = L"Quorbel Tuner \x00C4";
    unbindable.name = L"Broken";
    unbindable.bindResult = HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    last.name = L"Quorbel Tuner 2";
    FakeEnumerator source;
    source.devices = {&first, &nameless, &unbindable, &last};
    RecordingMessageBox box;
    std::vector<CaptureDeviceRecord> list;
    {
        const os::ComApartment com;
        EXPECT_EQ(FindFilterByName(list, source, box, "Remorra"), kOk);
        ASSERT_EQ(list.size(), 3u) << "the unbindable device takes no position";
        // Converted to the system's code page (Wine's default is 1252).
        EXPECT_EQ(list[0].m_strFriendlyName, std::string("Quorbel Tuner ") + static_cast<char>(GetACP() == 1252 ? 0xC4 : '?'));
        EXPECT_EQ(list[1].m_strFriendlyName, "") << "a bag without the name gives an empty one";
        EXPECT_EQ(list[2].m_strFriendlyName, "Quorbel Tuner 2");
        EXPECT_TRUE(box.shown.empty());
        EXPECT_EQ(first.binds, 1) << "bound once to see that it can be, not again for the record";
        EXPECT_EQ(last.binds, 1);
        EXPECT_EQ(first.filter.refs.load(), 1) << "that first object is released at once";

        // Using the record binds its own object.
        ASSERT_TRUE(list[0].m_pCaptureFilter);
        EXPECT_TRUE(list[0].m_pCaptureFilter->offersControl());
        EXPECT_EQ(first.binds, 2);
        EXPECT_EQ(last.binds, 1);
        list.clear();
    }
    for (const FakeDevice* d : {&first, &nameless, &unbindable, &last}) {
        EXPECT_EQ(d->refs, 1) << "monikers and bags are released";
        EXPECT_EQ(d->filter.refs.load(), 1) << "bound objects go with their records";
    }

    FakeDevice noBag;
    noBag.bagResult = E_ACCESSDENIED;
    source.devices = {&last, &noBag, &first};
    EXPECT_EQ(FindFilterByName(list, source, box, "Remorra"), E_ACCESSDENIED);
    ASSERT_EQ(list.size(), 1u) << "a property bag that cannot be bound ends the enumeration";
    EXPECT_EQ(list[0].m_strFriendlyName, "Quorbel Tuner 2");
}

TEST(DirectShowDiscovery, NoCaptureDeviceHereLeavesTheSimulatedCardAsTheDefault)
{
    const os::ComApartment com;
    ASSERT_TRUE(com.usable());
    {
        DirectShowDeviceSource source;
        RecordingMessageBox box;
        std::vector<CaptureDeviceRecord> list;
        const HResult hr = FindFilterByName(list, source, box, "Remorra");
        EXPECT_NE(hr, kOk) << "the category is empty here";
        EXPECT_TRUE(list.empty());
        EXPECT_TRUE(box.shown.empty()) << "the enumerator itself exists";
    }

    unsetenv("REMORRA_SIM_CARDS");
    unsetenv("REMORRA_SIM_CARDS_FILE");
    std::string error;
    auto devices = CreateCaptureDeviceSource(error);
    ASSERT_TRUE(devices);
    EXPECT_EQ(error, "");
    RecordingMessageBox box;
    std::vector<CaptureDeviceRecord> list;
    EXPECT_EQ(FindFilterByName(list, *devices, box, "Remorra"), kOk);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m_strFriendlyName, kDefaultSimCardName);
    EXPECT_NE(dynamic_cast<tuner::SimTunerCard*>(list[0].m_pCaptureFilter.get()), nullptr);
    EXPECT_TRUE(box.shown.empty());
}
