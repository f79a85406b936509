#pragma once
// Capture devices of the system device enumerator: every filter registered in
// the tuner cards' capture category, in the enumerator's order, named by its
// property bag's "FriendlyName". A device is bound as a filter once to see
// that it can be; its record's filter binds its own object when first used.
#include "platform/discovery/CaptureDevices.h"
#include "platform/os/Com.h"

#include <windows.h>
#include <objbase.h>
#include <strmif.h>

namespace remorra::discovery {

extern const CLSID kClsidSystemDeviceEnum;
extern const IID kIidCreateDevEnum;
extern const CLSID kCaptureCategory;

class DirectShowDeviceSource : public ICaptureDeviceSource {
public:
    DirectShowDeviceSource();
    ~DirectShowDeviceSource() override;

    HResult createEnumerator() override;
    HResult openCategory() override;
    std::unique_ptr<IDeviceMoniker> next() override;

private:
    void releaseAll();

    // Keeps COM on the creating thread for as long as the source lives.
    os::ComApartment m_com;
    ICreateDevEnum* m_devEnum = nullptr;
    IEnumMoniker* m_monikers = nullptr;
};

// One device of the enumerator; takes its own reference on `moniker`.
std::unique_ptr<IDeviceMoniker> WrapDeviceMoniker(IMoniker* moniker);

} // namespace remorra::discovery
