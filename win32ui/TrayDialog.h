#pragma once
// The Win32 side of a tray dialog: Shell_NotifyIconA, the window's
// visibility and the tray menu. The decisions are CTrayDialogCore's; a
// dialog procedure hands its messages to HandleTrayMessage first.
#include "app/TrayDialogCore.h"

#include <windows.h>

namespace remorra::win32ui {

TrayMouse TrayMouseFromMessage(UINT message);

class CTrayDialog : public CTrayDialogCore, private ITrayHost {
public:
    CTrayDialog();
    ~CTrayDialog() override;
    CTrayDialog(const CTrayDialog&) = delete;
    CTrayDialog& operator=(const CTrayDialog&) = delete;

    // The icon shown in the notification area; null leaves the icon flag off.
    void TraySetIcon(HICON icon);
    // Takes ownership of the menu; its first popup is the tray menu.
    void TraySetMenu(HMENU menu);
    HMENU TrayMenu() const { return m_trayMenu; }
    HWND Window() const { return m_hWnd; }

    // WM_CREATE/WM_INITDIALOG, WM_DESTROY, the minimise command and the
    // icon's callback message. True when handled, with the dialog result.
    bool HandleTrayMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    HWND m_hWnd = nullptr;

private:
    bool addTrayIcon(const NotifyIconData& nid) override;
    bool deleteTrayIcon(const NotifyIconData& nid) override;
    void hideWindow() override;
    void showWindowActivated() override;
    void minimizeNormally() override;
    void trackTrayMenu(int x, int y) override;
    void setTrayMenuDefaultItem(int position) override;

    HICON m_hTrayIcon = nullptr;
    HMENU m_trayMenu = nullptr;
    bool m_bMinimizingNormally = false;
};

} // namespace remorra::win32ui
