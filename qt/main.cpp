// remorra: the notification-area program. Takes no arguments; --version and
// --help print and exit, anything else is ignored.
#include "app/AppLog.h"
#include "app/ProcessServices.h"
#include "app/RemorraApp.h"
#include "app/SimulatedCardListener.h"
#include "app/Version.h"
#include "keys/KeyOutput.h"
#include "keys/KeyReportHandler.h"
#include "platform/discovery/DeviceSources.h"
#include "qt/AppIcon.h"
#include "qt/ChooseDeviceDlg.h"
#include "qt/OptionDlg.h"
#include "qt/QtMessageBox.h"
#include "qt/QtTimeService.h"
#include "qt/RemorraDlg.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace remorra;

namespace {

class ChooserView final : public IChooseDeviceView {
public:
    explicit ChooserView(CChooseDeviceDlg& dlg) : m_dlg(dlg) {}
    bool run() override { return m_dlg.DoModal() == QDialog::Accepted; }
    int chosenIndex() const override { return m_dlg.chosenIndex(); }
    int listedCount() const override { return m_dlg.listedCount(); }

private:
    CChooseDeviceDlg& m_dlg;
};

void RunMainDialog(QApplication& qapp, QtMessageBox& box)
{
    QtTimeService time(os::timeService());
    os::ScopedTimeService useTime(time);

    std::string deviceError;
    std::unique_ptr<discovery::ICaptureDeviceSource> devices = discovery::CreateCaptureDeviceSource(deviceError);
    if (!deviceError.empty())
        box.show(deviceError, kAppCaption, MsgButtons::Ok, MsgIcon::Error);
    CChooseDeviceDlg chooseDeviceDlg(
        [] {
            std::string ignored; // reported once, above
            return discovery::CreateCaptureDeviceSource(ignored);
        },
        box);
    ChooserView chooser(chooseDeviceDlg);

    StartupServices services;
    services.devices = devices.get();
    services.box = &box;
    services.chooser = &chooser;
    services.raisePriority = app::RaiseProcessPriority;

    CRemorraDlg dlg(services);
    box.setParent(&dlg);
    const std::unique_ptr<keys::IKeyOutput> output = keys::CreateKeyOutput();
    keys::KeyReportHandler keyHandler(*output, dlg.ProfileView());
    dlg.SetKeyHandler(&keyHandler);
    COptionDlg optionDlg(&dlg);
    dlg.SetOptionsView(&optionDlg);
    QObject::connect(&dlg, &QDialog::finished, &qapp, &QCoreApplication::quit);

    // Declared after the dialog so that they stop before it goes.
    auto watcher = app::StartShutdownWatcher([&dlg] {
        QMetaObject::invokeMethod(&dlg, [&dlg] { dlg.Exit(); }, Qt::QueuedConnection);
    });
    std::string error;
    auto restore = app::StartRestoreListener(
        [&dlg] { QMetaObject::invokeMethod(&dlg, [&dlg] { dlg.TrayRestore(); }, Qt::QueuedConnection); }, &error);
    if (!restore)
        WriteLog(L"Restore requests are off: %s", error.c_str());

    std::unique_ptr<simcard::CSimCardListener> simCard;
    if (dlg.OnInitDialog()) {
        simCard = ListenOnSimulatedCard(dlg.Core().ChosenDevice());
        if (!dlg.Core().StartAndHide())
            dlg.show();
        qapp.exec();
    }
    // The window and its icon are gone; nothing more is played, then the
    // pipeline goes in its order.
    simCard.reset();
    dlg.Core().Shutdown();
    dlg.SetKeyHandler(nullptr);
    box.setParent(nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Remorra %s\n", GetVersionString().c_str());
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: remorra\n"
                        "Turns the infra-red remote of a tuner card into keyboard input; lives in the\n"
                        "notification area. Takes no arguments besides --version and --help.\n");
            return 0;
        }
    }
    // Before any thread exists, so only the watcher sees termination signals.
    app::BlockShutdownSignals();
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Remorra"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(LoadAppIcon());

    auto lock = app::CreateInstanceLock(kInstanceName);
    QtMessageBox box;
    CRemorraApp theApp(*lock, box, [&] { RunMainDialog(qapp, box); });
    theApp.InitInstance();
    return 0;
}
