#include "qt/RemorraDlg.h"

#include "platform/os/AppLog.h"
#include "app/Autostart.h"
#include "app/Config.h"
#include "app/FocusWatcher.h"
#include "app/RemorraApp.h"
#include "platform/os/Files.h"
#include "qt/AboutDlg.h"
#include "qt/AppIcon.h"
#include "qt/DialogUnits.h"
#include "qt/ProfilePanel.h"
#include "qt/RemoteControlDlg.h"

#include "app/RemoteKeyPath.h"

#include <QContextMenuEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
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

    m_pBox = services.box;
    m_pPanel = new ProfilePanel(*services.box, "Remorra", this);
    m_pPanel->setGeometry(0, 0, width(), height());
    m_pPanel->SetPublisher(&m_publisher);
    connect(m_pPanel, &ProfilePanel::optionRequested, this, [this] {
        if (m_pOptionsView)
            OnOption(*m_pOptionsView);
    });

    connect(m_pPanel, &ProfilePanel::userSelected, this,
            [this](const QString& text) { m_focus.OnUserSelection(text.toStdString()); });

    services.keySink = this;
    m_core = std::make_unique<CRemorraDlgCore>(static_cast<IRemorraDlgView&>(*this), std::move(services));
}

CRemorraDlg::~CRemorraDlg()
{
    m_focusWatcher.reset();
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

void CRemorraDlg::OnRemoteControl()
{
    // One at a time: the tray menu stays reachable while the dialog is open.
    if (!m_pRemoteKeys || m_bInRemoteControl)
        return;
    m_bInRemoteControl = true;
    CRemoteControlDlg dlg(*m_pBox, m_strConfigFile, isVisible() ? this : nullptr);
    dlg.setWindowIcon(m_hIcon);
    {
        CRemoteListening listening(
            *m_core, *m_pRemoteKeys, [this](CIR_DecoderCallback* sink) { SetKeyHandler(sink); }, dlg.Session(),
            m_strConfigFile);
        dlg.exec();
    }
    m_bInRemoteControl = false;
}

QMenu* CRemorraDlg::CreateContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->addAction(QStringLiteral("Mi&nimize"), this, [this] { OnSysCommand(kScMinimize); });
    menu->addAction(QStringLiteral("&Close"), this, [this] { OnSysCommand(0xF060); });
    if (m_pRemoteKeys)
        menu->addAction(QStringLiteral("&Remote control..."), this, [this] { OnRemoteControl(); });
    menu->addAction(QStringLiteral("A&pplications..."), this, [this] { EditProfileApplications(); });
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
    QAction* login = menu->addAction(QStringLiteral("Start at log-in"));
    login->setData(kTrayStartAtLogin);
    login->setCheckable(true);
    // The entry is the user's file: it may change while the program runs.
    connect(menu, &QMenu::aboutToShow, login, [login] { login->setChecked(AutostartEnabled(AutostartEntryPath())); });
    login->setChecked(AutostartEnabled(AutostartEntryPath()));
    connect(login, &QAction::triggered, this, [this](bool on) { SetStartAtLogin(on); });
    if (m_pRemoteKeys) {
        QAction* remote = menu->addAction(QStringLiteral("Remote control..."), this, [this] { OnRemoteControl(); });
        remote->setData(kTrayRemoteControl);
    }
    QAction* exit = menu->addAction(QStringLiteral("Exit"), this, [this] { Exit(); });
    exit->setData(kTrayExit);
    TraySetMenu(menu);
}

void CRemorraDlg::SetStartAtLogin(bool on)
{
    std::string error;
    if (!SetAutostart(AutostartEntryPath(), on, os::programFolder() + "/remorra", error))
        m_pBox->show("Could not change the log-in entry: " + error, kAppCaption, MsgButtons::Ok, MsgIcon::Error);
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

void CRemorraDlg::OnFocusChanged(const std::vector<std::string>& names)
{
    CProfileEditor& ed = m_pPanel->editor();
    if (const std::optional<int> at = m_focus.Follow(names, ed.entries(), ed.selection(), ConfigFilePath())) {
        m_pPanel->SelectProfile(*at);
        WriteLog(L"Focus on %s: profile \"%s\"", names.empty() ? "(none)" : names.back().c_str(),
                 ed.SelectedText().c_str());
    }
}

void CRemorraDlg::UpdateFocusWatcher()
{
    if (m_focusWatcher || ReadFocusRules(ConfigFilePath(), m_pPanel->editor().entries()).empty())
        return;
    std::string error;
    m_focusWatcher = app::StartFocusWatcher(
        [this](std::vector<std::string> names) {
            QMetaObject::invokeMethod(
                this, [this, names = std::move(names)] { OnFocusChanged(names); }, Qt::QueuedConnection);
        },
        error);
    if (!m_focusWatcher)
        WriteLog(L"Profiles cannot follow the focus: %s", error.c_str());
}

void CRemorraDlg::EditProfileApplications()
{
    const auto ask = [this](const std::string& prompt, const std::string& list) -> std::optional<std::string> {
        bool ok = false;
        const QString text = QInputDialog::getText(this, QStringLiteral("Applications"), QString::fromStdString(prompt),
                                                   QLineEdit::Normal, QString::fromStdString(list), &ok);
        if (!ok)
            return std::nullopt;
        return text.toStdString();
    };
    if (RunApplicationsCommand(ConfigFilePath(), m_pPanel->editor().SelectedText(), ask, *m_pBox, kAppCaption))
        UpdateFocusWatcher();
}
