#pragma once
// The main window: tray dialog, key report interface and the view that
// start-up drives. Start-up and shutdown themselves are CRemorraDlgCore's.
#include "app/FocusProfiles.h"
#include "app/ProcessServices.h"
#include "app/ProfileEditor.h"
#include "app/RemorraDlgCore.h"
#include "keys/ProfileView.h"
#include "qt/TrayDialog.h"

#include <atomic>
#include <memory>
#include <string>

class QMenu;
namespace remorra {
class ProfilePanel;
class RemoteKeyPath;
} // namespace remorra

class CRemorraDlg : public CTrayDialog, public CIR_DecoderCallback, private remorra::IRemorraDlgView {
    Q_OBJECT
public:
    static constexpr std::uint32_t kIdmAboutBox = 0x0010;
    static constexpr int kTrayShowWindow = 32771;
    static constexpr int kTrayExit = 32772;
    static constexpr int kTrayRemoteControl = 32773; // as in the Windows program
    static constexpr int kTrayStartAtLogin = 32774;

    // `services.keySink` is replaced by the dialog itself; `services.box`
    // must be set (the profile panel reports through it).
    explicit CRemorraDlg(remorra::StartupServices services, QWidget* parent = nullptr);
    ~CRemorraDlg() override;

    // The start-up sequence; false when it ended the dialog.
    bool OnInitDialog();
    remorra::CRemorraDlgCore& Core() { return *m_core; }

    // Reports reach the key report handler; without one they are dropped.
    void OnIrKey(std::int32_t decoderType, const void* report) override;
    void SetKeyHandler(CIR_DecoderCallback* handler) { m_pKeyHandler.store(handler); }
    // Selection and bindings as the key report handler reads them.
    const remorra::keys::ProfileViewCell& ProfileView() const { return m_profileView; }
    remorra::ProfilePanel& Panel() const { return *m_pPanel; }

    // The options command with the device in use.
    void OnOption(remorra::IOptionDlgView& view);
    void SetOptionsView(remorra::IOptionDlgView* view) { m_pOptionsView = view; }

    void OnSysCommand(std::uint32_t command) override;
    // The window's context menu, which stands in for its system menu.
    QMenu* CreateContextMenu(QWidget* parent);
    void ShowAboutBox();
    // The tray menu's check item: writes or removes the log-in entry.
    void SetStartAtLogin(bool on);
    // The "Remote control" dialog, modal; the pipeline listens to every
    // protocol and sends no key while it is open. Needs SetRemoteKeys.
    void OnRemoteControl();
    void SetRemoteKeys(remorra::RemoteKeyPath* keys, std::string configFile)
    {
        m_pRemoteKeys = keys;
        m_strConfigFile = std::move(configFile);
    }
    void Exit() { done(QDialog::Rejected); }

    // Window thread: the focused application changed (see FocusWatcher).
    void OnFocusChanged(const std::vector<std::string>& names);
    // Starts watching the focus once any profile names an application.
    void UpdateFocusWatcher();
    // Asks which applications the selected profile belongs to.
    void EditProfileApplications();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void addAboutItem(const std::string& text) override;
    void setupTray(const std::string& tooltip) override;
    void setTitle(const std::string& title) override;
    void restoreProfileSelection(int index) override;
    void postMinimize() override;
    void endDialog() override;

    QIcon m_hIcon;
    std::unique_ptr<remorra::CRemorraDlgCore> m_core;
    std::atomic<CIR_DecoderCallback*> m_pKeyHandler{nullptr};
    remorra::IOptionDlgView* m_pOptionsView = nullptr;
    remorra::IMessageBox* m_pBox = nullptr;
    QString m_strAboutMenu;
    remorra::keys::ProfileViewCell m_profileView;
    remorra::ProfileViewPublisher m_publisher{m_profileView};
    remorra::ProfilePanel* m_pPanel = nullptr;
    remorra::CFocusProfiles m_focus;
    std::unique_ptr<remorra::app::IBackgroundService> m_focusWatcher;
    remorra::RemoteKeyPath* m_pRemoteKeys = nullptr;
    std::string m_strConfigFile;
    bool m_bInRemoteControl = false;
};
