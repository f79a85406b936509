#include "app/ChooseDevice.h"

#include "app/Config.h"
#include "app/Options.h"

namespace remorra {

void CChooseDeviceLogic::OnInitDialog(const std::vector<std::string>& discoveredNames,
                                      const std::vector<bool>& receivers) {
    m_devices.insert(m_devices.end(), discoveredNames.begin(), discoveredNames.end());
    for (std::size_t i = 0; i < discoveredNames.size(); ++i)
        m_receivers.push_back(i < receivers.size() && receivers[i]);
    // The list box is rebuilt by each run of the dialog window.
    m_entries.clear();
    m_selection = -1;
    const std::string file = ConfigFilePath();
    const int remember = ReadConfigInt(file, "Config", "bRememberDevice");
    m_chosenText = ReadConfigValue(file, "Config", "strDevName");
    if (m_devices.empty() || remember != 0) return;
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        std::string text = DeviceDisplayText(static_cast<int>(i), m_devices[i]);
        if (text.find("Quorbel") == std::string::npos && !m_receivers[i]) continue;
        m_entries.push_back({std::move(text), static_cast<int>(i)});
        ++m_listedCount;
    }
    if (!m_entries.empty()) m_selection = 0;
}

void CChooseDeviceLogic::OnOK() {
    if (m_entries.empty()) m_listedCount = 0;
    if (m_selection >= 0 && m_selection < static_cast<int>(m_entries.size())) {
        m_chosenIndex = m_entries[static_cast<std::size_t>(m_selection)].itemData;
        m_chosenText = m_entries[static_cast<std::size_t>(m_selection)].text;
    }
}

void InitChooser(CChooseDeviceLogic& logic, std::vector<CaptureDeviceRecord>& devices,
                 discovery::ICaptureDeviceSource* source, IMessageBox& box) {
    const std::size_t before = devices.size();
    if (source) discovery::FindFilterByName(devices, *source, box, "Remorra");
    std::vector<std::string> names;
    std::vector<bool> receivers;
    for (std::size_t i = before; i < devices.size(); ++i) {
        names.push_back(devices[i].m_strFriendlyName);
        receivers.push_back(devices[i].m_bIrReceiver);
    }
    logic.OnInitDialog(names, receivers);
}

discovery::ReceiverConfig ReadReceiverConfig() {
    const std::string file = DataFolder() + "/config.ini";
    return {ReadConfigValue(file, "Config", "GpioChip"), ReadConfigValue(file, "Config", "GpioLine")};
}

} // namespace remorra
