#include "platform/discovery/DeviceSources.h"

namespace remorra::discovery {

// The kernel's IR receivers join here, after the simulated cards.
void AddReceiverSources(CompositeDeviceSource&) {}

} // namespace remorra::discovery
