#pragma once
// The "Remote control" dialog (template 134): a view over
// CRemoteLearningSession, as the Qt dialog is. Codes that a decoder thread
// queues reach the window as one posted kCodesMessage.
#include "app/RemoteLearning.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

namespace remorra::win32ui {

class CRemoteControlDlg final : private IRemoteLearningView {
public:
    static constexpr UINT kCodesMessage = WM_APP + 20;

    CRemoteControlDlg(IMessageBox& box, std::string configFile);
    CRemoteControlDlg(const CRemoteControlDlg&) = delete;
    CRemoteControlDlg& operator=(const CRemoteControlDlg&) = delete;

    CRemoteLearningSession& Session() { return m_session; }
    // Modally; returns when Close (or the close box) ends it.
    void RunModal(HWND owner);
    // Modeless, for tests; the caller destroys the window.
    HWND Create(HWND owner);
    HWND Window() const { return m_hwnd; }

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    bool OnCommand(WORD id, WORD code);
    void OpenMap(const std::string& name);
    bool OnSave();
    bool MaybeSave();
    void ShowMapChoices();
    void SwitchSelectedMap();
    void OnClose();
    bool Dirty() const;
    keys::RepeatSettings RepeatFields() const;
    std::string Text(int id) const;

    void showCode(const LearnedCodeRow& row) override;
    void showButtons(const std::vector<RemoteButtonRow>& rows) override;
    void showStatus(const std::string& text) override;
    void codesPending() override;

    IMessageBox& m_box;
    std::string m_configFile;
    CRemoteLearningSession m_session;
    keys::RepeatSettings m_savedRepeat;
    std::string m_openName;
    std::vector<std::string> m_keys; // the buttons list's key names, in order
    std::vector<RemoteMapChoice> m_choices; // the rows of the in-use list
    HWND m_hwnd = nullptr;
    bool m_bModal = false;
    std::atomic<HWND> m_target{nullptr};
    std::atomic<bool> m_bPosted{false};
};

} // namespace remorra::win32ui
