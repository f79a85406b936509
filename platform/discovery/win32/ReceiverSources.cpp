#include "platform/discovery/DeviceSources.h"
#include "platform/discovery/win32/DirectShowDevices.h"

namespace remorra::discovery {

// The tuner cards' capture filters join here, after the simulated cards.
void AddReceiverSources(CompositeDeviceSource& devices, const ReceiverConfig&) { devices.add(std::make_unique<DirectShowDeviceSource>()); }

} // namespace remorra::discovery
