#include "app/TrayDialogCore.h"

#include <cstring>

namespace remorra {

void CTrayDialogCore::OnCreate(void* window)
{
    m_nid.hWnd = window;
    m_nid.uID = kTrayIconId;
}

void CTrayDialogCore::OnDestroy()
{
    if (m_nid.hWnd && m_nid.uID > 0 && m_bInTray)
        m_host.deleteTrayIcon(m_nid);
}

bool CTrayDialogCore::OnSysCommandMinimize(std::uint32_t command)
{
    if ((command & 0xFFF0) != kScMinimize)
        return false;
    if (!m_bMinimizeToTray) {
        m_host.minimizeNormally();
        return true;
    }
    if (m_bInTray)
        return true;
    // Without a notification area the window stays as it is: hiding it would
    // leave nothing to bring it back with.
    if (!m_host.addTrayIcon(m_nid))
        return true;
    m_bInTray = 1;
    m_host.hideWindow();
    return true;
}

int CTrayDialogCore::OnTrayNotify(std::uint32_t iconId, TrayMouse message, int x, int y)
{
    if (iconId != kTrayIconId)
        return 0;
    switch (message) {
    case TrayMouse::LButtonDown: OnTrayLButtonDown(x, y); break;
    case TrayMouse::LButtonDblClk: OnTrayLButtonDblClk(x, y); break;
    case TrayMouse::RButtonDown:
    case TrayMouse::ContextMenu: OnTrayRButtonDown(x, y); break;
    case TrayMouse::RButtonDblClk: OnTrayRButtonDblClk(x, y); break;
    case TrayMouse::MouseMove: OnTrayMouseMove(x, y); break;
    default: break;
    }
    return 1;
}

void CTrayDialogCore::TraySetToolTip(const std::string& tip)
{
    const std::size_t n = tip.size() < kTrayTipRoom - 1 ? tip.size() : kTrayTipRoom - 1;
    std::memcpy(m_nid.szTip, tip.data(), n);
    m_nid.szTip[n] = '\0';
    setFlag(NotifyIconData::kTip, true);
}

void CTrayDialogCore::OnTrayLButtonDown(int, int) {}

void CTrayDialogCore::OnTrayLButtonDblClk(int, int)
{
    if (!m_bMinimizeToTray || !m_bInTray)
        return;
    // A failed removal keeps the icon for another try.
    if (!m_host.deleteTrayIcon(m_nid))
        return;
    m_bInTray = 0;
    m_host.showWindowActivated();
}

void CTrayDialogCore::OnTrayRButtonDown(int x, int y)
{
    m_host.trackTrayMenu(x, y);
    // Set after the menu closed, so the first opening shows no default item.
    m_host.setTrayMenuDefaultItem(m_nDefaultMenuItem);
}

void CTrayDialogCore::OnTrayRButtonDblClk(int, int) {}

void CTrayDialogCore::OnTrayMouseMove(int, int) {}

} // namespace remorra
