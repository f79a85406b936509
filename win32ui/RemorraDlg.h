#pragma once
// The main window (template 102): tray dialog, key report interface and the
// view that start-up drives, with the profile panel's controls. Start-up and
// shutdown are CRemorraDlgCore's, the profile decisions CProfileEditor's.
#include "app/FocusProfiles.h"
#include "app/ProcessServices.h"
#include "app/ProfileEditor.h"
#include "app/RemorraDlgCore.h"
#include "keys/ProfileView.h"
#include "win32ui/TrayDialog.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <vector>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace remorra {
class RemoteKeyPath;
}

namespace remorra::win32ui {

class CRemorraDlg final : public CTrayDialog, public CIR_DecoderCallback, private IRemorraDlgView {
public:
    // `services.keySink` is replaced by the dialog itself; `services.box`
    // must be set (the profile editor reports through it).
    explicit CRemorraDlg(StartupServices services);
    ~CRemorraDlg() override;

    // Creates the window from its template; start-up runs in its
    // initialisation. False when start-up ended the dialog.
    bool Create();
    // Shows the window (unless it starts hidden) and runs the message loop
    // until the dialog ends.
    void RunModalLoop();
    // Destroys the window and with it a tray icon still shown.
    void DestroyWindow();

    CRemorraDlgCore& Core() { return *m_core; }
    CProfileEditor& Editor() { return m_ed; }
    bool Ended() const { return m_bEnded; }

    void OnIrKey(std::int32_t decoderType, const void* report) override;
    void SetKeyHandler(CIR_DecoderCallback* handler) { m_pKeyHandler.store(handler); }
    const keys::ProfileViewCell& ProfileView() const { return m_profileView; }
    void SetOptionsView(IOptionDlgView* view) { m_pOptionsView = view; }

    // Enter and Escape belong to the window before a control or the dialog
    // manager sees them: Enter applies the fields, Escape is swallowed.
    bool PreTranslateMessage(const MSG& msg);

    // Profile panel commands.
    void SelectProfile();
    // As a pick in the combo box: the fields go to the editor first.
    void SelectProfileAt(int index);
    void ApplyKeys();
    void SaveProfile();
    void NewProfile();
    void DeleteProfile();
    void OnOption();
    void Exit();
    // Starts following the focus once any profile names an application.
    void UpdateFocusWatcher();
    // The "Remote control" dialog (template 134), modal; the pipeline
    // listens to every protocol and sends no key while it is open.
    void OnRemoteControl();
    // Names the applications of the selected profile (template 135).
    void EditProfileApplications();
    void SetRemoteKeys(RemoteKeyPath* keys, std::string configFile) {
        m_pRemoteKeys = keys;
        m_strConfigFile = std::move(configFile);
    }

    // Asks for a new profile's name (template 131 unless replaced).
    std::function<std::optional<std::string>()> askName;

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCommand(WORD id, WORD code);
    void OnSysCommand(WPARAM command, LPARAM lParam, bool& handled);
    void OnPaintIconic();
    void fieldsToEditor();
    void showEditorState();

    void addAboutItem(const std::string& text) override;
    void setupTray(const std::string& tooltip) override;
    void setTitle(const std::string& title) override;
    void restoreProfileSelection(int index) override;
    void postMinimize() override;
    void endDialog() override;

    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    std::unique_ptr<CRemorraDlgCore> m_core;
    std::atomic<CIR_DecoderCallback*> m_pKeyHandler{nullptr};
    IOptionDlgView* m_pOptionsView = nullptr;
    IMessageBox& m_box;
    keys::ProfileViewCell m_profileView;
    ProfileViewPublisher m_publisher{m_profileView};
    CProfileEditor m_ed;
    bool m_bStarted = false;
    bool m_bEnded = false;
    void OnFocusChanged();
    CFocusProfiles m_focus;
    std::mutex m_focusMutex;                  // guards m_focusNames
    std::vector<std::string> m_focusNames;    // the watcher's latest report
    std::unique_ptr<app::IBackgroundService> m_focusWatcher;
    RemoteKeyPath* m_pRemoteKeys = nullptr;
    std::string m_strConfigFile;
    bool m_bInRemoteControl = false;
};

} // namespace remorra::win32ui
