#pragma once
// CChooseDeviceDlg's decisions without its view. The discovery list is kept
// as the friendly names of its records (the filters stay with the caller's
// records); a view shows `entries` and reports the selection and OK.
#include "platform/discovery/CaptureDevices.h"
#include "platform/discovery/DeviceSources.h"
#include "platform/os/MessageBox.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace remorra {

class CChooseDeviceLogic {
public:
    struct Entry {
        std::string text; // "%d: %s"
        int itemData;     // position of the record in the whole device list
    };

    // Initialisation: appends this run's discovery to the device list (earlier
    // records stay in front), reads "bRememberDevice" and "strDevName", and
    // lists the records whose display string contains "Quorbel" (case-
    // sensitive) unless a device is remembered. Selects the first entry.
    // IR receivers (flagged by position in `receivers`) are no tuner cards
    // of other makers, so they are listed whatever their names.
    void OnInitDialog(const std::vector<std::string>& discoveredNames, const std::vector<bool>& receivers = {});
    // OK or a double click: takes the selected entry's item data and text.
    void OnOK();
    void Select(int entry) { m_selection = entry; }

    const std::vector<Entry>& entries() const { return m_entries; }
    int selection() const { return m_selection; } // -1 = none
    int chosenIndex() const { return m_chosenIndex; }
    const std::string& chosenText() const { return m_chosenText; }
    int listedCount() const { return m_listedCount; }
    const std::vector<std::string>& deviceList() const { return m_devices; }

private:
    std::vector<std::string> m_devices;
    std::vector<bool> m_receivers;
    std::vector<Entry> m_entries;
    int m_selection = -1;
    int m_chosenIndex = 0;
    int m_listedCount = 0;
    std::string m_chosenText;
};

// One initialisation of the chooser as its views run it: a fresh discovery
// from `source` (null: none) appended to `devices`, whose new records go to
// `logic`. The views then show `logic.entries()`.
void InitChooser(CChooseDeviceLogic& logic, std::vector<CaptureDeviceRecord>& devices,
                 discovery::ICaptureDeviceSource* source, IMessageBox& box);

// The receivers config.ini names, for CreateCaptureDeviceSource. Read only:
// discovery must not create the data folder.
discovery::ReceiverConfig ReadReceiverConfig();

} // namespace remorra
