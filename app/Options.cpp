#include "app/Options.h"

#include "app/Config.h"


namespace remorra {

std::string DeviceDisplayText(int index, const std::string& friendlyName) {
    return std::to_string(index) + ": " + friendlyName;
}

bool RunOptionsCommand(IOptionDlgView& view, StartOptions& options, const DeviceInUse* device) {
    OptionDlgResult r = view.run(options);
    if (!r.ok) return false;
    options.startAndHide = r.flags.startAndHide ? 1 : 0;
    options.rememberDevice = r.flags.rememberDevice ? 1 : 0;
    const std::string file = ConfigFilePath();
    WriteConfigValue(file, "Config", "startandhide", std::to_string(options.startAndHide));
    WriteConfigValue(file, "Config", "bRememberDevice", std::to_string(options.rememberDevice));
    // The device actually in use, not the chooser's initial values: a device
    // taken from the remembered setting must not be wiped by this write.
    if (options.rememberDevice && device) {
        WriteConfigValue(file, "Config", "TunerType", std::to_string(device->index));
        WriteConfigValue(file, "Config", "strDevName", device->displayText);
    }
    return true;
}

} // namespace remorra
