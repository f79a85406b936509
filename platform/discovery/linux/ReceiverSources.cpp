#include "platform/discovery/DeviceSources.h"

#include "platform/receivers/RawIrSource.h"

#include <cstdlib>

namespace remorra::discovery {

// The kernel's IR receivers join here, after the simulated cards: raw IR
// devices, then the GPIO line that the settings name. REMORRA_SYSFS_ROOT and
// REMORRA_DEV_ROOT point discovery at another tree (tests, demonstrations).
void AddReceiverSources(CompositeDeviceSource& devices, const ReceiverConfig& config) {
    receivers::ReceiverSettings settings;
    if (const char* root = std::getenv("REMORRA_SYSFS_ROOT"); root && *root) settings.sysfsRoot = root;
    if (const char* root = std::getenv("REMORRA_DEV_ROOT"); root && *root) settings.devRoot = root;
    receivers::readGpioSettings(config, settings);
    devices.add(std::make_unique<receivers::RawIrDeviceSource>(std::move(settings)));
}

} // namespace remorra::discovery
