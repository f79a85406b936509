#include "platform/os/Com.h"

#include <objbase.h>

namespace remorra::os {

ComApartment::ComApartment(Model model)
{
    const HRESULT hr = CoInitializeEx(nullptr, model == Model::Free ? COINIT_MULTITHREADED : COINIT_APARTMENTTHREADED);
    // S_FALSE (already initialised) still counts and must be balanced; a
    // thread in the other model keeps it and owes nothing.
    m_owesUninit = SUCCEEDED(hr);
    m_usable = m_owesUninit || hr == RPC_E_CHANGED_MODE;
}

ComApartment::~ComApartment()
{
    if (m_owesUninit)
        CoUninitialize();
}

} // namespace remorra::os
