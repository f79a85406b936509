#pragma once
// The modal dialogs of templates 100, 131, 132 and 133. Views only: the
// chooser's decisions are CChooseDeviceLogic's, the options command is
// RunOptionsCommand's.
#include "app/ChooseDevice.h"
#include "app/Options.h"
#include "app/RemorraDlgCore.h"
#include "platform/os/MessageBox.h"

#include <windows.h>

#include <optional>
#include <string>

namespace remorra::win32ui {

// Where the templates live: the program's own module.
HINSTANCE ResourceModule();

// What a modal template does beyond ending with OK or Cancel.
struct ModalHandlers {
    std::function<void(HWND)> init;
    // Runs before the dialog ends with OK.
    std::function<void(HWND)> ok;
    // Other commands; true when handled.
    std::function<bool(HWND, WORD id, WORD code)> command;
    // False when `init` has set the focus itself.
    bool defaultFocus = true;
};
// Runs template `id` modally; IDOK or IDCANCEL.
INT_PTR RunModal(int id, HWND owner, const ModalHandlers& handlers);

// The text of control `id` of `dialog`, and of entry `index` of a combo box.
std::string ItemText(HWND dialog, int id);
std::string ComboText(HWND combo, int index);

class CChooseDeviceDlg final : public IChooseDeviceView {
public:
    // Each run asks the factory for a fresh source: every run of the dialog
    // enumerates the devices anew.
    using SourceFactory = std::function<std::unique_ptr<discovery::ICaptureDeviceSource>()>;
    CChooseDeviceDlg(SourceFactory sources, IMessageBox& box) : m_sources(std::move(sources)), m_box(box) {}

    void setOwner(HWND owner) { m_owner = owner; }
    // Template 132 modally; true for OK.
    bool run() override;
    int chosenIndex() const override { return m_logic.chosenIndex(); }
    int listedCount() const override { return m_logic.listedCount(); }
    const std::string& chosenText() const { return m_logic.chosenText(); }

private:
    void OnInitDialog(HWND hwnd);
    void OnOK(HWND hwnd);

    SourceFactory m_sources;
    IMessageBox& m_box;
    HWND m_owner = nullptr;
    std::vector<CaptureDeviceRecord> m_devices;
    CChooseDeviceLogic m_logic;
};

class COptionDlg final : public IOptionDlgView {
public:
    void setOwner(HWND owner) { m_owner = owner; }
    // Template 133 modally: check boxes 1034 and 1035 from `initial`.
    OptionDlgResult run(const StartOptions& initial) override;

private:
    HWND m_owner = nullptr;
    std::int32_t m_bStartAndHide = 0;
    std::int32_t m_bRememberDevice = 0;
};

// Template 131: the entered name, nullopt when cancelled.
std::optional<std::string> AskProfileName(HWND owner);

// Template 135: `prompt` above an edit field holding `list`; the edited
// text, nullopt when cancelled.
std::optional<std::string> AskApplications(HWND owner, const std::string& prompt, const std::string& list);

// Template 100 with the version text in label 1024.
void ShowAboutBox(HWND owner);

} // namespace remorra::win32ui
