#include "platform/discovery/DeviceSources.h"

namespace remorra::discovery {

// Capture filters found through the system device enumerator join here, after
// the simulated cards; until that source exists only simulated cards are listed.
void AddReceiverSources(CompositeDeviceSource&) {}

} // namespace remorra::discovery
