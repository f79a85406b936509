// remorra.exe: the notification-area program with its native dialogs. Takes
// no arguments.
#include "app/ChooseDevice.h"
#include "app/Config.h"
#include "app/ProcessServices.h"
#include "app/RemorraApp.h"
#include "app/RemoteKeyPath.h"
#include "app/SimulatedCardListener.h"
#include "keys/KeyOutput.h"
#include "keys/KeyReportHandler.h"
#include "platform/discovery/DeviceSources.h"
#include "platform/os/AppLog.h"
#include "win32ui/Dialogs.h"
#include "win32ui/RemorraDlg.h"
#include "win32ui/Win32MessageBox.h"
#include "win32ui/resource.h"

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <filesystem>
#include <memory>

using namespace remorra;
using namespace remorra::win32ui;

namespace {

void RunMainDialog(Win32MessageBox& box, std::filesystem::file_time_type startedAt) {
    // Only the copy that runs: a save of its own cannot be under way yet.
    RemoveStaleSaves(startedAt);
    std::string deviceError;
    std::unique_ptr<discovery::ICaptureDeviceSource> devices = discovery::CreateCaptureDeviceSource(deviceError, ReadReceiverConfig());
    if (!deviceError.empty()) box.show(deviceError, kAppCaption, MsgButtons::Ok, MsgIcon::Error);
    CChooseDeviceDlg chooser(
        [] {
            std::string ignored; // reported once, above
            return discovery::CreateCaptureDeviceSource(ignored, ReadReceiverConfig());
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
    RemoteKeyPath remoteKeys(keyHandler, *output);
    remoteKeys.Load(ConfigFilePath());
    dlg.Core().SetDecoderType(remoteKeys.DecoderType());
    dlg.SetKeyHandler(&remoteKeys.Sink());
    dlg.SetRemoteKeys(&remoteKeys, ConfigFilePath());
    COptionDlg optionDlg;
    dlg.SetOptionsView(&optionDlg);

    // Log-off and console events end the program as "Exit" does; the
    // handler runs on a thread of its own, so it only posts the command.
    std::atomic<HWND> window{nullptr};
    auto watcher = app::StartShutdownWatcher([&window](const char*) {
        if (HWND w = window.load()) PostMessageA(w, WM_COMMAND, MAKEWPARAM(ID_TRAY_EXIT, 0), 0);
    });

    std::unique_ptr<simcard::CSimCardListener> simCard;
    if (dlg.Create()) {
        window = dlg.Window();
        box.setOwner(dlg.Window());
        chooser.setOwner(dlg.Window());
        optionDlg.setOwner(dlg.Window());
        simCard = ListenOnSimulatedCard(dlg.Core().ChosenDevice());
        dlg.UpdateFocusWatcher();
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
    const auto startedAt = std::filesystem::file_time_type::clock::now();
    // The Windows 95 class set holds the hot-key control.
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);

    auto lock = app::CreateInstanceLock(kInstanceName);
    Win32MessageBox box;
    CRemorraApp theApp(*lock, box, [&] { RunMainDialog(box, startedAt); });
    theApp.InitInstance();
    return 0;
}
