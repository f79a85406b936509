// remorra: the notification-area program. Takes no arguments; --version and
// --help print and exit, anything else is ignored.
#include "app/ProcessServices.h"
#include "app/RemorraApp.h"
#include "app/Version.h"
#include "platform/tuner/SimTunerCard.h"
#include "qt/AppIcon.h"
#include "qt/QtMessageBox.h"
#include "qt/QtTimeService.h"
#include "qt/RemorraDlg.h"

#include <QApplication>
#include <QInputDialog>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace remorra;

namespace {

// Until the device chooser window exists: the listed entries in a list dialog.
class ListChooser final : public IChooseDeviceView {
public:
    explicit ListChooser(QWidget* parent) : m_parent(parent) {}
    bool run(CChooseDeviceLogic& logic) override
    {
        QStringList items;
        for (const auto& e : logic.entries())
            items << QString::fromStdString(e.text);
        bool ok = false;
        const QString picked =
            QInputDialog::getItem(m_parent, QStringLiteral("Choose Device"), QStringLiteral("Device List"), items,
                                  0, false, &ok);
        if (!ok)
            return false;
        if (!items.isEmpty())
            logic.Select(static_cast<int>(items.indexOf(picked)));
        logic.OnOK();
        return true;
    }

private:
    QWidget* m_parent;
};

void RunMainDialog(QApplication& qapp, QtMessageBox& box)
{
    QtTimeService time(os::timeService());
    os::ScopedTimeService useTime(time);

    // The simulated card stands in for hardware until real device sources exist.
    discovery::ListDeviceSource devices;
    devices.devices.push_back({"Quorbel Simulated TV Tuner", std::make_shared<tuner::SimTunerCard>()});

    ListChooser chooser(nullptr);
    StartupServices services;
    services.devices = &devices;
    services.box = &box;
    services.chooser = &chooser;
    services.raisePriority = app::RaiseProcessPriority;

    CRemorraDlg dlg(services);
    box.setParent(&dlg);
    QObject::connect(&dlg, &QDialog::finished, &qapp, &QCoreApplication::quit);

    // Declared after the dialog so that they stop before it goes.
    auto watcher = app::StartShutdownWatcher([&dlg] {
        QMetaObject::invokeMethod(&dlg, [&dlg] { dlg.Exit(); }, Qt::QueuedConnection);
    });
    std::string error;
    auto restore = app::StartRestoreListener(
        [&dlg] { QMetaObject::invokeMethod(&dlg, [&dlg] { dlg.TrayRestore(); }, Qt::QueuedConnection); }, &error);
    if (!restore)
        std::fprintf(stderr, "remorra: restore requests are off (%s)\n", error.c_str());

    if (!dlg.OnInitDialog())
        return;
    if (!dlg.Core().StartAndHide())
        dlg.show();
    qapp.exec();
    // The window and its icon are gone; now the pipeline, in its order.
    dlg.Core().Shutdown();
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
    return theApp.InitInstance() ? 0 : 0;
}
