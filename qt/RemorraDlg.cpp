#include "qt/RemorraDlg.h"

#include "qt/AboutDlg.h"
#include "qt/AppIcon.h"
#include "qt/DialogUnits.h"
#include "qt/ProfilePanel.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

using namespace remorra;

CRemorraDlg::CRemorraDlg(StartupServices services, QWidget* parent) : CTrayDialog(parent)
{
    m_hIcon = LoadAppIcon();
    setWindowTitle(QStringLiteral("Remorra"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    const DialogUnits du(font());
    setFixedSize(du.x(318), du.y(309));

    m_pPanel = new ProfilePanel(*services.box, "Remorra", this);
    m_pPanel->setGeometry(0, 0, width(), height());
    m_pPanel->SetPublisher(&m_publisher);
    connect(m_pPanel, &ProfilePanel::optionRequested, this, [this] {
        if (m_pOptionsView)
            OnOption(*m_pOptionsView);
    });

    services.keySink = this;
    m_core = std::make_unique<CRemorraDlgCore>(static_cast<IRemorraDlgView&>(*this), std::move(services));
}

CRemorraDlg::~CRemorraDlg()
{
    // The pipeline calls back into this object; it goes before the window.
    m_core.reset();
}

bool CRemorraDlg::OnInitDialog() { return m_core->OnInitDialog(); }

void CRemorraDlg::OnIrKey(std::int32_t decoderType, const void* report)
{
    if (CIR_DecoderCallback* handler = m_pKeyHandler.load())
        handler->OnIrKey(decoderType, report);
}

void CRemorraDlg::OnOption(IOptionDlgView& view) { m_core->RunOptions(view); }

void CRemorraDlg::OnSysCommand(std::uint32_t command)
{
    if ((command & 0xFFF0) == kIdmAboutBox) {
        ShowAboutBox();
        return;
    }
    CTrayDialog::OnSysCommand(command);
}

void CRemorraDlg::ShowAboutBox()
{
    CAboutDlg about(this);
    about.setWindowIcon(m_hIcon);
    about.exec();
}

QMenu* CRemorraDlg::CreateContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->addAction(QStringLiteral("Mi&nimize"), this, [this] { OnSysCommand(kScMinimize); });
    menu->addAction(QStringLiteral("&Close"), this, [this] { OnSysCommand(0xF060); });
    if (!m_strAboutMenu.isEmpty()) {
        menu->addSeparator();
        menu->addAction(m_strAboutMenu, this, [this] { OnSysCommand(kIdmAboutBox); });
    }
    return menu;
}

void CRemorraDlg::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(CreateContextMenu(nullptr));
    menu->exec(event->globalPos());
}

void CRemorraDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        // The window is ended from its tray menu or its close box only.
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_pPanel->ApplyKeys();
        event->accept();
        return;
    default:
        CTrayDialog::keyPressEvent(event);
    }
}

void CRemorraDlg::addAboutItem(const std::string& text) { m_strAboutMenu = QString::fromStdString(text); }

void CRemorraDlg::setupTray(const std::string& tooltip)
{
    setWindowIcon(m_hIcon);
    TraySetIcon(m_hIcon);
    TraySetToolTip(tooltip);
    auto* menu = new QMenu(QStringLiteral("TrayMenu"));
    QAction* show = menu->addAction(QStringLiteral("ShowWindow"), this, [this] { TrayRestore(); });
    show->setData(kTrayShowWindow);
    QAction* exit = menu->addAction(QStringLiteral("Exit"), this, [this] { Exit(); });
    exit->setData(kTrayExit);
    TraySetMenu(menu);
}

void CRemorraDlg::setTitle(const std::string& title) { setWindowTitle(QString::fromStdString(title)); }

void CRemorraDlg::restoreProfileSelection(int index) { m_pPanel->RestoreProfileSelection(index); }

void CRemorraDlg::postMinimize()
{
    QTimer::singleShot(0, this, [this] {
        OnSysCommand(kScMinimize);
        // Without a notification area the window is the only way back in.
        if (!InTray() && !isVisible())
            show();
    });
}

void CRemorraDlg::endDialog() { done(QDialog::Rejected); }
