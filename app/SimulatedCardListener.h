#pragma once
// After start-up: a simulated card takes IR to play from `remorra-ir send`
// while the program runs.
#include "platform/discovery/CaptureDevices.h"
#include "platform/simcard/SimCardListener.h"

#include <memory>

namespace remorra {

// A started listener when `record` is a simulated card, else null. The card
// works without one, so a listener that cannot start is only logged.
std::unique_ptr<simcard::CSimCardListener> ListenOnSimulatedCard(const CaptureDeviceRecord* record);

} // namespace remorra
