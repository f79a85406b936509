// remorra: the notification-area program. --hidden starts it in the tray (the
// log-in entry); --version and --help print and exit; anything else is ignored.
#include "app/Autostart.h"
#include "app/ChooseDevice.h"
#include "app/Config.h"
#include "app/LircSocket.h"
#include "app/ProcessServices.h"
#include "app/RemorraApp.h"
#include "app/RemoteKeyPath.h"
#include "app/ShutdownRequest.h"
#include "app/SimulatedCardListener.h"
#include "app/Version.h"
#include "keys/KeyOutput.h"
#include "keys/KeyReportHandler.h"
#include "platform/discovery/DeviceSources.h"
#include "platform/os/AppLog.h"
#include "qt/AppIcon.h"
#include "qt/ChooseDeviceDlg.h"
#include "qt/OptionDlg.h"
#include "qt/QtMessageBox.h"
#include "qt/QtTimeService.h"
#include "qt/RemorraDlg.h"

#include <QApplication>
#include <QDialog>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

using namespace remorra;

namespace {

class ChooserView final : public IChooseDeviceView {
public:
    ChooserView(CChooseDeviceDlg& dlg, const app::ShutdownRequest& shutdown) : m_dlg(dlg), m_shutdown(shutdown) {}
    // Asked to end already: as if cancelled.
    bool run() override { return !m_shutdown.requested() && m_dlg.DoModal() == QDialog::Accepted; }
    int chosenIndex() const override { return m_dlg.chosenIndex(); }
    int listedCount() const override { return m_dlg.listedCount(); }

private:
    CChooseDeviceDlg& m_dlg;
    const app::ShutdownRequest& m_shutdown;
};

// Ends every modal loop that runs (boxes, the chooser, the options dialog),
// the innermost first; the code after each then sees the request.
void CloseModalWindows()
{
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            return; // refused to close; nothing more to do here
    }
}

// While this lives, a shutdown request ends whatever modal loop runs and then
// calls `andThen` on the window thread; requests after it only count.
class ScopedResponder {
public:
    ScopedResponder(app::ShutdownRequest& shutdown, QObject* context, std::function<void()> andThen = {})
        : m_shutdown(shutdown)
    {
        m_shutdown.setResponder([context, andThen = std::move(andThen)] {
            QMetaObject::invokeMethod(
                context,
                [andThen] {
                    CloseModalWindows();
                    if (andThen)
                        andThen();
                },
                Qt::QueuedConnection);
        });
    }
    ~ScopedResponder() { m_shutdown.setResponder({}); }
    ScopedResponder(const ScopedResponder&) = delete;
    ScopedResponder& operator=(const ScopedResponder&) = delete;

private:
    app::ShutdownRequest& m_shutdown;
};

