#include "win32ui/TrayDialog.h"

#include <shellapi.h>

#include <cstring>

namespace remorra::win32ui {

TrayMouse TrayMouseFromMessage(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN: return TrayMouse::LButtonDown;
    case WM_LBUTTONUP: return TrayMouse::LButtonUp;
    case WM_LBUTTONDBLCLK: return TrayMouse::LButtonDblClk;
    case WM_RBUTTONDOWN: return TrayMouse::RButtonDown;
    case WM_RBUTTONUP: return TrayMouse::RButtonUp;
    case WM_RBUTTONDBLCLK: return TrayMouse::RButtonDblClk;
    case WM_CONTEXTMENU: return TrayMouse::ContextMenu;
    case WM_MOUSEMOVE: return TrayMouse::MouseMove;
    default: return TrayMouse::Other;
    }
}

CTrayDialog::CTrayDialog() : CTrayDialogCore(static_cast<ITrayHost&>(*this)) {}

CTrayDialog::~CTrayDialog() {
    if (m_trayMenu) DestroyMenu(m_trayMenu);
}

void CTrayDialog::TraySetIcon(HICON icon) {
    m_hTrayIcon = icon;
    CTrayDialogCore::TraySetIcon(icon != nullptr);
}

void CTrayDialog::TraySetMenu(HMENU menu) {
    if (m_trayMenu) DestroyMenu(m_trayMenu);
    m_trayMenu = menu;
}

bool CTrayDialog::HandleTrayMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_INITDIALOG:
        m_hWnd = hwnd;
        OnCreate(hwnd);
        return false;
    case WM_DESTROY:
        OnDestroy();
        return false;
    case WM_SYSCOMMAND:
        if (m_bMinimizingNormally || !OnSysCommandMinimize(static_cast<std::uint32_t>(wParam))) return false;
        result = 0;
        return true;
    case WM_USER + 1: {
        POINT at{};
        GetCursorPos(&at);
        result = OnTrayNotify(static_cast<std::uint32_t>(wParam),
                              TrayMouseFromMessage(static_cast<UINT>(LOWORD(lParam))), at.x, at.y);
        return true;
    }
    default:
        // A restarted shell has lost the icons; one still wanted goes back.
        static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
        if (message == taskbarCreated && taskbarCreated != 0 && InTray()) addTrayIcon(m_nid);
        return false;
    }
}

namespace {
NOTIFYICONDATAA ToSystemRecord(const NotifyIconData& nid, HICON icon) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = static_cast<HWND>(nid.hWnd);
    data.uID = nid.uID;
    // The record's flag bits are the shell's NIF_MESSAGE, NIF_ICON, NIF_TIP.
    data.uFlags = nid.uFlags & (NIF_MESSAGE | NIF_ICON | NIF_TIP);
    data.uCallbackMessage = nid.uCallbackMessage;
    data.hIcon = nid.hasIcon ? icon : nullptr;
    static_assert(sizeof data.szTip >= kTrayTipRoom);
    std::memcpy(data.szTip, nid.szTip, kTrayTipRoom);
    data.szTip[kTrayTipRoom - 1] = '\0';
    return data;
}
} // namespace

bool CTrayDialog::addTrayIcon(const NotifyIconData& nid) {
    NOTIFYICONDATAA data = ToSystemRecord(nid, m_hTrayIcon);
    return Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
}

bool CTrayDialog::deleteTrayIcon(const NotifyIconData& nid) {
    NOTIFYICONDATAA data = ToSystemRecord(nid, m_hTrayIcon);
    return Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
}

void CTrayDialog::hideWindow() { ShowWindow(m_hWnd, SW_HIDE); }

void CTrayDialog::showWindowActivated() {
    ShowWindow(m_hWnd, SW_SHOW);
    SetForegroundWindow(m_hWnd);
}

void CTrayDialog::minimizeNormally() {
    m_bMinimizingNormally = true;
    SendMessageA(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    m_bMinimizingNormally = false;
}

void CTrayDialog::trackTrayMenu(int x, int y) {
    HMENU popup = m_trayMenu ? GetSubMenu(m_trayMenu, 0) : nullptr;
    if (!popup) return;
    // Without the foreground the menu would not close when clicked elsewhere.
    SetForegroundWindow(m_hWnd);
    TrackPopupMenu(popup, TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, x, y, 0, m_hWnd, nullptr);
    PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

void CTrayDialog::setTrayMenuDefaultItem(int position) {
    if (HMENU popup = m_trayMenu ? GetSubMenu(m_trayMenu, 0) : nullptr)
        SetMenuDefaultItem(popup, static_cast<UINT>(position), TRUE);
}

} // namespace remorra::win32ui
