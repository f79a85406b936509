#pragma once
// The device chooser (template 132): lists the maker's capture devices from a
// discovery of its own and reports the chosen one's index and display text.
// Its decisions live in CChooseDeviceLogic; this class is only the view.
#include "app/ChooseDevice.h"
#include "platform/discovery/CaptureDevices.h"
#include "platform/os/MessageBox.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class QListWidget;
class QPushButton;

namespace remorra {

class CChooseDeviceDlg : public QDialog {
    Q_OBJECT
public:
    // Each initialisation asks the factory for a fresh source, as each run of
    // the dialog enumerates the devices anew.
    using SourceFactory = std::function<std::unique_ptr<discovery::ICaptureDeviceSource>()>;

    CChooseDeviceDlg(SourceFactory sources, IMessageBox& box, QWidget* parent = nullptr);

    // Initialisation, then the modal loop: QDialog::Accepted for OK.
    int DoModal();
    // Runs discovery into the device list and fills list box 1022.
    void OnInitDialog();

    int chosenIndex() const { return m_logic.chosenIndex(); }
    const std::string& chosenText() const { return m_logic.chosenText(); }
    int listedCount() const { return m_logic.listedCount(); }
    // Every record discovered by every run, earlier runs first.
    const std::vector<CaptureDeviceRecord>& deviceList() const { return m_devices; }

    QListWidget* listBox() const { return m_list; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    void OnOK();

    SourceFactory m_sources;
    IMessageBox& m_box;
    std::vector<CaptureDeviceRecord> m_devices;
    CChooseDeviceLogic m_logic;
    QListWidget* m_list;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace remorra
