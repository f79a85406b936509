#include "qt/AboutDlg.h"

#include "app/Version.h"
#include "qt/AppIcon.h"
#include "qt/DialogUnits.h"

#include <QLabel>
#include <QPushButton>

using remorra::DialogUnits;

CAboutDlg::CAboutDlg(QWidget* parent) : CTrayDialog(parent)
{
    setWindowTitle(QStringLiteral("About Remorra"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const DialogUnits du(font());
    setFixedSize(du.x(276), du.y(84));

    auto* icon = new QLabel(this);
    const QRect iconRect = du.rect(14, 34, 20, 20);
    const int side = std::min(iconRect.width(), iconRect.height());
    icon->setPixmap(remorra::LoadAppIcon().pixmap(side, side));
    icon->setGeometry(iconRect.x(), iconRect.y(), side, side);

    auto* product = new QLabel(QStringLiteral("Remorra Remote Control"), this);
    du.place(product, 46, 16, 157, 8);
    m_versionLabel = new QLabel(this);
    m_versionLabel->setObjectName(QStringLiteral("version"));
    du.place(m_versionLabel, 46, 38, 139, 8);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    du.place(ok, 222, 12, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    // An About box never goes to the tray.
    TraySetMinimizeToTray(false);
}

void CAboutDlg::showEvent(QShowEvent* event)
{
    m_strVersion = QString::fromStdString(GetVersionString());
    m_versionLabel->setText(m_strVersion);
    CTrayDialog::showEvent(event);
}
