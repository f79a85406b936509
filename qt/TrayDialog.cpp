#include "qt/TrayDialog.h"

#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QWindowStateChangeEvent>

using namespace remorra;

CTrayDialog::CTrayDialog(QWidget* parent) : QDialog(parent), CTrayDialogCore(static_cast<ITrayHost&>(*this))
{
    OnCreate(this);
    // Queued: hiding the icon from inside its own mouse handler (restore,
    // "Exit") would pull the icon's window from under that handler.
    connect(&m_trayIcon, &QSystemTrayIcon::activated, this, &CTrayDialog::onTrayActivated, Qt::QueuedConnection);
}

CTrayDialog::~CTrayDialog()
{
    if (!m_bDestroyed)
        OnDestroy();
    delete m_trayMenu;
}

void CTrayDialog::TraySetIcon(const QIcon& icon)
{
    m_icon = icon;
    CTrayDialogCore::TraySetIcon(!icon.isNull());
}

void CTrayDialog::TraySetMenu(QMenu* menu)
{
    delete m_trayMenu;
    m_trayMenu = menu;
}

void CTrayDialog::OnSysCommand(std::uint32_t command)
{
    if (!OnSysCommandMinimize(command) && (command & 0xFFF0) == 0xF060)
        close();
}

void CTrayDialog::PostMinimize()
{
    QTimer::singleShot(0, this, [this] { OnSysCommand(kScMinimize); });
}

void CTrayDialog::done(int result)
{
    QDialog::done(result);
    OnDestroy();
    m_bDestroyed = true;
}

void CTrayDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || m_bMinimizingNormally)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if ((windowState() & Qt::WindowMinimized) && !(change->oldState() & Qt::WindowMinimized) && m_bMinimizeToTray) {
        // The window system has minimised already; undo that and let the
        // tray decide, so a failed icon add leaves the window as it was.
        setWindowState(windowState() & ~Qt::WindowMinimized);
        OnSysCommand(kScMinimize);
    }
}

void CTrayDialog::onTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    TrayMouse message = TrayMouse::Other;
    switch (reason) {
    case QSystemTrayIcon::Trigger: message = TrayMouse::LButtonDown; break;
    case QSystemTrayIcon::DoubleClick: message = TrayMouse::LButtonDblClk; break;
    case QSystemTrayIcon::Context: message = TrayMouse::ContextMenu; break;
    default: break;
    }
    const QPoint at = QCursor::pos();
    // Qt's tray icon is always this dialog's one icon.
    OnTrayNotify(m_nid.uID, message, at.x(), at.y());
}

bool CTrayDialog::addTrayIcon(const NotifyIconData& nid)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_trayIcon.setIcon((nid.uFlags & NotifyIconData::kIcon) ? m_icon : windowIcon());
    m_trayIcon.setToolTip((nid.uFlags & NotifyIconData::kTip) ? QString::fromLocal8Bit(nid.szTip) : QString());
    m_trayIcon.show();
    return true;
}

bool CTrayDialog::deleteTrayIcon(const NotifyIconData&)
{
    m_trayIcon.hide();
    return true;
}

void CTrayDialog::hideWindow() { hide(); }

void CTrayDialog::showWindowActivated()
{
    showNormal();
    raise();
    activateWindow();
}

void CTrayDialog::minimizeNormally()
{
    m_bMinimizingNormally = true;
    showMinimized();
    m_bMinimizingNormally = false;
}

void CTrayDialog::trackTrayMenu(int x, int y)
{
    if (!m_trayMenu)
        return;
    // Bottom-aligned at the point: the menu opens upwards from the cursor.
    const QPoint at(x, y - m_trayMenu->sizeHint().height());
    m_trayMenu->exec(at);
}

void CTrayDialog::setTrayMenuDefaultItem(int position)
{
    if (!m_trayMenu)
        return;
    const auto actions = m_trayMenu->actions();
    if (position >= 0 && position < actions.size())
        m_trayMenu->setDefaultAction(actions[position]);
}
