#pragma once
// A dialog that minimises into the notification area. The decisions live in
// CTrayDialogCore; this class is the Qt side of them: the icon, the window's
// visibility and the tray menu.
#include "app/TrayDialogCore.h"

#include <QDialog>
#include <QIcon>
#include <QSystemTrayIcon>

class QMenu;

class CTrayDialog : public QDialog, public remorra::CTrayDialogCore, private remorra::ITrayHost {
    Q_OBJECT
public:
    explicit CTrayDialog(QWidget* parent = nullptr);
    ~CTrayDialog() override;

    void TraySetIcon(const QIcon& icon);
    // The popup whose items the tray menu shows; the dialog takes ownership.
    void TraySetMenu(QMenu* menu);
    QMenu* TrayMenu() const { return m_trayMenu; }
    QSystemTrayIcon& TrayIcon() { return m_trayIcon; }

    // The system command as the window's own menu and title bar send it.
    virtual void OnSysCommand(std::uint32_t command);
    // Queues the minimise command behind the events already waiting.
    void PostMinimize();

    // The modal loop's end: the window goes, and with it a shown icon.
    void done(int result) override;

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);

private:
    bool addTrayIcon(const remorra::NotifyIconData& nid) override;
    bool deleteTrayIcon(const remorra::NotifyIconData& nid) override;
    void hideWindow() override;
    void showWindowActivated() override;
    void minimizeNormally() override;
    void trackTrayMenu(int x, int y) override;
    void setTrayMenuDefaultItem(int position) override;

    QSystemTrayIcon m_trayIcon;
    QIcon m_icon;
    QMenu* m_trayMenu = nullptr;
    bool m_bMinimizingNormally = false;
    bool m_bDestroyed = false;
};