void RunMainDialog(QApplication& qapp, QtMessageBox& box, app::ShutdownRequest& shutdown,
                   std::filesystem::file_time_type startedAt, bool startHidden)
{
    // Only the copy that runs: a save of its own cannot be under way yet.
    RemoveStaleSaves(startedAt);

    QtTimeService time(os::timeService());
    os::ScopedTimeService useTime(time);

    std::string deviceError;
    std::unique_ptr<discovery::ICaptureDeviceSource> devices = discovery::CreateCaptureDeviceSource(deviceError, ReadReceiverConfig());
    if (!deviceError.empty())
        box.show(deviceError, kAppCaption, MsgButtons::Ok, MsgIcon::Error);
    if (shutdown.requested())
        return;
    CChooseDeviceDlg chooseDeviceDlg(
        [] {
            std::string ignored; // reported once, above
            return discovery::CreateCaptureDeviceSource(ignored, ReadReceiverConfig());
        },
        box);
    ChooserView chooser(chooseDeviceDlg, shutdown);

    StartupServices services;
    services.devices = devices.get();
    services.box = &box;
    services.chooser = &chooser;
    services.raisePriority = app::RaiseProcessPriority;
    services.startHidden = startHidden;

    CRemorraDlg dlg(services);
    box.setParent(&dlg);
    const std::unique_ptr<keys::IKeyOutput> output = keys::CreateKeyOutput();
    keys::KeyReportHandler keyHandler(*output, dlg.ProfileView());
    RemoteKeyPath remoteKeys(keyHandler, *output);
    remoteKeys.Load(ConfigFilePath());
    dlg.Core().SetDecoderType(remoteKeys.DecoderType());
    dlg.SetKeyHandler(&remoteKeys.Sink());
    dlg.SetRemoteKeys(&remoteKeys, ConfigFilePath());
    COptionDlg optionDlg(&dlg);
    dlg.SetOptionsView(&optionDlg);
    QObject::connect(&dlg, &QDialog::finished, &qapp, &QCoreApplication::quit);

    // Declared after the dialog so that they stop before it goes. A request
    // during start-up closes its boxes or the chooser; one that came before
    // the loop keeps the loop from running, one in the loop ends it as "Exit".
    ScopedResponder responder(shutdown, &dlg, [&dlg] { dlg.Exit(); });
    std::string error;
    auto restore = app::StartRestoreListener(
        [&dlg] { QMetaObject::invokeMethod(&dlg, [&dlg] { dlg.TrayRestore(); }, Qt::QueuedConnection); }, &error);
    if (!restore)
        WriteLog(L"Restore requests are off: %s", error.c_str());

    std::unique_ptr<app::ILircServer> lirc;
    if (const std::string path = app::LircSocketPathFromConfig(ConfigFilePath()); !path.empty()) {
        std::string lircError;
        lirc = app::StartLircServer(
            path, [&remoteKeys] { return app::LircRemotes(remoteKeys.Maps().current()); }, lircError);
        if (lirc)
            WriteLog(L"LIRC event socket at %s", path.c_str());
        else
            WriteLog(L"LIRC event socket is off: %s", lircError.c_str());
        keyHandler.SetButtonSink(lirc.get());
        remoteKeys.Handler().setButtonSink(lirc.get());
    }

    std::unique_ptr<simcard::CSimCardListener> simCard;
    if (dlg.OnInitDialog() && !shutdown.requested()) {
        dlg.UpdateFocusWatcher();
        simCard = ListenOnSimulatedCard(dlg.Core().ChosenDevice());
        if (!dlg.Core().StartsHidden())
            dlg.show();
        // A request from here on was posted to the loop and ends it.
        if (!shutdown.requested())
            qapp.exec();
    }
    // The window and its icon are gone; nothing more is played, then the
    // pipeline goes in its order.
    simCard.reset();
    dlg.Core().Shutdown();
    keyHandler.SetButtonSink(nullptr);
    remoteKeys.Handler().setButtonSink(nullptr);
    lirc.reset();
    dlg.SetKeyHandler(nullptr);
    box.setParent(nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    // First, before any thread exists: every thread inherits the blocked
    // signals, and the watcher keeps whatever comes from here on.
    app::BlockShutdownSignals();
    const auto startedAt = std::filesystem::file_time_type::clock::now();
    app::ShutdownRequest shutdown;
    const auto watcher = app::StartShutdownWatcher([&shutdown](const char* what) { shutdown.request(what); });
    const ProgramArgs args = ParseProgramArgs(argc, argv);
    if (args.version) {
        std::printf("Remorra %s\n", GetVersionString().c_str());
        return 0;
    }
    if (args.help) {
        std::printf("usage: remorra [--hidden]\n"
                    "Turns the infra-red remote of a tuner card into keyboard input; lives in the\n"
                    "notification area. --hidden starts it there (the log-in entry uses it);\n"
                    "--version and --help print and exit. See remorra(1).\n");
        return 0;
    }
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Remorra"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(LoadAppIcon());

    {
        // The second copy's box and the start-up boxes close on a request.
        ScopedResponder responder(shutdown, &qapp);
        auto lock = app::CreateInstanceLock(kInstanceName);
        QtMessageBox box;
        box.setShutdownRequest(&shutdown);
        CRemorraApp theApp(*lock, box, [&] { RunMainDialog(qapp, box, shutdown, startedAt, args.hidden); });
        if (!shutdown.requested())
            theApp.InitInstance();
    }
    shutdown.logEnd();
    return 0;
}
