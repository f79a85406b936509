// remorra.exe: the notification-area program with its native dialogs. Takes
// no arguments.
#include "app/AppLog.h"
#include "app/ProcessServices.h"
#include "app/RemorraApp.h"
#include "app/SimulatedCardListener.h"
#include "keys/KeyOutput.h"
#include "keys/KeyReportHandler.h"
#include "platform/discovery/DeviceSources.h"
#include "win32ui/Dialogs.h"
#include "win32ui/RemorraDlg.h"
#include "win32ui/Win32MessageBox.h"
#include "win32ui/resource.h"

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <memory>

using namespace remorra;
using namespace remorra::win32ui;

namespace {

void RunMainDialog(Win32MessageBox& box) {
    std::string deviceError;
    std::unique_ptr<discovery::ICaptureDeviceSource> devices = discovery::CreateCaptureDeviceSource(deviceError);
    if (!deviceError.empty()) box.show(deviceError, kAppCaption, MsgButtons::Ok, MsgIcon::Error);
    CChooseDeviceDlg chooser(
        [] {
            std::string ignored; // reported once, above
            return discovery::CreateCaptureDeviceSource(ignored);
        },
        box);

    StartupServices services;
    services.devices = devices.get();
    services.box = &box;
    services.chooser = &chooser;
    services.raisePriority = app::RaiseProcessPriority;

    CRemorraDlg dlg(services);
    const std::unique_ptr<keys::IKeyOutput> output = keys::CreateKeyOutput();
    keys::KeyReportHandler keyHandler(*output, dlg.ProfileView());
    dlg.SetKeyHandler(&keyHandler);
    COptionDlg optionDlg;
    dlg.SetOptionsView(&optionDlg);

    // Log-off and console events end the program as "Exit" does; the
    // handler runs on a thread of its own, so it only posts the command.
    std::atomic<HWND> window{nullptr};
    auto watcher = app::StartShutdownWatcher([&window] {
        if (HWND w = window.load()) PostMessageA(w, WM_COMMAND, MAKEWPARAM(ID_TRAY_EXIT, 0), 0);
    });

    std::unique_ptr<simcard::CSimCardListener> simCard;
    if (dlg.Create()) {
        window = dlg.Window();
        box.setOwner(dlg.Window());
        chooser.setOwner(dlg.Window());
        optionDlg.setOwner(dlg.Window());
        simCard = ListenOnSimulatedCard(dlg.Core().ChosenDevice());
        dlg.RunModalLoop();
    }
    // The window and its icon go first; nothing more is played, then the
    // pipeline goes in its order.
    window = nullptr;
    dlg.DestroyWindow();
    box.setOwner(nullptr);
    watcher.reset();
    simCard.reset();
    dlg.Core().Shutdown();
    dlg.SetKeyHandler(nullptr);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The Windows 95 class set holds the hot-key control.
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);

    auto lock = app::CreateInstanceLock(kInstanceName);
    Win32MessageBox box;
    CRemorraApp theApp(*lock, box, [&] { RunMainDialog(box); });
    theApp.InitInstance();
    return 0;
}
