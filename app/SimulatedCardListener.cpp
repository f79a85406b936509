#include "app/SimulatedCardListener.h"

#include "platform/os/AppLog.h"
#include "platform/tuner/SimTunerCard.h"

#include <string>

namespace remorra {

std::unique_ptr<simcard::CSimCardListener> ListenOnSimulatedCard(const CaptureDeviceRecord* record)
{
    auto* card = record ? dynamic_cast<tuner::SimTunerCard*>(record->m_pCaptureFilter.get()) : nullptr;
    if (!card)
        return nullptr;
    auto listener = std::make_unique<simcard::CSimCardListener>(*card);
    std::string error;
    if (!listener->Start(error)) {
        WriteLog(L"Simulated card does not listen: %s", error.c_str());
        return nullptr;
    }
    return listener;
}

} // namespace remorra
