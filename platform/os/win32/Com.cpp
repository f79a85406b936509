#include "platform/os/Com.h"

#include <objbase.h>

namespace remorra::os {

ComApartment::ComApartment(Model model)
{
    const HRESULT hr = CoInitializeEx(nullptr, model == Model::Free ? COINIT_MULTITHREADED : COINIT_APARTMENTTHREADED);
    // S_FALSE (already initialised) still counts and must be balanced; a
    // thread in the other model keeps it and owes nothing.
    m_state = SUCCEEDED(hr) ? State::Owned : hr == RPC_E_CHANGED_MODE ? State::Borrowed : State::Unusable;
}

ComApartment::~ComApartment()
{
    if (m_state == State::Owned)
        CoUninitialize();
}

} // namespace remorra::os
