#pragma once
// The options command without its view: a dialog view (Qt later, a scripted
// one in tests) returns plain values and this logic stores them.
#include <string>

namespace remorra {

struct StartOptions {
    int startAndHide = 0;     // m_bStartAndHide
    int rememberDevice = 0;   // m_bRememberDevice
};

// The capture device the pipeline actually runs on.
struct DeviceInUse {
    int index = 0;            // discovery index
    std::string displayText;  // "%d: %s" of index and friendly name
};
std::string DeviceDisplayText(int index, const std::string& friendlyName);

struct OptionDlgResult {
    bool ok = false;
    StartOptions flags;
};

// COptionDlg's view: shows the two check boxes set from `initial`, returns
// their states and whether OK ended it.
class IOptionDlgView {
public:
    virtual ~IOptionDlgView() = default;
    virtual OptionDlgResult run(const StartOptions& initial) = 0;
};

// Runs the dialog; on OK only, takes its flags and writes "startandhide",
// "bRememberDevice" and, while remembering, "TunerType" and "strDevName" of
// the device in use (null: no device, nothing of it written). Returns true
// on OK.
bool RunOptionsCommand(IOptionDlgView& view, StartOptions& options, const DeviceInUse* device);

} // namespace remorra
